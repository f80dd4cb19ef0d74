#pragma once
// The platform capabilities the program uses, created once by the program entry
// and handed to the main window. Tests build their own bundle with doubles only
// where the real thing cannot run here.
#include <memory>

#include "platform/DesktopWallpaper.h"
#include "platform/GlobalHotKeys.h"
#include "platform/Screen.h"
#include "platform/SingleInstance.h"
#include "platform/TrayHost.h"

namespace toviwall::platform {

struct Platform {
  SingleInstance* singleInstance = nullptr;  // owned by the program entry
  std::unique_ptr<Screen> screen;
  std::unique_ptr<DesktopWallpaper> desktopWallpaper;  // chosen from the session at start-up
  std::unique_ptr<TrayHost> trayHost;                  // none when not on X11
  std::unique_ptr<GlobalHotKeys> globalHotKeys;        // none when not on X11
};

// The real Linux (X11) implementations. Needs the Qt application to exist.
std::unique_ptr<Platform> CreateLinuxPlatform(SingleInstance* singleInstance);

}  // namespace toviwall::platform
