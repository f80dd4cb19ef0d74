#include "image/ImageConvert.h"

#include "image/BitmapFile.h"

namespace toviwall {

std::string ImageExtension(const std::string& file) {
  auto slash = file.find_last_of('/');
  auto dot = file.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = file.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

ImageKind KindOfImage(const std::string& file) {
  std::string ext = ImageExtension(file);
  if (ext == ".jpg" || ext == ".jpeg") return ImageKind::Jpeg;
  if (ext == ".png") return ImageKind::Png;
  return ImageKind::Other;
}

std::unique_ptr<ImageReader> OpenImageFile(const std::string& file, const ImageLimits& limits) {
  switch (KindOfImage(file)) {
    case ImageKind::Jpeg: return OpenJpegFile(file, limits);
    case ImageKind::Png: return OpenPngFile(file, limits);
    case ImageKind::Other: break;
  }
  return OpenBitmapFile(file, limits);
}

namespace jpeg {
void ConvertToBitmapFile(const std::string& source, const std::string& target, const ImageLimits& limits) {
  auto reader = OpenJpegFile(source, limits);
  SaveBitmapFile(*reader, target);
}
}  // namespace jpeg

namespace png {
void ConvertToBitmapFile(const std::string& source, const std::string& target, const ImageLimits& limits) {
  auto reader = OpenPngFile(source, limits);
  SaveBitmapFile(*reader, target);
}
}  // namespace png

std::string WallpaperFileFor(const std::string& imageFile, const std::string& outputFile) {
  return KindOfImage(imageFile) == ImageKind::Other ? imageFile : outputFile;
}

std::string PrepareWallpaperFile(const std::string& imageFile, const std::string& outputFile) {
  switch (KindOfImage(imageFile)) {
    case ImageKind::Jpeg: jpeg::ConvertToBitmapFile(imageFile, outputFile); break;
    case ImageKind::Png: png::ConvertToBitmapFile(imageFile, outputFile); break;
    case ImageKind::Other: break;
  }
  return WallpaperFileFor(imageFile, outputFile);
}

}  // namespace toviwall
