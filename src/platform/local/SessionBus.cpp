#include "platform/local/SessionBus.h"

#include <QDBusConnectionInterface>

#include <atomic>
#include <cstdlib>

namespace toviwall::platform {
namespace {

QString NextName() {
  static std::atomic<int> count{0};
  return QStringLiteral("toviwall-session-%1").arg(++count);
}

QDBusConnection Connect(const QString& name) {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return QDBusConnection::connectToBus(QString::fromUtf8(address), name);
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}

}  // namespace

SessionBus::SessionBus() : name_(NextName()), bus_(Connect(name_)) {}

SessionBus::~SessionBus() { QDBusConnection::disconnectFromBus(name_); }

QDBusMessage SessionBus::Call(const QDBusMessage& message, int timeoutMs) {
  if (!bus_.isConnected())
    return message.createErrorReply(QDBusError::Disconnected,
                                    QStringLiteral("no session bus: ") + bus_.lastError().message());
  return bus_.call(message, QDBus::Block, timeoutMs);
}

bool SessionBus::HasOwner(const QString& name) {
  return bus_.isConnected() && bus_.interface() && bus_.interface()->isServiceRegistered(name).value();
}

std::string DBusErrorText(const QDBusMessage& reply) {
  QString text = reply.errorMessage();
  if (text.isEmpty()) text = reply.errorName();
  return text.toStdString();
}

}  // namespace toviwall::platform
