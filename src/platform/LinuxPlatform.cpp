#include "platform/LinuxPlatform.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "base/SettingsPaths.h"
#include "platform/DesktopWallpaperChoice.h"
#include "platform/freedesktop/FreedesktopSystemActions.h"
#include "platform/freedesktop/PortalGlobalHotKeys.h"
#include "platform/freedesktop/StatusNotifierTray.h"
#include "platform/local/InotifyDirectoryWatch.h"
#include "platform/local/LocalSingleInstance.h"
#include "platform/local/SessionEndSignals.h"
#include "platform/local/XdgAutoStart.h"
#include "platform/null/NullPlatform.h"
#include "platform/sway/SwayScreen.h"
#include "platform/sway/SwaySession.h"
#include "platform/wayland/QtScreen.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11DisplayModes.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "platform/x11/X11Screen.h"
#include "platform/x11/X11TrayHost.h"

namespace toviwall::platform {
bool X11DisplayAvailable() { return CanOpenX11Display(); }

bool WaylandSession() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  const char* type = std::getenv("XDG_SESSION_TYPE");
  return (display && *display) || (type && std::string_view(type) == "wayland");
}

bool WaylandDisplayAvailable() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  std::string path = name && *name ? name : "wayland-0";
  if (path.front() != '/') {
    const std::string runtime = ProcessEnvironment::UserFolders().runtimeDir;
    if (runtime.empty()) return false;
    path = runtime + "/" + path;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& settingsFile) {
  return std::make_unique<LocalSingleInstance>(std::string(), settingsFile);
}

std::unique_ptr<Platform> CreateLinuxPlatform(std::unique_ptr<SingleInstance> singleInstance,
                                              const std::string& configHome) {
  Platform::Parts parts;
  parts.singleInstance = std::move(singleInstance);
  parts.sessionEnd = std::make_unique<SessionEndSignals>();
  const bool onX11 = QtX11Display() != nullptr;
  if (WaylandSession()) {
    // Even when Qt runs on Xwayland: its root window and key grabs reach
    // only our own windows there, so neither the painter nor the grabs.
    std::shared_ptr<SwaySession> sway = SwaySession::FromEnvironment();
    if (sway) parts.screen = std::make_unique<SwayScreen>(sway);
    else parts.screen = std::make_unique<QtScreen>();
    parts.desktopWallpaper = CreateWaylandDesktopWallpaper(sway);
    parts.desktopIcons = CreateWaylandDesktopIcons();
    parts.globalHotKeys = std::make_unique<PortalGlobalHotKeys>();
    parts.displayModes = std::make_unique<NullDisplayModes>(
        "A Wayland compositor sets display modes in its own display settings; programs cannot.");
    if (onX11) parts.windowActivation = std::make_unique<X11WindowActivation>();
  } else if (onX11) {
    parts.windowActivation = std::make_unique<X11WindowActivation>();
    parts.screen = std::make_unique<X11Screen>();
    parts.desktopWallpaper = CreateDesktopWallpaper(QtX11DisplayName());
    parts.displayModes = CreateX11DisplayModes(QtX11DisplayName());
    parts.desktopIcons = CreateDesktopIcons(QtX11DisplayName());
    parts.globalHotKeys = CreateX11GlobalHotKeys();
  }
  parts.systemActions = std::make_unique<FreedesktopSystemActions>(onX11 && !WaylandSession());
  parts.trayHost = CreateStatusNotifierTray(CreateX11TrayHost());
  parts.directoryWatch = std::make_unique<InotifyDirectoryWatch>();
  parts.autoStart = std::make_unique<XdgAutoStart>(configHome);
  return std::make_unique<Platform>(std::move(parts));
}

}  // namespace toviwall::platform
