#pragma once
// Catches the X protocol errors of a stretch of Xlib calls. For Xlib sources
// only: Xlib's macros (Bool, Status, None) break Qt's headers.
#include <X11/Xlib.h>

#include <mutex>
#include <utility>

namespace toviwall::platform {

// Xlib reports protocol errors to one process-wide handler with no user data,
// on the thread that reads the connection's replies: each thread's traps keep
// the first error code in a thread's own variable, and the handler stays
// installed while any thread has a trap. Traps nest: an inner trap's errors
// stay its own, an outer one's are kept for it. An error on a thread without
// a trap goes to the handler that was there before.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* dpy) : dpy_(dpy) {
    XSync(dpy_, False);
    outer_ = std::exchange(error_, 0);
    ++depth_;
    std::lock_guard lock(Shared());
    if (installed_++ == 0) previous_ = XSetErrorHandler(&ErrorTrap::Handle);
  }
  ~ErrorTrap() {
    XSync(dpy_, False);
    {
      std::lock_guard lock(Shared());
      if (--installed_ == 0) XSetErrorHandler(previous_);
    }
    --depth_;
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
  static std::mutex& Shared() {
    static std::mutex m;
    return m;
  }
  static int Handle(Display* dpy, XErrorEvent* e) {
    if (depth_ == 0) {
      XErrorHandler previous = nullptr;
      {
        std::lock_guard lock(Shared());
        previous = previous_;
      }
      return previous ? previous(dpy, e) : 0;
    }
    if (!error_) error_ = e->error_code;
    return 0;
  }
  static inline thread_local int error_ = 0;
  static inline thread_local int depth_ = 0;
  static inline int installed_ = 0;                  // traps on all threads
  static inline XErrorHandler previous_ = nullptr;  // while installed_
  Display* dpy_;
  int outer_ = 0;
};

}  // namespace toviwall::platform
