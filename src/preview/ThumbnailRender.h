#pragma once
// A thumbnail's picture, rendered once when an image is assigned: the image is
// decoded (a JPEG at the reduced scale its size allows), stretched by nearest
// pixel, and for the oversampling qualities drawn 2 or 4 times larger first and
// reduced with the box reductions. Plain pixel work, safe on any thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "image/ImageReader.h"
#include "preview/ThumbnailGeometry.h"

namespace toviwall {

// 32-bit pixels in the byte order blue, green, red, 255; rows top-down, no padding.
class Pixels32 {
 public:
  Pixels32() = default;
  // Throws ImageError beyond the default image limits.
  Pixels32(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ < 1 || height_ < 1; }
  std::size_t Stride() const { return static_cast<std::size_t>(width_) * 4; }
  std::uint8_t* Row(int y) { return data_.get() + Stride() * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int y) const { return data_.get() + Stride() * static_cast<std::size_t>(y); }
  std::uint8_t* Data() { return data_.get(); }
  // Hands the buffer over (for an image object that frees it with delete[]).
  std::uint8_t* Release();

 private:
  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<std::uint8_t[]> data_;
};

// The source column (or row) target pixel `i` of `targetLength` takes from a
// line of `sourceLength` pixels: the one under the target pixel's centre.
int NearestSource(int i, int targetLength, int sourceLength);

// Asked between batches of rows: true ends the work with ThumbnailCancelled.
using RenderCancelled = std::function<bool()>;
struct ThumbnailCancelled {};

// Decodes every remaining row of `source`, stretching it by nearest pixel over
// the whole of `target`, turned upright (the source's Turn()). Only a few source
// rows are held at a time.
void StretchNearest(ImageReader& source, Pixels32& target, const RenderCancelled& cancelled = {});

struct RenderedThumbnail {
  PixelSize image;    // the image's own size, upright (EXIF orientation)
  PixelSize decoded;  // the size it was decoded at (smaller for a JPEG with the hint), upright
  Pixels32 pixels;    // the cached picture, of the target size
};

// Renders `file` (BMP, JPEG or PNG, told by its extension) for a control of
// `client` size: the target size from the box, oversampled when the quality asks
// for it, the target is smaller than the image and `vectorUnit` (the processor's
// box reduction unit, CpuFlags) is there. Throws ImageError for a file that
// cannot be read, ThumbnailCancelled when `cancelled` says so.
RenderedThumbnail RenderThumbnail(const std::string& file, PixelSize client, const ThumbnailLook& look,
                                  bool vectorUnit, const RenderCancelled& cancelled = {});

}  // namespace toviwall
