#pragma once
// A Gaussian blur of a 24-bit bitmap, in place: two passes of one normalised
// kernel reaching three standard deviations, the edges continued by their last
// pixel (ImageMagick's "edge" virtual pixels). Meant for small bitmaps: it
// costs (6 sigma + 1) weighted pixels per pixel and pass.
#include "image/Bitmap.h"

namespace toviwall {

// sigma in pixels; below 0.1 the bitmap is left alone.
void GaussianBlur(Bitmap24& bitmap, float sigma);

}  // namespace toviwall
