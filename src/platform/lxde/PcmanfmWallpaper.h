#pragma once
// The wallpaper of pcmanfm's and pcmanfm-qt's desktop, set with their own
// command (--set-wallpaper, --wallpaper-mode), which the running desktop takes
// and keeps in its profile's settings, where we read it back.
#include <optional>
#include <string>

#include "platform/DesktopWallpaper.h"
#include "platform/lxde/PcmanfmConfig.h"

namespace toviwall::platform {

class PcmanfmWallpaper final : public DesktopWallpaper {
 public:
  PcmanfmWallpaper(PcmanfmKind kind, std::string display);

  // Raises the command's own message, or says that the desktop is not running.
  void WriteValues(const std::string& file, WallpaperStyle style) override;
  void Reload() override { AnnounceSettingsChange(); }
  // pcmanfm lays one picture across its monitors; pcmanfm-qt shows it whole on each.
  bool SpansMonitors() const override { return desktop_.kind == PcmanfmKind::Gtk; }
  // Reads the settings file only. pcmanfm's "color" mode reads as "".
  std::optional<std::string> ReadWallpaper() override;

 private:
  std::string display_;
  PcmanfmDesktop desktop_;
};

// The --wallpaper-mode word: "center", "tile", "stretch"; "color" without a file.
std::string PcmanfmModeFor(const std::string& file, WallpaperStyle style);

}  // namespace toviwall::platform
