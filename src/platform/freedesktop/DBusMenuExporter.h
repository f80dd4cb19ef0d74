#pragma once
// A tray icon's menu over com.canonical.dbusmenu: the layout with each item's
// caption, enabled and visible state, check mark, sub-menu, picture and default
// mark, read from the menu whenever the tray asks for it; an item clicked there
// is triggered in the program. The interface has no property for a menu's
// default item: it goes as "x-toviwall-default", which trays may ignore.
#include <QDBusAbstractAdaptor>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "platform/TrayMenuSource.h"
#include "platform/freedesktop/DBusTrayTypes.h"

class QAction;

namespace toviwall::platform {

class DBusMenuExporter final : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
  Q_PROPERTY(uint Version READ Version)
  Q_PROPERTY(QString TextDirection READ TextDirection)
  Q_PROPERTY(QString Status READ Status)
  Q_PROPERTY(QStringList IconThemePath READ IconThemePath)

 public:
  // Exports the menu on `object`, which the caller registers on its bus.
  DBusMenuExporter(QObject* object, std::shared_ptr<TrayMenuSource> source);
  ~DBusMenuExporter() override;

  uint Version() const { return 3; }
  QString TextDirection() const;
  QString Status() const { return QStringLiteral("normal"); }
  QStringList IconThemePath() const { return {}; }

 public slots:
  // (Types spelt out whole: QtDBus finds them by the names moc records.)
  uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                 toviwall::platform::DBusMenuLayout& layout);
  QList<toviwall::platform::DBusMenuItem> GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
  QDBusVariant GetProperty(int id, const QString& name);
  void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
  QList<int> EventGroup(const QList<toviwall::platform::DBusMenuEvent>& events);
  bool AboutToShow(int id);
  QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

 signals:
  void LayoutUpdated(uint revision, int parent);
  void ItemActivationRequested(int id, uint timestamp);

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  int IdOf(QAction* action);
  QObject* MenuOf(int id);
  void Watch(QObject* menu);
  QVariantMap Properties(int id, QObject* parentMenu, const QStringList& names);
  DBusMenuLayout Layout(int id, QObject* menu, int depth, const QStringList& names);
  void Changed();
  bool Flush();

  std::shared_ptr<TrayMenuSource> source_;
  QHash<QAction*, int> ids_;
  QHash<int, QPointer<QAction>> actions_;
  QHash<int, QPointer<QObject>> parents_;  // the menu each item was last seen in
  QHash<QObject*, QPointer<QObject>> watched_;
  int nextId_ = 1;
  uint revision_ = 1;
  bool changed_ = false;
  bool flushQueued_ = false;
};

// A caption as dbusmenu shows it: Qt's "&" marks (and "&&") become "_" marks
// (and a "_" becomes "__").
QString DBusMenuLabel(const QString& caption);

}  // namespace toviwall::platform
