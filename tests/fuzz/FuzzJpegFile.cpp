// Any bytes as a JPEG file: converted to a BMP file, or (for inputs of odd
// length) streamed through the resampler as the fitting types do.
#include "FuzzSupport.h"
#include "wallpaper/BitmapFile.h"
#include "wallpaper/ImageConvert.h"
#include "app/AtomicFile.h"
#include "wallpaper/MyStretch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace toviwall;
  fuzz::MemoryFile file(data, size);
  try {
    if (size % 2 == 0) {
      jpeg::ConvertToBitmapFile(file.Path(), fuzz::ScratchFolder::Path() + "/out.bmp", fuzz::kLimits);
    } else {
      auto rows = OpenJpegFile(file.Path(), fuzz::kLimits);
      Bitmap24 fitted(1 + rows->Width() / 3, 1 + rows->Height() / 5);
      Stretch(*rows, fitted, Lanczos3Filter, 3.0f);
    }
  } catch (const ImageError&) {
  } catch (const FileWriteError&) {
  }
  return 0;
}
