#pragma once
// The platform capabilities the program uses, created once by the program entry
// (LinuxPlatform.h) and handed to the main window, which hands each feature the
// ones it uses. Every capability is always there: one the session lacks is its
// null implementation. Tests build their own bundle.
#include <memory>

#include "platform/AutoStart.h"
#include "platform/DesktopIcons.h"
#include "platform/DesktopWallpaper.h"
#include "platform/DirectoryWatch.h"
#include "platform/DisplayModes.h"
#include "platform/GlobalHotKeys.h"
#include "platform/Screen.h"
#include "platform/SessionEnd.h"
#include "platform/SingleInstance.h"
#include "platform/SystemActions.h"
#include "platform/TrayHost.h"
#include "platform/WindowActivation.h"

namespace toviwall::platform {

class Platform {
 public:
  struct Parts {
    std::unique_ptr<SingleInstance> singleInstance;
    std::unique_ptr<SessionEnd> sessionEnd;
    std::unique_ptr<WindowActivation> windowActivation;
    std::unique_ptr<Screen> screen;
    std::unique_ptr<DesktopWallpaper> desktopWallpaper;
    std::unique_ptr<DesktopIcons> desktopIcons;
    std::unique_ptr<TrayHost> trayHost;
    std::unique_ptr<GlobalHotKeys> globalHotKeys;
    std::unique_ptr<DisplayModes> displayModes;
    std::unique_ptr<SystemActions> systemActions;
    std::unique_ptr<DirectoryWatch> directoryWatch;
    std::unique_ptr<AutoStart> autoStart;
  };
  // Missing parts become their null implementations.
  explicit Platform(Parts parts);
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  SingleInstance& singleInstance() { return *parts_.singleInstance; }
  SessionEnd& sessionEnd() { return *parts_.sessionEnd; }
  WindowActivation& windowActivation() { return *parts_.windowActivation; }
  Screen& screen() { return *parts_.screen; }
  DesktopWallpaper& desktopWallpaper() { return *parts_.desktopWallpaper; }
  DesktopIcons& desktopIcons() { return *parts_.desktopIcons; }
  TrayHost& trayHost() { return *parts_.trayHost; }
  GlobalHotKeys& globalHotKeys() { return *parts_.globalHotKeys; }
  DisplayModes& displayModes() { return *parts_.displayModes; }
  SystemActions& systemActions() { return *parts_.systemActions; }
  DirectoryWatch& directoryWatch() { return *parts_.directoryWatch; }
  AutoStart& autoStart() { return *parts_.autoStart; }

 private:
  Parts parts_;
};

}  // namespace toviwall::platform
