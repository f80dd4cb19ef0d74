#pragma once
// Bringing one of our windows to the front when the window manager's focus
// stealing prevention refuses a plain request (the command came from a hot key
// or the tray, not from a click into our own window).
namespace toviwall::platform {

class WindowActivation {
 public:
  virtual ~WindowActivation() = default;
  // `window` is the native window id of a top-level window of ours.
  virtual void ForceActivate(unsigned long window) = 0;
};

}  // namespace toviwall::platform
