#include "preview/ThumbnailGeometry.h"

#include <algorithm>
#include <cstdint>

namespace toviwall {

int ClampThumbnailPadding(int padding) { return std::clamp(padding, 0, kMaxThumbnailPadding); }

PixelSize ThumbnailBox(PixelSize client, int padding, ThumbnailBorder border) {
  int frame = border == ThumbnailBorder::vtbNone ? 0 : 2;
  return {client.width - 2 * padding - frame, client.height - 2 * padding - frame};
}

PixelSize ThumbnailTarget(PixelSize image, PixelSize box, ThumbnailOptions options) {
  PixelSize target = image;
  if ((options & vtoEnlargeSmall) || image.width > box.width || image.height > box.height) {
    if (options & vtoConstrainRatio) {
      // In 64 bits: a large picture times a large box overflows 32.
      const std::int64_t w = std::max(image.width, 1), h = std::max(image.height, 1);
      const std::int64_t fittedHeight = h * box.width / w;
      if (fittedHeight < box.height)
        target = {box.width, static_cast<int>(fittedHeight)};
      else
        target = {static_cast<int>(w * box.height / h), box.height};
    } else {
      target = box;
    }
  }
  return {std::max(target.width, 1), std::max(target.height, 1)};
}

int OversamplingFactor(ThumbnailQuality quality) {
  switch (quality) {
    case ThumbnailQuality::vtqResampling2x: return 2;
    case ThumbnailQuality::vtqResampling4x: return 4;
    case ThumbnailQuality::vtqNearestPixel: break;
  }
  return 1;
}

int JpegScaleDenominator(PixelSize image, PixelSize target) {
  const int c = std::min(image.width / std::max(target.width, 1), image.height / std::max(target.height, 1));
  if (c > 7) return 8;
  if (c > 3) return 4;
  if (c > 1) return 2;
  return 1;
}

ThumbnailPaint PlanThumbnailPaint(PixelSize client, PixelSize cached, const ThumbnailLook& look) {
  ThumbnailPaint paint;
  const int cw = client.width, ch = client.height;
  if (cached.width < 1 || cached.height < 1) {
    paint.bands.push_back({0, 0, cw, ch});
    return paint;
  }
  const PixelSize size = ThumbnailTarget(cached, ThumbnailBox(client, look.padding, look.border), look.options);
  const int w = size.width, h = size.height;
  const int top = (ch - h) / 2, left = (cw - w) / 2;
  paint.hasPicture = true;
  paint.picture = {left, top, left + w, top + h};
  if (look.border == ThumbnailBorder::vtbNone) {
    paint.bands = {{0, 0, cw, top}, {0, top, left, top + h}, {left + w, top, cw, top + h}, {0, top + h, cw, ch}};
    return paint;
  }
  // A one-pixel ring round the picture is left for the frame.
  paint.bands = {{0, 0, cw, top - 1},
                 {0, top - 1, left - 1, top + h + 1},
                 {left + w + 1, top - 1, cw, top + h + 1},
                 {0, top + h + 1, cw, ch}};
  paint.framed = true;
  if (look.border == ThumbnailBorder::vtbImage)
    paint.frame = {left - 1, top - 1, left + w + 1, top + h + 1};
  else
    paint.frame = {0, 0, cw, ch};
  return paint;
}

}  // namespace toviwall
