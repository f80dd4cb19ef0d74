#include "platform/Platform.h"

#include "platform/DesktopWallpaperChoice.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "platform/x11/X11Screen.h"
#include "platform/x11/X11TrayHost.h"

namespace toviwall::platform {

std::unique_ptr<Platform> CreateLinuxPlatform(SingleInstance* singleInstance) {
  auto p = std::make_unique<Platform>();
  p->singleInstance = singleInstance;
  p->screen = std::make_unique<X11Screen>();
  p->desktopWallpaper = CreateDesktopWallpaper(QtX11DisplayName());
  p->trayHost = CreateX11TrayHost();
  p->globalHotKeys = CreateX11GlobalHotKeys();
  return p;
}

}  // namespace toviwall::platform
