#pragma once
// The notification area: icons with an image that report what the pointer does
// over them, and the news that a (new) tray has started, after which every icon
// must be added again.
#include <QIcon>
#include <functional>
#include <memory>
#include <string>

namespace toviwall::platform {

class TrayMenuSource;

// What happened at an icon. The kinds carry the numbers of the mouse messages the
// tray icon's callback table is written in.
struct TrayMessage {
  enum Kind : unsigned {
    MouseMove = 0x200,
    LButtonDown = 0x201,
    LButtonUp = 0x202,
    LButtonDblClk = 0x203,
    RButtonDown = 0x204,
    RButtonUp = 0x205,
    RButtonDblClk = 0x206,
    MButtonDown = 0x207,
    MButtonUp = 0x208,
    MButtonDblClk = 0x209,
    MouseLeave = 0x2A3,  // the pointer left the icon
  };
  unsigned kind = MouseMove;
  bool shift = false, ctrl = false, alt = false;  // modifier keys held
};

// One icon in the notification area. Messages arrive from the event loop, never
// from inside a call of Add, Modify or Delete.
class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // Puts the icon into the tray. False when there is no tray or the icon is
  // present already.
  virtual bool Add(const QIcon& image) = 0;
  // Gives the icon a new image. False when it is not present.
  virtual bool Modify(const QIcon& image) = 0;
  // Takes the icon out of the tray. False when it was not present.
  virtual bool Delete() = 0;
  // The tip (UTF-8) for trays that show it themselves; the others report the
  // pointer's moves and leave the tip to the program.
  virtual void SetToolTip(const std::string&) {}
  // The menu for trays that draw it themselves; the others report the right
  // button and leave the menu to the program, and so do those that ask for it
  // (a right-button click reported). nullptr: no menu.
  virtual void SetMenu(std::shared_ptr<TrayMenuSource>) {}

  void SetMessageListener(std::function<void(const TrayMessage&)> listener) { listener_ = std::move(listener); }

 protected:
  void Report(const TrayMessage& message) {
    if (listener_) listener_(message);
  }

 private:
  std::function<void(const TrayMessage&)> listener_;
};

class TrayHost {
 public:
  virtual ~TrayHost() = default;
  // A new icon, not yet in the tray. `name` names its window for tools and tests.
  virtual std::unique_ptr<TrayIcon> CreateIcon(const std::string& name) = 0;
  // True while a tray runs that icons can dock in.
  virtual bool TrayRunning() = 0;

  // Runs whenever a tray starts (also a replacement of a running one).
  void SetTrayCreatedListener(std::function<void()> listener) { trayCreated_ = std::move(listener); }

 protected:
  void AnnounceTrayCreated() {
    if (trayCreated_) trayCreated_();
  }

 private:
  std::function<void()> trayCreated_;
};

}  // namespace toviwall::platform
