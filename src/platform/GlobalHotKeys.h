#pragma once
// System-wide key combinations. A combination is a virtual-key code with the
// modifier value 1 Alt, 2 Ctrl, 4 Shift, 8 Super (added); when it is pressed, whichever
// window has the focus, a HotKeyEvent with its identifier is posted to the
// object it was registered for.
#include <QEvent>
#include <QObject>
#include <functional>
#include <string>

namespace toviwall::platform {

class HotKeyEvent final : public QEvent {
 public:
  explicit HotKeyEvent(int id) : QEvent(EventType()), id_(id) {}
  int Id() const { return id_; }
  static QEvent::Type EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

 private:
  int id_;
};

// Why a combination was not taken.
enum class HotKeyRefusal {
  None,
  Refused,         // the system said no, without a reason
  TakenElsewhere,  // another program holds it
  TakenHere,       // it is another of this program's combinations already
  NoSuchKey,       // the keyboard has no key for it
  NeedsModifier,   // a key that types, without Ctrl, Alt or Super
};

class GlobalHotKeys {
 public:
  virtual ~GlobalHotKeys() = default;
  // Takes the combination for `receiver` under `id`. False when the system (or
  // another program) refuses it; then nothing is taken.
  virtual bool Register(QObject* receiver, int id, unsigned modifier, unsigned virtualKey) = 0;
  // Why the last Register answered false.
  virtual HotKeyRefusal LastRefusal() const { return HotKeyRefusal::Refused; }
  // Gives the combination of `receiver` and `id` back. False when there is none.
  virtual bool Unregister(QObject* receiver, int id) = 0;
  // The virtual-key code of a key press, from its keyboard code and keysym (what a
  // hot key box stores); 0 for a key that has none.
  virtual unsigned VirtualKeyOfKeyPress(unsigned keycode, unsigned keysym) = 0;

  // Whether a combination taken here can ever be pressed. Where it cannot (a
  // Wayland compositor that offers no global shortcuts), combinations are still
  // taken and kept, and WhyNot says why none fires. On Wayland the answer comes
  // some time after the start; `changed` runs whenever it may have changed.
  virtual bool Available() const { return true; }
  virtual std::string WhyNot() const { return {}; }
  virtual void OnAvailabilityChanged(std::function<void()> changed) { (void)changed; }
};

}  // namespace toviwall::platform
