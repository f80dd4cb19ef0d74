#pragma once
// Which desktop a session has, and so which wallpaper and desktop-icon backends
// it gets: the desktop XDG_CURRENT_DESKTOP (or DESKTOP_SESSION when that is
// unset) names; when it names none we know, the program that draws the desktop
// window; our own root-window painter where nothing draws one. A Wayland
// session never gets the painter nor a backend that needs X: there a desktop
// named none of ours is sway when its IPC socket answers.
// TOVIWALL_DESKTOP names a backend and overrides all that.
#include <memory>
#include <string>

#include "platform/DesktopIcons.h"
#include "platform/DesktopWallpaper.h"

namespace toviwall::platform {

class SwaySession;

enum class DesktopBackendKind { X11Painter, Gnome, Cinnamon, Xfce, Mate, Lxde, Lxqt, Kde, Sway };

struct DesktopBackendChoice {
  DesktopBackendKind kind = DesktopBackendKind::X11Painter;
  bool forced = false;  // named by the override, not guessed from the session
};

// Decides from the environment's values and the desktop window's WM_CLASS
// (either part; empty when no desktop window is shown) alone.
DesktopBackendChoice ChooseDesktopBackend(const std::string& override, const std::string& xdgCurrentDesktop,
                                          const std::string& desktopSession,
                                          const std::string& desktopWindowClass = {});

// The backends for this process's X session. `x11Display` names the X display;
// empty means $DISPLAY.
std::unique_ptr<DesktopWallpaper> CreateDesktopWallpaper(const std::string& x11Display);
std::unique_ptr<DesktopIcons> CreateDesktopIcons(const std::string& x11Display);

// The same for a Wayland session; `sway` is the running sway, or null.
std::unique_ptr<DesktopWallpaper> CreateWaylandDesktopWallpaper(const std::shared_ptr<SwaySession>& sway);
std::unique_ptr<DesktopIcons> CreateWaylandDesktopIcons();

}  // namespace toviwall::platform
