#pragma once
// Global hot keys in a Wayland session, where no program may grab keys: the
// compositor takes them through the desktop portal's global shortcuts
// (org.freedesktop.portal.GlobalShortcuts) and the portal tells us when one is
// pressed. Offered by xdg-desktop-portal-kde (Plasma 5.27), GNOME 48 and later,
// Hyprland; not by sway or GNOME 43, where Available() says so.
//
// The portal works by sessions and answers later, so a combination is taken at
// once and handed over with the others a moment after: all the changes made
// in one pass of the event loop (the four keys at start, a key replaced) go to
// the portal as one new session. Plasma takes the shortcuts only from the
// session's creation and opens its shortcut settings at every binding, so a
// session whose creation already shows every shortcut is not bound again. The
// shortcut's id is its trigger: Plasma keeps the keys it stored for an id, so
// a changed combination must come under a new one, and the old one is handed
// back to kglobalaccel, which would keep it taken.
#include <QDBusMessage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/GlobalHotKeys.h"

namespace toviwall::platform {

class SessionBus;

// The trigger text of a combination (modifier value 1 Alt, 2 Ctrl, 4 Shift),
// in the freedesktop trigger format: "CTRL+ALT+n", "SHIFT+F5"; empty
// for a key the table does not know.
std::string PortalTrigger(unsigned modifier, unsigned virtualKey);

class PortalGlobalHotKeys final : public QObject, public GlobalHotKeys {
  Q_OBJECT

 public:
  // On the session bus DBUS_SESSION_BUS_ADDRESS names now; asks the portal at
  // once, without waiting for its answer.
  PortalGlobalHotKeys();
  ~PortalGlobalHotKeys() override;

  bool Register(QObject* receiver, int id, unsigned modifier, unsigned virtualKey) override;
  bool Unregister(QObject* receiver, int id) override;
  unsigned VirtualKeyOfKeyPress(unsigned keycode, unsigned keysym) override;
  bool Available() const override { return offered_ == Offered::Yes; }
  std::string WhyNot() const override;
  void OnAvailabilityChanged(std::function<void()> changed) override { availabilityChanged_ = std::move(changed); }

 private slots:
  void ResponseArrived(const QDBusMessage& message);
  void ActivatedArrived(const QDBusMessage& message);

 private:
  enum class Offered { Unknown, Yes, No };
  struct Key {
    QPointer<QObject> receiver;
    const QObject* owner;  // the receiver's identity, also once it is gone
    int id;
    std::string trigger;
  };
  using Answer = std::function<void(unsigned code, const QVariantMap& results)>;

  void AskPortal();
  void Sync();
  void CloseSession(std::function<void()> then);
  void CreateSession(const std::vector<std::string>& wanted);
  void BindShortcuts(const std::vector<std::string>& wanted);
  void Bound(const std::vector<std::string>& wanted);
  void ForgetPlasmaShortcuts(const std::vector<std::string>& wanted);
  // Calls a portal method that answers through a request object's Response
  // signal; `options` get the request's token.
  void Request(const QString& method, QList<QVariant> args, QVariantMap options, Answer answer);
  QVariant Shortcuts() const;
  std::vector<std::string> Wanted() const;

  std::unique_ptr<SessionBus> bus_;
  Offered offered_ = Offered::Unknown;
  std::string whyNot_;
  std::function<void()> availabilityChanged_;
  std::vector<Key> keys_;
  QTimer sync_;
  bool busy_ = false;                // a change is on its way to the portal
  std::vector<std::string> bound_;  // the triggers of the session (sorted)
  QString session_;                  // its handle; empty when none is open
  QString pendingPath_;              // the request whose Response is awaited
  Answer pendingAnswer_;
  int requests_ = 0;
};

}  // namespace toviwall::platform
