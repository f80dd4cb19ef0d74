// Any bytes as a PNG file, through conversion or the streaming resampler.
#include "FuzzSupport.h"
#include "image/ImageConvert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  toviwall::fuzz::DecodeAnyBytes(data, size, toviwall::png::ConvertToBitmapFile, toviwall::OpenPngFile);
  return 0;
}
