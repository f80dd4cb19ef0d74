#include "platform/freedesktop/DBusTrayTypes.h"

#include <QDBusArgument>
#include <QDBusMetaType>

namespace toviwall::platform {

void RegisterTrayDBusTypes() {
  qDBusRegisterMetaType<SniImage>();
  qDBusRegisterMetaType<SniImages>();
  qDBusRegisterMetaType<SniToolTip>();
  qDBusRegisterMetaType<DBusMenuLayout>();
  qDBusRegisterMetaType<DBusMenuItem>();
  qDBusRegisterMetaType<DBusMenuItems>();
  qDBusRegisterMetaType<DBusMenuEvent>();
  qDBusRegisterMetaType<DBusMenuEvents>();
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniImage& image) {
  arg.beginStructure();
  arg << image.width << image.height << image.pixels;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniImage& image) {
  arg.beginStructure();
  arg >> image.width >> image.height >> image.pixels;
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& tip) {
  arg.beginStructure();
  arg << tip.iconName << tip.images << tip.title << tip.text;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& tip) {
  arg.beginStructure();
  arg >> tip.iconName >> tip.images >> tip.title >> tip.text;
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayout& item) {
  arg.beginStructure();
  arg << item.id << item.properties;
  arg.beginArray(QMetaType::fromType<QDBusVariant>());
  for (const DBusMenuLayout& child : item.children) arg << QDBusVariant(QVariant::fromValue(child));
  arg.endArray();
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayout& item) {
  arg.beginStructure();
  arg >> item.id >> item.properties;
  item.children.clear();
  arg.beginArray();
  while (!arg.atEnd()) {
    QDBusVariant child;
    arg >> child;
    item.children.push_back(qdbus_cast<DBusMenuLayout>(child.variant()));
  }
  arg.endArray();
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItem& item) {
  arg.beginStructure();
  arg << item.id << item.properties;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItem& item) {
  arg.beginStructure();
  arg >> item.id >> item.properties;
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& event) {
  arg.beginStructure();
  arg << event.id << event.eventId << event.data << event.timestamp;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& event) {
  arg.beginStructure();
  arg >> event.id >> event.eventId >> event.data >> event.timestamp;
  arg.endStructure();
  return arg;
}

}  // namespace toviwall::platform
