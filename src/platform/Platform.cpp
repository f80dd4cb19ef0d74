#include "platform/Platform.h"

#include "platform/null/NullPlatform.h"

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

}  // namespace toviwall::platform
