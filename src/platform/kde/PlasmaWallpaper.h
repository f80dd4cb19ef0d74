#pragma once
// KDE Plasma's wallpaper: plasmashell's scripting call (org.kde.PlasmaShell
// evaluateScript) sets the image plugin's Image and FillMode on every desktop
// containment; None switches them to the plain colour plugin. Plasma keeps
// them in plasma-org.kde.plasma.desktop-appletsrc, where we read them back.
#include <optional>
#include <string>

#include "platform/DesktopWallpaper.h"
#include "platform/local/SessionBus.h"

namespace toviwall::platform {

class PlasmaWallpaper final : public DesktopWallpaper {
 public:
  // Raises Plasma's own message.
  void WriteValues(const std::string& file, WallpaperStyle style) override;
  void Reload() override { AnnounceSettingsChange(); }
  // Reads the appletsrc file only.
  std::optional<std::string> ReadWallpaper() override;

 private:
  SessionBus bus_;
};

// The script for Plasma 5's desktop scripting API.
std::string PlasmaWallpaperScript(const std::string& file, WallpaperStyle style);
// The image plugin's FillMode (Qt's Image.fillMode): 6 centred (Pad), 3 tiled, 0 stretched.
int PlasmaFillModeFor(WallpaperStyle style);
// The wallpaper the appletsrc text gives the desktop of the first screen: the
// Image's path, "" for a desktop without a picture; nullopt when it names none.
// `asHanded` keeps the spelling we handed Plasma to make it reload.
std::optional<std::string> PlasmaWallpaperFromAppletsrc(const std::string& text, bool asHanded = false);
// Where Plasma keeps it.
std::string PlasmaAppletsrcPath();

}  // namespace toviwall::platform
