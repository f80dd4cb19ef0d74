#include "platform/local/SessionBus.h"

#include <QDBusConnectionInterface>
#include <QFileInfo>

#include <atomic>
#include <cctype>
#include <cstring>
#include <cstdlib>

#include "base/SettingsPaths.h"

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

QString SessionBusAddress() {
  const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  if (!address.isEmpty()) return address;
  const QString runtime = QString::fromStdString(ProcessEnvironment::UserFolders().runtimeDir);
  if (runtime.isEmpty() || !QFileInfo::exists(runtime + QStringLiteral("/bus"))) return {};
  // Bytes other than these are escaped in a bus address.
  QString path;
  for (const char c : (runtime + QStringLiteral("/bus")).toLocal8Bit()) {
    if (std::isalnum(static_cast<unsigned char>(c)) || std::strchr("-_/.\\", c)) path += QLatin1Char(c);
    else path += QStringLiteral("%%%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
  }
  return QStringLiteral("unix:path=") + path;
}

std::string DBusErrorText(const QDBusMessage& reply) {
  QString text = reply.errorMessage();
  if (text.isEmpty()) text = reply.errorName();
  return text.toStdString();
}

}  // namespace toviwall::platform
