#pragma once
// BMP files. Reading accepts what the format allows: the old 12-byte core header
// and the 40- to 124-byte information headers, 1, 4, 8, 16, 24 and 32 bits a
// pixel, palettes, bit-field masks, RLE8 and RLE4, bottom-up and top-down rows.
// Writing always gives one form: 14-byte file header, 40-byte information header,
// 24 bits a pixel, no colour table, rows bottom-up and padded to 4 bytes.
#include <cstdint>
#include <memory>
#include <string>

#include "base/AtomicFile.h"
#include "image/Bitmap.h"
#include "image/ImageReader.h"

namespace toviwall {

inline constexpr std::size_t kBmpHeaderBytes = 14 + 40;

// Opens a BMP file for reading rows; throws ImageError for anything that is not a
// readable BMP (the message says what is wrong) or is larger than the limits.
std::unique_ptr<ImageReader> OpenBitmapFile(const std::string& file, const ImageLimits& limits = {});

// Loads the whole file in the 24-bit layout.
Bitmap24 LoadBitmapFile(const std::string& file, const ImageLimits& limits = {});

// Writes the bitmap as a BMP file, replacing `file` atomically (FileWriteError).
void SaveBitmapFile(const Bitmap24& bitmap, const std::string& file);

// The same into a writer already opened on the file (so a refusal comes before
// the pixels are at hand); commits it.
void SaveBitmapFile(const Bitmap24& bitmap, AtomicFileWriter& out);

// Writes every remaining row of `reader` as a BMP file, replacing `file` only once
// the last row has been decoded: a decoding error leaves `file` as it was.
void SaveBitmapFile(ImageReader& reader, const std::string& file);

// The 54 header bytes of the written form for a bitmap of this size.
void FillBmpHeader(std::uint8_t (&header)[kBmpHeaderBytes], int width, int height);

}  // namespace toviwall
