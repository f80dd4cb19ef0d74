#pragma once
// One tray icon as a StatusNotifierItem: on a session bus connection of its own,
// the service "org.kde.StatusNotifierItem-<pid>-<n>" holds the item at
// /StatusNotifierItem (its pictures as pixmaps, its tip) and its menu at
// /MenuBar (com.canonical.dbusmenu), and is registered with the tray's
// org.kde.StatusNotifierWatcher.
//
// The tray calls Activate for a left click: one, two or three times for a
// double click, by host. A left click runs the double-click action once: it is
// reported as a double-click, and further calls within the double-click
// interval of the last are dropped. SecondaryActivate is a middle click,
// ContextMenu a right click (a tray asks for it when it cannot show the menu).
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QIcon>
#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "platform/TrayHost.h"
#include "platform/freedesktop/DBusTrayTypes.h"

namespace toviwall::platform {

class StatusNotifierItem;

class StatusNotifierItemAdaptor final : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
  Q_PROPERTY(QString Category READ Category)
  Q_PROPERTY(QString Id READ Id)
  Q_PROPERTY(QString Title READ Title)
  Q_PROPERTY(QString Status READ Status)
  Q_PROPERTY(int WindowId READ WindowId)
  Q_PROPERTY(QString IconThemePath READ NoName)
  Q_PROPERTY(QDBusObjectPath Menu READ Menu)
  Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)
  Q_PROPERTY(QString IconName READ NoName)
  Q_PROPERTY(toviwall::platform::SniImages IconPixmap READ IconPixmap)
  Q_PROPERTY(QString OverlayIconName READ NoName)
  Q_PROPERTY(toviwall::platform::SniImages OverlayIconPixmap READ NoImages)
  Q_PROPERTY(QString AttentionIconName READ NoName)
  Q_PROPERTY(toviwall::platform::SniImages AttentionIconPixmap READ NoImages)
  Q_PROPERTY(QString AttentionMovieName READ NoName)
  Q_PROPERTY(toviwall::platform::SniToolTip ToolTip READ ToolTip)

 public:
  StatusNotifierItemAdaptor(QObject* object, StatusNotifierItem& item);

  QString Category() const { return QStringLiteral("ApplicationStatus"); }
  QString Id() const;
  QString Title() const;
  QString Status() const { return QStringLiteral("Active"); }
  int WindowId() const { return 0; }
  QDBusObjectPath Menu() const;
  bool ItemIsMenu() const { return false; }
  SniImages IconPixmap() const;
  SniToolTip ToolTip() const;
  QString NoName() const { return {}; }
  SniImages NoImages() const { return {}; }

 public slots:
  void ContextMenu(int x, int y);
  void Activate(int x, int y);
  void SecondaryActivate(int x, int y);
  void Scroll(int delta, const QString& orientation);

 signals:
  void NewTitle();
  void NewIcon();
  void NewAttentionIcon();
  void NewOverlayIcon();
  void NewToolTip();
  void NewStatus(const QString& status);

 private:
  StatusNotifierItem& item_;
};

class StatusNotifierItem final : public TrayIcon {
 public:
  // `busAddress`: the session bus. `id` names the item for the tray (its "Id").
  StatusNotifierItem(const QString& busAddress, std::string id);
  ~StatusNotifierItem() override;
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  // Registers the item with the watcher running now; false when it is
  // registered with that one already, or no watcher runs.
  bool Add(const QIcon& image) override;
  bool Modify(const QIcon& image) override;
  bool Delete() override;
  void SetToolTip(const std::string& text) override;
  void SetMenu(std::shared_ptr<TrayMenuSource> menu) override;

  // The item's service on the bus; empty while it is not in the tray.
  QString Service() const { return registered_ ? service_ : QString(); }

 private:
  friend class StatusNotifierItemAdaptor;
  void ExportMenu();
  void Post(unsigned kind);
  void Activated();
  QString WatcherOwner();

  const int number_;
  QString connectionName_;
  QDBusConnection bus_;
  QString service_;
  QString id_;
  QIcon image_;
  mutable std::optional<SniImages> images_;  // image_ as pixmaps, made when first asked for
  QString tip_;
  std::shared_ptr<TrayMenuSource> menu_;
  QObject itemObject_;
  StatusNotifierItemAdaptor* adaptor_;  // owned by itemObject_
  std::unique_ptr<QObject> menuObject_;
  bool registered_ = false;
  QString registeredWith_;  // the watcher's unique name at the registration
  QElapsedTimer sinceActivate_;
  QObject context_;  // queued reports die with the item
};

}  // namespace toviwall::platform
