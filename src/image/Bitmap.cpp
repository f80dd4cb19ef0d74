#include "image/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace toviwall {

void CheckImageSize(std::int64_t width, std::int64_t height, const ImageLimits& limits) {
  if (width < 1 || height < 1)
    throw ImageError("Invalid image size " + std::to_string(width) + " x " + std::to_string(height));
  if (width > limits.maxDimension || height > limits.maxDimension || width * height > limits.maxPixels)
    throw ImageError("Image too large: " + std::to_string(width) + " x " + std::to_string(height) +
                     " pixels");
}

Bitmap24::Bitmap24(int width, int height)
    : width_(width), height_(height), stride_(RowBytes24(width)) {
  if (width < 0 || height < 0) throw ImageError("Invalid bitmap size");
  if (width == 0 || height == 0) {
    width_ = height_ = 0;
    return;
  }
  CheckImageSize(width, height);
  data_ = std::make_unique_for_overwrite<std::uint8_t[]>(SizeBytes());
  std::size_t used = static_cast<std::size_t>(width) * 3;
  if (used != stride_)
    for (int y = 0; y < height_; ++y) std::memset(Row(y) + used, 0, stride_ - used);
}

Bitmap24::Bitmap24(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
    : Bitmap24(width, height) {
  if (Empty()) return;
  std::uint8_t* row0 = Row(0);
  for (int x = 0; x < width_; ++x) {
    row0[3 * x] = blue;
    row0[3 * x + 1] = green;
    row0[3 * x + 2] = red;
  }
  for (int y = 1; y < height_; ++y) std::memcpy(Row(y), row0, stride_);
}

PixelWindow PixelWindow::Part(int x, int y, int w, int h) const {
  const int left = std::max(x, 0), top = std::max(y, 0);
  const auto right = static_cast<int>(std::min<long long>(static_cast<long long>(x) + w, width));
  const auto bottom = static_cast<int>(std::min<long long>(static_cast<long long>(y) + h, height));
  if (right <= left || bottom <= top) return {};
  return {Row(top) + 3 * static_cast<std::size_t>(left), stride, right - left, bottom - top};
}

Bitmap24 Bitmap24::Clone() const {
  Bitmap24 copy(width_, height_);
  if (!Empty()) std::memcpy(copy.Data(), Data(), SizeBytes());
  return copy;
}

bool Bitmap24::SamePixels(const Bitmap24& other) const {
  if (width_ != other.width_ || height_ != other.height_) return false;
  return Empty() || std::memcmp(Data(), other.Data(), SizeBytes()) == 0;
}

}  // namespace toviwall
