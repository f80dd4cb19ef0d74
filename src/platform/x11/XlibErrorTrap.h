#pragma once
// Catches the X protocol errors of a stretch of Xlib calls. For Xlib sources
// only: Xlib's macros (Bool, Status, None) break Qt's headers.
#include <X11/Xlib.h>

#include <utility>

namespace toviwall::platform {

// Xlib reports protocol errors to one process-wide handler with no user data,
// so the trap keeps the first error code in a static while it is installed.
// Traps nest: an inner trap's errors stay its own, an outer one's are kept for
// it. Everything here runs on the main thread.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* dpy) : dpy_(dpy) {
    XSync(dpy_, False);
    outer_ = std::exchange(error_, 0);
    previous_ = XSetErrorHandler(&ErrorTrap::Handle);
  }
  ~ErrorTrap() {
    XSync(dpy_, False);
    XSetErrorHandler(previous_);
    error_ = outer_;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // The first error since the trap was set (0: none), after the server answered.
  int Error() {
    XSync(dpy_, False);
    return error_;
  }
  void Clear() {
    XSync(dpy_, False);
    error_ = 0;
  }

 private:
  static int Handle(Display*, XErrorEvent* e) {
    if (!error_) error_ = e->error_code;
    return 0;
  }
  static inline int error_ = 0;
  Display* dpy_;
  int outer_ = 0;
  int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

}  // namespace toviwall::platform
