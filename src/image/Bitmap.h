#pragma once
// The one pixel layout of wallpaper rendering: 24 bits a pixel in the byte order
// blue, green, red, rows top-down in memory, each padded to a multiple of 4 bytes
// (the padding bytes are kept zero, so a row can be written to a BMP file as is).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace toviwall {

// A file that cannot be decoded, or an image the program refuses to hold.
class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Sizes refused before anything is allocated: a damaged or hostile header must
// not make the program reserve gigabytes. 2^28 pixels is 768 MiB at 24 bits.
struct ImageLimits {
  int maxDimension = 65535;
  std::int64_t maxPixels = std::int64_t{1} << 28;
};

// Throws ImageError unless 1 <= width, height <= maxDimension and the area fits.
void CheckImageSize(std::int64_t width, std::int64_t height, const ImageLimits& limits = {});

// Bytes of one 24-bit row, padded to a multiple of 4.
inline std::size_t RowBytes24(int width) {
  return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

// A rectangle of some bitmap's pixels, written in place: `width` x `height`
// pixels from `data` on, rows `stride` bytes apart. It owns nothing.
struct PixelWindow {
  std::uint8_t* data = nullptr;
  std::size_t stride = 0;
  int width = 0;
  int height = 0;
  bool Empty() const { return width < 1 || height < 1; }
  std::uint8_t* Row(int y) const { return data + stride * static_cast<std::size_t>(y); }
  // The rectangle at (x, y) of this one, clipped to it (empty when outside).
  PixelWindow Part(int x, int y, int w, int h) const;
};

// A rectangle of pixels: its top-left corner and size.
struct PictureRect {
  int x = 0, y = 0, width = 0, height = 0;
};

class Bitmap24 {
 public:
  Bitmap24() = default;
  // The pixels are left unset (callers fill every row); the row padding is zeroed.
  // Sizes beyond the default limits throw ImageError instead of allocating.
  Bitmap24(int width, int height);
  // The same, filled with one colour.
  Bitmap24(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red);

  Bitmap24(Bitmap24&&) noexcept = default;
  Bitmap24& operator=(Bitmap24&&) noexcept = default;
  Bitmap24(const Bitmap24&) = delete;
  Bitmap24& operator=(const Bitmap24&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ < 1 || height_ < 1; }
  std::size_t Stride() const { return stride_; }
  std::size_t SizeBytes() const { return stride_ * static_cast<std::size_t>(height_); }

  std::uint8_t* Row(int y) { return data_.get() + stride_ * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int y) const { return data_.get() + stride_ * static_cast<std::size_t>(y); }
  std::uint8_t* Data() { return data_.get(); }
  const std::uint8_t* Data() const { return data_.get(); }

  PixelWindow Whole() { return Empty() ? PixelWindow{} : PixelWindow{Data(), stride_, width_, height_}; }
  // The rectangle of this bitmap at (x, y), clipped to it (empty when outside).
  PixelWindow Window(int x, int y, int width, int height) { return Whole().Part(x, y, width, height); }

  Bitmap24 Clone() const;
  bool SamePixels(const Bitmap24& other) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::size_t stride_ = 0;
  std::unique_ptr<std::uint8_t[]> data_;
};

}  // namespace toviwall
