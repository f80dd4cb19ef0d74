#pragma once
// XFCE's wallpaper, which xfdesktop draws: the channel xfce4-desktop keeps a
// picture and a style per monitor and workspace
// (/backdrop/screen0/monitor<NAME>/workspace<N>/last-image and image-style).
// We set every one xfdesktop uses, so the picture follows across workspaces.
#include <optional>
#include <string>
#include <vector>

#include "platform/DesktopWallpaper.h"
#include "platform/xfce/Xfconf.h"

namespace toviwall::platform {

class XfconfWallpaper final : public DesktopWallpaper {
 public:
  // `display` (empty: $DISPLAY) tells the monitors and the number of workspaces.
  explicit XfconfWallpaper(std::string display) : display_(std::move(display)), desktop_("xfce4-desktop") {}

  // Raises xfconf's own message.
  void WriteValues(const std::string& file, WallpaperStyle style) override;
  void Reload() override { AnnounceSettingsChange(); }
  bool SpansMonitors() const override { return true; }
  // One D-Bus call. When the workspaces disagree, the one that differs from
  // what we set: someone changed it. "" where the style shows no picture.
  std::optional<std::string> ReadWallpaper() override;

 private:
  std::string display_;
  XfconfChannel desktop_;
  std::string written_;
};

// xfdesktop's image-style: 1 centred, 2 tiled, 3 stretched; 0 (none) without a file.
int XfceImageStyleFor(const std::string& file, WallpaperStyle style);
// The property folders ("/backdrop/screen0/monitorX/workspaceN") among `keys`.
std::vector<std::string> XfceBackdropFolders(const std::vector<std::string>& keys);

}  // namespace toviwall::platform
