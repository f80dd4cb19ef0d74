#pragma once
// JPEG and PNG images on their way to the desktop, which shows only BMP files.
// The kind of a file is told by its extension alone.
#include <functional>
#include <memory>
#include <string>

#include "image/Bitmap.h"
#include "image/ImageReader.h"

namespace toviwall {

enum class ImageKind { Jpeg, Png, Other };

// The file name's part from its last "." on, lower-cased; "" when it has no dot.
std::string ImageExtension(const std::string& file);
// ".jpg" and ".jpeg" are JPEG, ".png" is PNG; anything else (".bmp", ".jpe", none) is Other.
ImageKind KindOfImage(const std::string& file);

// Decoders with the rows in the 24-bit layout. Greyscale and palette images are
// expanded; CMYK JPEGs are turned into RGB; PNG transparency is laid over white.
// The rows come as stored; Turn() holds the EXIF orientation of a JPEG (APP1)
// or a PNG (eXIf chunk before the image data). Throw ImageError carrying the
// decoder's message.
std::unique_ptr<ImageReader> OpenJpegFile(const std::string& file, const ImageLimits& limits = {});
// A JPEG decoded at a reduced scale: `chooseScale` gets the image's own size
// from its header, upright (EXIF orientation), and answers 1, 2, 4 or 8
// (anything else counts as 1); the reader then gives the image at 1/that of its
// size, rounded up.
using JpegScaleChoice = std::function<int(int width, int height)>;
std::unique_ptr<ImageReader> OpenScaledJpegFile(const std::string& file, const JpegScaleChoice& chooseScale,
                                                const ImageLimits& limits = {});
std::unique_ptr<ImageReader> OpenPngFile(const std::string& file, const ImageLimits& limits = {});
// The decoder for the file's kind: JPEG, PNG, otherwise BMP.
std::unique_ptr<ImageReader> OpenImageFile(const std::string& file, const ImageLimits& limits = {});

// Decodes `source` at full size and writes it upright as a 24-bit BMP file at
// `target`. A decoding failure throws and leaves `target` exactly as it was.
namespace jpeg {
void ConvertToBitmapFile(const std::string& source, const std::string& target, const ImageLimits& limits = {});
}
namespace png {
void ConvertToBitmapFile(const std::string& source, const std::string& target, const ImageLimits& limits = {});
}

// The file the desktop gets for `imageFile`: `outputFile` for JPEG and PNG images,
// the image itself otherwise. Does no work.
std::string WallpaperFileFor(const std::string& imageFile, const std::string& outputFile);
// The same, after converting a JPEG or PNG image into `outputFile`.
std::string PrepareWallpaperFile(const std::string& imageFile, const std::string& outputFile);

}  // namespace toviwall
