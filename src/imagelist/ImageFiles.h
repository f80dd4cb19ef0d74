#pragma once
// Which files the image list accepts: existing files named ".bmp", ".jpg",
// ".jpeg" or ".png", the extension compared after ASCII lower-casing.
#include <string>

namespace toviwall {

// The extension of the last path component, from its last "." on, lower-cased
// in ASCII; empty when the name holds no dot.
std::string LowerExtension(const std::string& path);

// The type groups that share one row icon.
enum class ImageGroup { None = -1, Bmp = 0, Jpeg = 1, Png = 2 };
inline constexpr int kImageGroupCount = 3;

ImageGroup ImageGroupOf(const std::string& path);  // by the extension alone

// An existing file (not a folder) of an accepted type.
bool IsImageFile(const std::string& path);

}  // namespace toviwall
