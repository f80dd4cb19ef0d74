#include "platform/Platform.h"

#include "platform/DesktopWallpaperChoice.h"
#include "platform/freedesktop/FreedesktopSystemActions.h"
#include "platform/local/InotifyDirectoryWatch.h"
#include "platform/local/LocalSingleInstance.h"
#include "platform/local/SessionEndSignals.h"
#include "platform/local/XdgAutoStart.h"
#include "platform/null/NullPlatform.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11DisplayModes.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "platform/x11/X11Screen.h"
#include "platform/x11/X11TrayHost.h"

namespace toviwall::platform {
namespace {

template <class Null, class Capability>
void OrNull(std::unique_ptr<Capability>& part) {
  if (!part) part = std::make_unique<Null>();
}

}  // namespace

Platform::Platform(Parts parts) : parts_(std::move(parts)) {
  OrNull<NullSingleInstance>(parts_.singleInstance);
  OrNull<NullSessionEnd>(parts_.sessionEnd);
  OrNull<NullWindowActivation>(parts_.windowActivation);
  OrNull<NullScreen>(parts_.screen);
  OrNull<NullDesktopWallpaper>(parts_.desktopWallpaper);
  OrNull<NullDesktopIcons>(parts_.desktopIcons);
  OrNull<NullTrayHost>(parts_.trayHost);
  OrNull<NullGlobalHotKeys>(parts_.globalHotKeys);
  OrNull<NullDisplayModes>(parts_.displayModes);
  OrNull<NullSystemActions>(parts_.systemActions);
  OrNull<NullDirectoryWatch>(parts_.directoryWatch);
  OrNull<NullAutoStart>(parts_.autoStart);
}

bool X11DisplayAvailable() { return CanOpenX11Display(); }

std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& settingsFile) {
  return std::make_unique<LocalSingleInstance>(std::string(), settingsFile);
}

std::unique_ptr<Platform> CreateLinuxPlatform(std::unique_ptr<SingleInstance> singleInstance,
                                              const std::string& configHome) {
  Platform::Parts parts;
  parts.singleInstance = std::move(singleInstance);
  parts.sessionEnd = std::make_unique<SessionEndSignals>();
  const bool onX11 = QtX11Display() != nullptr;
  if (onX11) {
    parts.windowActivation = std::make_unique<X11WindowActivation>();
    parts.screen = std::make_unique<X11Screen>();
    parts.desktopWallpaper = CreateDesktopWallpaper(QtX11DisplayName());
    parts.displayModes = CreateX11DisplayModes(QtX11DisplayName());
    parts.desktopIcons = CreateDesktopIcons(QtX11DisplayName());
  }
  parts.systemActions = std::make_unique<FreedesktopSystemActions>();
  parts.trayHost = CreateX11TrayHost();
  parts.globalHotKeys = CreateX11GlobalHotKeys();
  parts.directoryWatch = std::make_unique<InotifyDirectoryWatch>();
  parts.autoStart = std::make_unique<XdgAutoStart>(configHome);
  return std::make_unique<Platform>(std::move(parts));
}

}  // namespace toviwall::platform
