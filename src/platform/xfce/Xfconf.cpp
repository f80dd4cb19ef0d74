#include "platform/xfce/Xfconf.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QVariant>

#include <stdexcept>

namespace toviwall::platform {
namespace {

QDBusMessage Method(const char* name) {
  return QDBusMessage::createMethodCall(QStringLiteral("org.xfce.Xfconf"), QStringLiteral("/org/xfce/Xfconf"),
                                        QStringLiteral("org.xfce.Xfconf"), QString::fromLatin1(name));
}

std::string Text(QVariant v) {
  if (v.canConvert<QDBusVariant>()) v = v.value<QDBusVariant>().variant();
  if (v.typeId() == QMetaType::Bool) return v.toBool() ? "true" : "false";
  return v.toString().toStdString();
}

}  // namespace

void XfconfChannel::Set(const std::string& property, const QVariant& value) {
  QDBusMessage call = Method("SetProperty");
  call << QString::fromStdString(channel_) << QString::fromStdString(property)
       << QVariant::fromValue(QDBusVariant(value));
  QDBusMessage reply = bus_.Call(call);
  if (reply.type() == QDBusMessage::ErrorMessage)
    throw std::runtime_error("Cannot set " + channel_ + " " + property + ": " + DBusErrorText(reply));
}

std::optional<std::map<std::string, std::string>> XfconfChannel::GetAll(const std::string& base) {
  QDBusMessage call = Method("GetAllProperties");
  call << QString::fromStdString(channel_) << QString::fromStdString(base);
  QDBusMessage reply = bus_.Call(call);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    // An empty channel or branch is an error to xfconf, not an empty answer.
    if (reply.errorName().endsWith(QStringLiteral("PropertyNotFound")) ||
        reply.errorName().endsWith(QStringLiteral("ChannelNotFound")))
      return std::map<std::string, std::string>{};
    return std::nullopt;
  }
  std::map<std::string, std::string> values;
  const QVariantMap map = qdbus_cast<QVariantMap>(reply.arguments().first());
  for (auto it = map.begin(); it != map.end(); ++it) values[it.key().toStdString()] = Text(it.value());
  return values;
}

}  // namespace toviwall::platform
