#pragma once
// Where a thumbnail control puts its picture: the box inside the padding and
// frame, the picture's size in it, the decoding scale of a JPEG, and the
// bands, frame and picture rectangle it paints.
#include <vector>

#include "image/MyStretch.h"

namespace toviwall {

// Bit values as the settings and form files know them.
enum ThumbnailOption : unsigned {
  vtoConstrainRatio = 1u,  // keep the aspect ratio when scaling
  vtoEnlargeSmall = 2u,    // also scale up pictures smaller than the box
};
using ThumbnailOptions = unsigned;

// Oversampling by 1, 2 or 4 when a picture is reduced.
enum class ThumbnailQuality { vtqNearestPixel, vtqResampling2x, vtqResampling4x };
// No frame; a frame round the picture; a frame round the whole control.
enum class ThumbnailBorder { vtbNone, vtbImage, vtbControl };

inline constexpr int kMaxThumbnailPadding = 10;

struct ThumbnailLook {
  ThumbnailOptions options = vtoConstrainRatio;
  ThumbnailQuality quality = ThumbnailQuality::vtqNearestPixel;
  ThumbnailBorder border = ThumbnailBorder::vtbImage;
  int padding = 0;  // 0..10
};

struct PixelSize {
  int width = 0;
  int height = 0;
  bool operator==(const PixelSize&) const = default;
};

// Padding is clamped, never refused.
int ClampThumbnailPadding(int padding);
// The client size less the padding on each side, and one pixel more on each
// side for a frame. May be zero or negative for a tiny control.
PixelSize ThumbnailBox(PixelSize client, int padding, ThumbnailBorder border);
// The picture's size in the box: its own size unless it is larger than the box
// or enlarging is on; then fitted by its ratio (integer division) or stretched
// to the box. Never below 1 x 1.
PixelSize ThumbnailTarget(PixelSize image, PixelSize box, ThumbnailOptions options);
// 1, 2 or 4.
int OversamplingFactor(ThumbnailQuality quality);
// The JPEG decoding scale for drawing `image` at `target`: 8, 4, 2 or 1 as the
// smaller of the two whole ratios is above 7, 3, 1 or not.
int JpegScaleDenominator(PixelSize image, PixelSize target);

// What painting does, in client coordinates (right and bottom exclusive).
struct ThumbnailPaint {
  std::vector<PixelRect> bands;  // filled with the control's colour
  bool framed = false;
  PixelRect frame;               // outlined in the pen colour, filled inside with the colour
  bool hasPicture = false;
  PixelRect picture;             // the cached picture, drawn stretched to this
};
// For a control of `client` size whose cached picture is `cached` (0 x 0: none).
// The picture's size is fitted again, so a control that has shrunk shrinks it.
ThumbnailPaint PlanThumbnailPaint(PixelSize client, PixelSize cached, const ThumbnailLook& look);

}  // namespace toviwall
