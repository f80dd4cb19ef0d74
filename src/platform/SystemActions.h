#pragma once
// The system commands: the doors of the optical drives, locking the session,
// the screen saver, the desktop's display settings, and the end of the session
// or of the computer's running (log off, reboot, shut down, stand by, hibernate).
#include <string>
#include <vector>

namespace toviwall::platform {

enum class SessionRequest { LogOff, Reboot, ShutDown, PowerOff, Suspend, Hibernate };

// Log off, reboot and shut down end the session's programs.
inline bool EndsSession(SessionRequest what) {
  return what != SessionRequest::Suspend && what != SessionRequest::Hibernate;
}

class SystemActions {
 public:
  virtual ~SystemActions() = default;

  // The optical drives ("sr0", "sr1", ...) in the order of their numbers.
  virtual std::vector<std::string> OpticalDrives() = 0;
  // Opens a drive's door, first unmounting a disc the desktop has mounted.
  // Answers an empty text when it opened, else the reason.
  virtual std::string OpenDoor(const std::string& drive) = 0;
  // False when the door does not move (no such drive, no tray).
  virtual bool CloseDoor(const std::string& drive) = 0;

  // True when the session has a way to lock the screen.
  virtual bool CanLock() = 0;
  virtual void Lock() = 0;
  virtual void ActivateScreenSaver() = 0;
  // Why the screen saver or the display settings cannot be started here, for
  // the user; empty where they can.
  virtual std::string ScreenSaverWhyNot() { return {}; }
  virtual std::string DisplaySettingsWhyNot() { return {}; }
  // Starts the desktop's display settings; nothing happens when there are none.
  virtual void OpenDisplaySettings() = 0;

  virtual bool CanSuspend() = 0;
  virtual bool CanHibernate() = 0;
  // Whether the desktop's session manager takes the request: it asks the
  // session's programs (and the user) first, and ends this program with the
  // session. Otherwise logind takes it, which ends the programs at once.
  virtual bool SessionManagerTakes(SessionRequest) { return false; }
  // Asks the session manager, or the system (`force`: the system, without
  // waiting for programs that delay it). Answers an empty text when the
  // request was taken, else the reason.
  virtual std::string Request(SessionRequest what, bool force) = 0;
};

}  // namespace toviwall::platform
