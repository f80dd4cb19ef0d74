#include "platform/sway/OutputPicture.h"

#include <algorithm>
#include <cstring>

#include "image/MyStretch.h"

namespace toviwall::platform {
namespace {

// Copies the picture's pixels with its top-left corner at (left, top) of the
// target, clipped to both.
void Place(const Bitmap24& picture, Bitmap24& target, int left, int top) {
  const int x0 = std::max(0, left), x1 = std::min(target.Width(), left + picture.Width());
  const int y0 = std::max(0, top), y1 = std::min(target.Height(), top + picture.Height());
  if (x0 >= x1) return;
  for (int y = y0; y < y1; ++y)
    std::memcpy(target.Row(y) + 3 * static_cast<std::size_t>(x0), picture.Row(y - top) + 3 * static_cast<std::size_t>(x0 - left),
                3 * static_cast<std::size_t>(x1 - x0));
}

void Tile(const Bitmap24& picture, Bitmap24& target, int originX, int originY) {
  const int w = picture.Width(), h = picture.Height();
  for (int y = 0; y < target.Height(); ++y) {
    const std::uint8_t* src = picture.Row((originY + y) % h);
    std::uint8_t* dst = target.Row(y);
    for (int x = 0; x < target.Width();) {
      const int from = (originX + x) % w;
      const int run = std::min(w - from, target.Width() - x);
      std::memcpy(dst + 3 * static_cast<std::size_t>(x), src + 3 * static_cast<std::size_t>(from), 3 * static_cast<std::size_t>(run));
      x += run;
    }
  }
}

}  // namespace

Bitmap24 OutputPicture(const Bitmap24* picture, WallpaperStyle style, const MonitorRect& output,
                       std::uint32_t background) {
  Bitmap24 out(output.width, output.height, static_cast<std::uint8_t>(background),
               static_cast<std::uint8_t>(background >> 8), static_cast<std::uint8_t>(background >> 16));
  if (!picture || picture->Empty()) return out;
  switch (style) {
    case WallpaperStyle::Centred:
      // As the painter centres: the same rounding for odd differences.
      Place(*picture, out, (output.width - picture->Width()) / 2, (output.height - picture->Height()) / 2);
      break;
    case WallpaperStyle::Tiled: Tile(*picture, out, output.x, output.y); break;
    case WallpaperStyle::Stretched:
      if (picture->Width() == output.width && picture->Height() == output.height) Place(*picture, out, 0, 0);
      else Stretch(*picture, out, Lanczos3Filter, 3.0f);
      break;
    case WallpaperStyle::Spanned: Place(*picture, out, -output.x, -output.y); break;
  }
  return out;
}

}  // namespace toviwall::platform
