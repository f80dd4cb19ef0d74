#pragma once
// The GNOME family's wallpaper: the background schema's picture-uri (and
// picture-uri-dark) and picture-options, through the gsettings command.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/DesktopWallpaper.h"

namespace toviwall::platform {

inline constexpr const char* kGnomeBackgroundSchema = "org.gnome.desktop.background";
inline constexpr const char* kCinnamonBackgroundSchema = "org.cinnamon.desktop.background";

class GSettingsWallpaper final : public DesktopWallpaper {
 public:
  struct Keys {
    std::string schema;
    bool darkUri = false;  // picture-uri-dark exists (GNOME 42 and later)
  };
  // The schema's keys when it is installed; nullopt otherwise.
  static std::optional<Keys> Probe(const std::string& schema);

  explicit GSettingsWallpaper(Keys keys) : keys_(std::move(keys)) {}

  // The file becomes picture-uri (and picture-uri-dark), tile and style become
  // picture-options; the origins have no counterpart. Raises gsettings' message.
  void WriteValues(const std::string& file, WallpaperStyle style) override;
  // The desktop follows its settings by itself: only the announcement is left.
  void Reload() override;
  bool SpansMonitors() const override { return true; }
  // A file:// URI carries any name's bytes, %-encoded.
  bool TakesFileName(const std::string&) const override { return true; }
  // The file picture-uri names; "" when the desktop shows no picture.
  std::optional<std::string> ReadWallpaper() override;

 private:
  Keys keys_;
};

// "centered", "wallpaper" (tiled), "stretched" or "spanned"; "none" without a file.
std::string PictureOptionsFor(const std::string& file, WallpaperStyle style);
// A local path as a file URI, every byte outside [A-Za-z0-9-._~/] escaped.
std::string FileUriFor(const std::string& path);
// The path a local file URI names; anything else comes back unchanged.
std::string PathFromUri(const std::string& uri);
// GVariant text of a string ('...', with backslash escapes), and back.
std::string GVariantString(const std::string& text);
std::optional<std::string> ParseGVariantString(const std::string& text);

// Every key of a schema with its value as GVariant text, from one gsettings
// process; nullopt when gsettings fails (no such schema, no gsettings).
std::optional<std::map<std::string, std::string>> ReadGSettingsSchema(const std::string& schema);
// Sets one key to a GVariant text; raises gsettings' own message.
void WriteGSettingsKey(const std::string& schema, const std::string& key, const std::string& value);

}  // namespace toviwall::platform
