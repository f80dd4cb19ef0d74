#pragma once
// The background of "Fit with blurred background": the fitted picture's own
// pixels, zoomed to cover the screen and blurred so that they read as a
// background (a Gaussian of 2.5% of the screen's shorter side). The blur runs
// on a copy a few times smaller than the screen, which a bilinear enlargement
// brings back: at this width of blur the difference does not show, and the
// blur costs a few milliseconds instead of a second.
#include "image/Bitmap.h"

namespace toviwall {

// Fills `window` around the rectangle `picture` of it, which holds the fitted
// picture, with that picture zoomed to cover the window and blurred. `threads`
// 0: as many as pay.
void FillAroundWithBlur(const PixelWindow& window, const PictureRect& picture, int threads = 0);

}  // namespace toviwall
