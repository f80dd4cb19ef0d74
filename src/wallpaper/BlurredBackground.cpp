#include "wallpaper/BlurredBackground.h"

#include <algorithm>

#include "image/GaussianBlur.h"
#include "image/MyStretch.h"
#include "wallpaper/Composition.h"

namespace toviwall {
namespace {

constexpr float kSigmaShare = 0.025f;  // of the screen's shorter side
constexpr float kReducedSigma = 3.0f;  // the blur's width on the reduced copy, in its pixels

}  // namespace

void FillAroundWithBlur(const PixelWindow& window, const PictureRect& picture, int threads) {
  const PixelWindow fitted = window.Part(picture.x, picture.y, picture.width, picture.height);
  if (fitted.Empty()) return;
  const int W = window.width, H = window.height;
  const float sigma = kSigmaShare * static_cast<float>(std::min(W, H));
  const int k = std::max(1, static_cast<int>(sigma / kReducedSigma));
  Bitmap24 reduced((W + k - 1) / k, (H + k - 1) / k);
  const FitSize z = ZoomToScreen(fitted.width, fitted.height, reduced.Width(), reduced.Height());
  StretchInto(fitted, reduced.Whole(),
              {z.width, z.height, (z.width - reduced.Width()) / 2, (z.height - reduced.Height()) / 2}, TriangleFilter,
              1.0f, 1);
  GaussianBlur(reduced, sigma / static_cast<float>(k));
  // Enlarged again only where it shows: the bands around the picture.
  auto band = [&](int x, int y, int w, int h) {
    const PixelWindow part = window.Part(x, y, w, h);
    if (!part.Empty()) StretchInto(reduced.Whole(), part, {W, H, x, y}, TriangleFilter, 1.0f, threads);
  };
  const int right = picture.x + picture.width, bottom = picture.y + picture.height;
  band(0, 0, W, picture.y);
  band(0, bottom, W, H - bottom);
  band(0, picture.y, picture.x, picture.height);
  band(right, picture.y, W - right, picture.height);
}

}  // namespace toviwall
