#pragma once
// MATE's wallpaper, which caja draws on its desktop window (and the settings
// daemon on the root window without caja): the schema org.mate.background,
// picture-filename (a plain path; empty shows the colours only) and
// picture-options, through the gsettings command.
#include <optional>
#include <string>

#include "platform/DesktopWallpaper.h"

namespace toviwall::platform {

inline constexpr const char* kMateBackgroundSchema = "org.mate.background";

class MateBackgroundWallpaper final : public DesktopWallpaper {
 public:
  // Whether the schema is installed.
  static bool Available();

  // Raises gsettings' own message.
  void WriteValues(const std::string& file, WallpaperStyle style) override;
  void Reload() override { AnnounceSettingsChange(); }
  bool SpansMonitors() const override { return true; }
  // picture-filename; "" when it is empty.
  std::optional<std::string> ReadWallpaper() override;
};

}  // namespace toviwall::platform
