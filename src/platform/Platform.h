#pragma once
// The platform capabilities the program uses, created once by the program entry
// and handed to the main window. Every capability is always there: one the
// session lacks is its null implementation. Tests build their own bundle.
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// The per-user single instance, which is also the only one on `settingsFile`
// (the settings file this start runs on, or would) whatever its per-user
// folder; made before the Qt application exists, so a second start ends at once.
std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& settingsFile);

// Starts `program` with `args` in a session of its own (the terminal's end or
// Ctrl+C do not reach it), with `extraEnv` ("NAME=value") added to this
// process's environment: the program, for a command of the command line when
// it is not running. Its input is /dev/null, and so are its output and error
// output where they are pipes: whoever reads ours would otherwise wait for the
// program to end. Answers the process id; throws std::runtime_error saying why
// it could not start.
int StartInBackground(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extraEnv);
// The exit status of a process StartInBackground started, once it has ended
// (128 + the signal when one ended it).
std::optional<int> BackgroundExitStatus(int pid);

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
