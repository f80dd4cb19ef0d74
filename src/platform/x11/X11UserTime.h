#pragma once
// Qt brings its windows to the front with the time of the last user event it
// saw, and the server ignores a focus request older than the last focus change.
// Events this program takes for itself before Qt sees them (its grabbed hot keys,
// clicks on its tray icons) would leave Qt with a stale time, so the command they
// start could not bring a window to the front. X11UserTime makes the server tell
// Qt the current time (a property change on a hidden window of Qt's own) and runs
// the queued actions, in order, once Qt has taken it in.
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QWindow>
#include <functional>
#include <vector>

#include <xcb/xcb.h>

namespace toviwall::platform {

class X11UserTime final : public QAbstractNativeEventFilter {
 public:
  explicit X11UserTime(xcb_connection_t* c);
  ~X11UserTime() override;
  X11UserTime(const X11UserTime&) = delete;
  X11UserTime& operator=(const X11UserTime&) = delete;

  // Runs `action` from the event loop after Qt has learnt the time of now.
  void ThenRun(std::function<void()> action);

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  xcb_connection_t* c_;
  xcb_atom_t atom_ = 0;
  QWindow window_;
  std::vector<std::function<void()>> pending_;
  QObject context_;  // queued actions die with this object
};

}  // namespace toviwall::platform
