#pragma once
// The D-Bus structures of a StatusNotifierItem (org.kde.StatusNotifierItem) and
// of the menu it exports (com.canonical.dbusmenu), marshalled as those
// interfaces define them.
#include <QByteArray>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>
#include <vector>

class QDBusArgument;

namespace toviwall::platform {

// (iiay): ARGB32 pixels, each in network byte order.
struct SniImage {
  int width = 0;
  int height = 0;
  QByteArray pixels;
};
using SniImages = QList<SniImage>;

// (sa(iiay)ss): icon name, icon, title, text.
struct SniToolTip {
  QString iconName;
  SniImages images;
  QString title;
  QString text;
};

// (ia{sv}av): an item, its properties and its children (each a variant).
struct DBusMenuLayout {
  int id = 0;
  QVariantMap properties;
  std::vector<DBusMenuLayout> children;
};

// (ia{sv})
struct DBusMenuItem {
  int id = 0;
  QVariantMap properties;
};
using DBusMenuItems = QList<DBusMenuItem>;

// (isvu): one event of EventGroup.
struct DBusMenuEvent {
  int id = 0;
  QString eventId;
  QDBusVariant data;
  uint timestamp = 0;
};
using DBusMenuEvents = QList<DBusMenuEvent>;

// Makes the types known to QtDBus; safe to call again.
void RegisterTrayDBusTypes();

QDBusArgument& operator<<(QDBusArgument& arg, const SniImage& image);
const QDBusArgument& operator>>(const QDBusArgument& arg, SniImage& image);
QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& tip);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayout& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayout& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& event);

}  // namespace toviwall::platform

Q_DECLARE_METATYPE(toviwall::platform::SniImage)
Q_DECLARE_METATYPE(toviwall::platform::SniToolTip)
Q_DECLARE_METATYPE(toviwall::platform::DBusMenuLayout)
Q_DECLARE_METATYPE(toviwall::platform::DBusMenuItem)
Q_DECLARE_METATYPE(toviwall::platform::DBusMenuEvent)
