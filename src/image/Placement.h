#pragma once
// A decoder's rows placed unscaled into a window of a larger bitmap, as the
// desktop places a centred or tiled picture on a monitor, turned upright on the
// way (Turn()). Every row is read, also those that fall outside, so that damage
// anywhere in the file is noticed.
#include "image/Bitmap.h"
#include "image/ImageReader.h"

namespace toviwall {

// The upright image with its top-left corner at (left, top) of the window;
// either may be negative (the image is larger than the window and cut). A
// turned image streams as well: its rows land in the window's columns.
void CopyRowsInto(ImageReader& rows, const PixelWindow& target, int left, int top);

// The image repeated from the window's top-left corner on until the window is full.
void TileRowsInto(ImageReader& rows, const PixelWindow& target);

}  // namespace toviwall
