// Any bytes as a BMP file: loaded, and what loads is resampled to a small odd size.
#include "FuzzSupport.h"
#include "image/BitmapFile.h"
#include "image/MyStretch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace toviwall;
  fuzz::MemoryFile file(data, size);
  try {
    Bitmap24 bitmap = LoadBitmapFile(file.Path(), fuzz::kLimits);
    Bitmap24 small(1 + bitmap.Width() % 7, 1 + bitmap.Height() % 5);
    const auto& filters = ResampleFilters();
    const auto& filter = filters[size % filters.size()];
    Stretch(bitmap, small, filter.function, filter.support);
  } catch (const ImageError&) {
  }
  return 0;
}
