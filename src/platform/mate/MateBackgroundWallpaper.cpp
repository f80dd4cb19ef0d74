#include "platform/mate/MateBackgroundWallpaper.h"

#include "platform/WallpaperPath.h"
#include "platform/gnome/GSettingsWallpaper.h"

namespace toviwall::platform {

bool MateBackgroundWallpaper::Available() {
  const auto values = ReadGSettingsSchema(kMateBackgroundSchema);
  return values && values->count("picture-filename");
}

void MateBackgroundWallpaper::WriteValues(const std::string& file, WallpaperStyle style) {
  // The options first: caja redraws on each key, and the new picture should
  // appear in its own placement. None has no option of its own: an empty file.
  if (!file.empty()) WriteGSettingsKey(kMateBackgroundSchema, "picture-options", GVariantString(PictureOptionsFor(file, style)));
  // caja keeps a picture it has loaded while the file's name stays the same.
  std::string shown;
  if (const auto values = ReadGSettingsSchema(kMateBackgroundSchema); values && values->count("picture-filename"))
    shown = ParseGVariantString(values->at("picture-filename")).value_or("");
  WriteGSettingsKey(kMateBackgroundSchema, "picture-filename", GVariantString(SpellingForReload(file, shown)));
}

std::optional<std::string> MateBackgroundWallpaper::ReadWallpaper() {
  const auto values = ReadGSettingsSchema(kMateBackgroundSchema);
  if (!values || !values->count("picture-filename")) return std::nullopt;
  const auto file = ParseGVariantString(values->at("picture-filename"));
  return file ? std::optional<std::string>(FoldSpelling(*file)) : std::nullopt;
}

}  // namespace toviwall::platform
