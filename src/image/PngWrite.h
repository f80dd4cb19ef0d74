#pragma once
// PNG files written for programs that read no BMP (a compositor's background
// painter): 8-bit RGB, no interlacing, stored uncompressed for speed.
#include <string>

#include "image/Bitmap.h"

namespace toviwall {

// Writes the bitmap as a PNG file, replacing `file` atomically (FileWriteError;
// ImageError for an empty bitmap or an encoder failure).
void SavePngFile(const Bitmap24& bitmap, const std::string& file);

}  // namespace toviwall
