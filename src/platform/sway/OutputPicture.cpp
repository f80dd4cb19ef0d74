#include "platform/sway/OutputPicture.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/BackgroundTask.h"
#include "image/MyStretch.h"
#include "image/PngWrite.h"

namespace toviwall::platform {
namespace {

constexpr char kPicturePrefix[] = "wallpaper-";
constexpr char kPictureSuffix[] = ".png";

bool SafePath(const std::string& path) {
  if (path.empty() || path.front() != '/') return false;
  for (unsigned char c : path)
    if (!(std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-')) return false;
  return true;
}

// Copies the picture's pixels with its top-left corner at (left, top) of the
// target, clipped to both.
void Place(const Bitmap24& picture, Bitmap24& target, int left, int top) {
  const int x0 = std::max(0, left), x1 = std::min(target.Width(), left + picture.Width());
  const int y0 = std::max(0, top), y1 = std::min(target.Height(), top + picture.Height());
  if (x0 >= x1) return;
  for (int y = y0; y < y1; ++y)
    std::memcpy(target.Row(y) + 3 * static_cast<std::size_t>(x0), picture.Row(y - top) + 3 * static_cast<std::size_t>(x0 - left),
                3 * static_cast<std::size_t>(x1 - x0));
}

void Tile(const Bitmap24& picture, Bitmap24& target, int originX, int originY) {
  const int w = picture.Width(), h = picture.Height();
  for (int y = 0; y < target.Height(); ++y) {
    const std::uint8_t* src = picture.Row((originY + y) % h);
    std::uint8_t* dst = target.Row(y);
    for (int x = 0; x < target.Width();) {
      const int from = (originX + x) % w;
      const int run = std::min(w - from, target.Width() - x);
      std::memcpy(dst + 3 * static_cast<std::size_t>(x), src + 3 * static_cast<std::size_t>(from), 3 * static_cast<std::size_t>(run));
      x += run;
    }
  }
}

}  // namespace

Bitmap24 OutputPicture(const Bitmap24* picture, WallpaperStyle style, const MonitorRect& output,
                       std::uint32_t background) {
  Bitmap24 out(output.width, output.height, static_cast<std::uint8_t>(background),
               static_cast<std::uint8_t>(background >> 8), static_cast<std::uint8_t>(background >> 16));
  if (!picture || picture->Empty()) return out;
  switch (style) {
    case WallpaperStyle::Centred:
      // As the painter centres: the same rounding for odd differences.
      Place(*picture, out, (output.width - picture->Width()) / 2, (output.height - picture->Height()) / 2);
      break;
    case WallpaperStyle::Tiled: Tile(*picture, out, output.x, output.y); break;
    case WallpaperStyle::Stretched:
      if (picture->Width() == output.width && picture->Height() == output.height) Place(*picture, out, 0, 0);
      else Stretch(*picture, out, Lanczos3Filter, 3.0f);
      break;
    case WallpaperStyle::Spanned: Place(*picture, out, -output.x, -output.y); break;
  }
  return out;
}


std::string OutputPictureFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return {};
  std::string folder = runtime;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "/toviwall";
}

void EnsurePictureFolder(const std::string& folder) {
  if (!SafePath(folder))
    throw std::runtime_error("The wallpaper cannot be handed over from the folder \"" + folder +
                             "\": sway would read its name as a shell command line. Only letters, digits "
                             "and \"/._-\" are safe there.");
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw std::runtime_error("Cannot make the folder " + folder + ": " + std::strerror(errno));
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
    throw std::runtime_error("The folder " + folder + " for the wallpaper pictures is not a folder of this user's.");
}

std::vector<std::string> WriteOutputPictures(const std::string& folder, unsigned long serial, const Bitmap24& picture,
                                             WallpaperStyle style, const std::vector<MonitorRect>& outputs,
                                             std::uint32_t background) {
  const std::string stem = folder + "/" + kPicturePrefix + std::to_string(::getpid()) + "-" + std::to_string(serial) + "-";
  std::vector<std::string> files;
  for (std::size_t i = 0; i < outputs.size(); ++i) files.push_back(stem + std::to_string(i) + kPictureSuffix);
  RunSideBySide(outputs.size(), [&](std::size_t i) {
    SavePngFile(OutputPicture(&picture, style, outputs[i], background), files[i]);
  });
  return files;
}

void RemoveOldPictures(const std::string& folder, const std::vector<std::string>& keep) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (!name.starts_with(kPicturePrefix) || !name.ends_with(kPictureSuffix)) continue;
    const std::string path = folder + "/" + name;
    if (std::find(keep.begin(), keep.end(), path) == keep.end()) ::unlink(path.c_str());
  }
}

std::string HexColour(std::uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", rgb & 0xffffff);
  return text;
}

}  // namespace toviwall::platform
