#include "imagelist/ImageFiles.h"

#include "base/AtomicFile.h"

namespace toviwall {

std::string LowerExtension(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart) return {};
  std::string ext = path.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return ext;
}

ImageGroup ImageGroupOf(const std::string& path) {
  std::string ext = LowerExtension(path);
  if (ext == ".bmp") return ImageGroup::Bmp;
  if (ext == ".jpg" || ext == ".jpeg") return ImageGroup::Jpeg;
  if (ext == ".png") return ImageGroup::Png;
  return ImageGroup::None;
}

bool IsImageFile(const std::string& path) { return ImageGroupOf(path) != ImageGroup::None && FileExists(path); }

}  // namespace toviwall
