#pragma once
// The notification area chosen by what the session runs: icons are
// StatusNotifierItems wherever a tray has registered with the session bus's
// org.kde.StatusNotifierWatcher (KDE, XFCE's panel, LXQt, waybar, GNOME with the
// AppIndicator extension; on X11 and on Wayland), and go to the fallback tray
// (XEmbed on X11) where none has. A tray of either kind that appears, starts
// again, or leaves the other kind alone is announced as a tray created: the
// program adds its icon again, which puts it where it now belongs, and never in
// both.
//
// An icon that has no menu to hand over stays in an XEmbed tray where one runs:
// StatusNotifierItem trays such as XFCE's never ask the program for its menu.
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <memory>

#include "platform/TrayHost.h"

namespace toviwall::platform {

class StatusNotifierTray final : public QObject, public TrayHost {
  Q_OBJECT

 public:
  // Takes over the connection `connectionName` to the session bus at
  // `busAddress` (closed at the end); `fallback` may be null.
  StatusNotifierTray(const QString& busAddress, const QString& connectionName, std::unique_ptr<TrayHost> fallback);
  ~StatusNotifierTray() override;

  std::unique_ptr<TrayIcon> CreateIcon(const std::string& name) override;
  bool TrayRunning() override { return itemTray_ || FallbackRunning(); }

  // Where an icon belongs now: in the StatusNotifierItem tray, or not.
  bool TakesItem(bool withMenu) { return itemTray_ && (withMenu || !FallbackRunning()); }

 private slots:
  void HostRegistered();
  void HostUnregistered();

 private:
  bool FallbackRunning() { return fallback_ && fallback_->TrayRunning(); }
  void WatcherChanged(const QString& owner);
  void AskWatcher(bool newWatcher);
  void SetItemTray(bool running);

  QString busAddress_;
  QString connectionName_;
  QDBusConnection bus_;
  std::unique_ptr<TrayHost> fallback_;
  QDBusServiceWatcher watcher_;
  QString watcherOwner_;
  bool itemTray_ = false;  // a watcher runs with a tray registered
};

// The StatusNotifierItem tray on the session's bus (DBUS_SESSION_BUS_ADDRESS, else
// $XDG_RUNTIME_DIR/bus), falling back to `fallback`; `fallback` itself when the
// session has no bus, or its bus does not answer.
std::unique_ptr<TrayHost> CreateStatusNotifierTray(std::unique_ptr<TrayHost> fallback);

}  // namespace toviwall::platform
