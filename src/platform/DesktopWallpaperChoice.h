#pragma once
// Which desktop a session has, and so which wallpaper and desktop-icon backends
// it gets: the desktop XDG_CURRENT_DESKTOP (or DESKTOP_SESSION when that is
// unset) names; when it names none we know, the program that draws the desktop
// window; our own root-window painter where nothing draws one.
// TOVIWALL_DESKTOP names a backend and overrides all that.
#include <memory>
#include <string>

#include "platform/DesktopIcons.h"
#include "platform/DesktopWallpaper.h"

namespace toviwall::platform {

enum class DesktopBackendKind { X11Painter, Gnome, Cinnamon, Xfce, Mate, Lxde, Lxqt, Kde };

struct DesktopBackendChoice {
  DesktopBackendKind kind = DesktopBackendKind::X11Painter;
  bool forced = false;  // named by the override, not guessed from the session
};

// Decides from the environment's values and the desktop window's WM_CLASS
// (either part; empty when no desktop window is shown) alone.
DesktopBackendChoice ChooseDesktopBackend(const std::string& override, const std::string& xdgCurrentDesktop,
                                          const std::string& desktopSession,
                                          const std::string& desktopWindowClass = {});

// The backends for this process's session. `x11Display` names the X display;
// empty means $DISPLAY.
std::unique_ptr<DesktopWallpaper> CreateDesktopWallpaper(const std::string& x11Display);
std::unique_ptr<DesktopIcons> CreateDesktopIcons(const std::string& x11Display);

}  // namespace toviwall::platform
