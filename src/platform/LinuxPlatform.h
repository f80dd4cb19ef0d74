#pragma once
// The program's platform on Linux: which session it runs in, whether its
// display answers, the single instance (made before anything else), and the
// bundle of real capabilities the session offers.
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace toviwall::platform {

// The per-user single instance, which is also the only one on `settingsFile`
// (the settings file this start runs on, or would) whatever its per-user
// folder; made before the Qt application exists, so a second start ends at once.
std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& settingsFile);

// True when the X display named by $DISPLAY can be opened. Qt aborts the
// program without one, so the entry asks first.
bool X11DisplayAvailable();

// A Wayland session: WAYLAND_DISPLAY is set, or XDG_SESSION_TYPE says "wayland".
// Its capabilities are Wayland's whichever platform Qt runs on.
bool WaylandSession();
// True when the compositor's socket (WAYLAND_DISPLAY, "wayland-0" when unset,
// in $XDG_RUNTIME_DIR unless a path) takes a connection.
bool WaylandDisplayAvailable();

// The real Linux (X11 or Wayland) implementations, with the single instance made before;
// `configHome` is the user's $XDG_CONFIG_HOME. Needs the Qt application to exist.
std::unique_ptr<Platform> CreateLinuxPlatform(std::unique_ptr<SingleInstance> singleInstance,
                                              const std::string& configHome);

}  // namespace toviwall::platform
