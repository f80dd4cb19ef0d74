// Any bytes as a JPEG file, through conversion or the streaming resampler, the
// latter at full size or at the reduced scales thumbnails decode at.
#include "FuzzSupport.h"
#include "image/ImageConvert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int denominator = 1 << (size / 2 % 4);
  auto open = [denominator](const std::string& file, const toviwall::ImageLimits& limits) {
    return toviwall::OpenScaledJpegFile(file, [denominator](int, int) { return denominator; }, limits);
  };
  toviwall::fuzz::DecodeAnyBytes(data, size, toviwall::jpeg::ConvertToBitmapFile, open);
  return 0;
}
