#pragma once
// Which desktop wallpaper backend a session gets: the GNOME family's settings
// when the session is such a desktop and its schema is installed, otherwise our
// own root-window painter. TOVIWALL_DESKTOP ("x11", "gnome", "cinnamon") overrides.
#include <memory>
#include <string>

#include "platform/DesktopWallpaper.h"

namespace toviwall::platform {

enum class DesktopBackendKind { X11Painter, Gnome, Cinnamon };

struct DesktopBackendChoice {
  DesktopBackendKind kind = DesktopBackendKind::X11Painter;
  bool forced = false;  // named by the override, not guessed from the session
};

// Decides from the environment's values alone (empty when unset).
DesktopBackendChoice ChooseDesktopBackend(const std::string& override, const std::string& xdgCurrentDesktop,
                                          const std::string& desktopSession);

// The backend for this process's session. `x11Display` names the X display the
// painter draws on; empty means $DISPLAY.
std::unique_ptr<DesktopWallpaper> CreateDesktopWallpaper(const std::string& x11Display);

}  // namespace toviwall::platform
