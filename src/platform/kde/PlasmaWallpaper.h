#pragma once
// KDE Plasma's wallpaper: plasmashell's scripting call (bus name
// org.kde.plasmashell, org.kde.PlasmaShell.evaluateScript) sets the image
// plugin's Image and FillMode on every desktop containment; None switches them
// to the plain colour plugin. The read-back asks Plasma too: its appletsrc file
// gets a new wallpaperplugin only some ten seconds later.
#include <optional>
#include <string>

#include "platform/DesktopWallpaper.h"
#include "platform/local/SessionBus.h"

namespace toviwall::platform {

class PlasmaWallpaper final : public DesktopWallpaper {
 public:
  // Raises Plasma's own message. For a moment while Plasma starts it has no
  // desktop yet: the change is tried again for up to ten seconds, then refused.
  void WriteValues(const std::string& file, WallpaperStyle style) override;
  void Reload() override { AnnounceSettingsChange(); }
  // What the desktop of the first screen shows, as Plasma answers; its
  // appletsrc file while Plasma is not running or has no desktop yet.
  std::optional<std::string> ReadWallpaper() override;

 private:
  SessionBus bus_;
};

// Runs a script in plasmashell and answers what it print()ed. Throws Plasma's
// message ("Error: TypeError: ... at line 1") or the bus's.
std::string RunPlasmaScript(SessionBus& bus, const std::string& script);
// The script for Plasma 5's desktop scripting API; it prints how many desktops
// it changed. A desktop that holds `file` already gets its second spelling.
std::string PlasmaWallpaperScript(const std::string& file, WallpaperStyle style);
// The image plugin's FillMode (Qt's Image.fillMode): 6 centred (Pad), 3 tiled, 0 stretched.
int PlasmaFillModeFor(WallpaperStyle style);
// The wallpaper the appletsrc text gives the desktop of the first screen: the
// Image's path, "" for a desktop without a picture; nullopt when it names none.
std::optional<std::string> PlasmaWallpaperFromAppletsrc(const std::string& text);
// Where Plasma keeps it.
std::string PlasmaAppletsrcPath();

}  // namespace toviwall::platform
