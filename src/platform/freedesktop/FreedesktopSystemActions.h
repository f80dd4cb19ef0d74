#pragma once
// The system commands on a freedesktop session: the desktop's session manager
// for logging off, rebooting and shutting down where one runs; systemd-logind on
// the system bus for locking, power and those without one; the freedesktop
// screen saver on the session bus; xdg-screensaver; the desktops' display
// settings tools; the optical drives through UDisks2 and the kernel; the X
// server's screen saver.
#include <memory>

#include "platform/SystemActions.h"

namespace toviwall::platform {

class FirstWorkingTool;

class FreedesktopSystemActions final : public SystemActions {
 public:
  // `x11`: the X server's screen saver and X-only display tools serve the
  // session (not in a Wayland session, where they reach no screen).
  explicit FreedesktopSystemActions(bool x11);
  ~FreedesktopSystemActions() override;

  std::vector<std::string> OpticalDrives() override;
  std::string OpenDoor(const std::string& drive) override;
  bool CloseDoor(const std::string& drive) override;

  // logind's LockSession for this session, else the screen saver service's
  // Lock, else `xdg-screensaver lock`.
  bool CanLock() override;
  void Lock() override;
  // The session's screen saver service where one runs, else the X server's.
  void ActivateScreenSaver() override;
  std::string ScreenSaverWhyNot() override;
  std::string DisplaySettingsWhyNot() override;
  // The first of the installed display settings tools that does not fail at
  // once, the desktop's own first.
  void OpenDisplaySettings() override;

  bool CanSuspend() override;
  bool CanHibernate() override;
  bool SessionManagerTakes(SessionRequest what) override;
  std::string Request(SessionRequest what, bool force) override;

 private:
  std::vector<std::vector<std::string>> InstalledDisplaySettingsTools() const;

  bool x11_;
  std::unique_ptr<FirstWorkingTool> displaySettings_;
};

}  // namespace toviwall::platform
