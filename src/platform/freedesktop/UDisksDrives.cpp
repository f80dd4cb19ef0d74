#include "platform/freedesktop/UDisksDrives.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariantMap>

namespace toviwall::platform {
namespace {

const QString kUDisks = QStringLiteral("org.freedesktop.UDisks2");
const QString kBlockPrefix = QStringLiteral("/org/freedesktop/UDisks2/block_devices/");

constexpr int kQueryTimeoutMs = 5000;
// Unmounting waits for pending writes, ejecting for the tray; either may ask
// the user for authorisation first.
constexpr int kActionTimeoutMs = 60000;

// `action`: a change to the drive, which may wait for the user's authorisation.
QDBusMessage Call(const QString& path, const QString& interface, const QString& method, const QVariantList& args,
                  bool action = false) {
  QDBusMessage message = QDBusMessage::createMethodCall(kUDisks, path, interface, method);
  message.setArguments(args);
  message.setInteractiveAuthorizationAllowed(action);
  return QDBusConnection::systemBus().call(message, QDBus::Block, action ? kActionTimeoutMs : kQueryTimeoutMs);
}

bool Ok(const QDBusMessage& reply) { return reply.type() == QDBusMessage::ReplyMessage; }

std::string Reason(const QDBusMessage& reply) {
  return (reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage()).toStdString();
}

// The block devices' objects, named by the kernel's names ("sr0").
QStringList BlockDevices() {
  if (!QDBusConnection::systemBus().isConnected()) return {};
  QDBusMessage reply = Call(QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                            QStringLiteral("org.freedesktop.UDisks2.Manager"), QStringLiteral("GetBlockDevices"),
                            {QVariantMap()});
  QStringList paths;
  if (!Ok(reply) || reply.arguments().isEmpty()) return paths;
  for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().front()))
    if (path.path().startsWith(kBlockPrefix)) paths.push_back(path.path());
  return paths;
}

bool IsOpticalName(const QString& name) {
  if (name.size() < 3 || !name.startsWith(QLatin1String("sr"))) return false;
  for (qsizetype i = 2; i < name.size(); ++i)
    if (!name[i].isDigit() || name[i].unicode() > 0x7F) return false;
  return true;
}

}  // namespace

std::vector<std::string> UDisksOpticalDrives() {
  std::vector<std::string> drives;
  for (const QString& path : BlockDevices()) {
    const QString name = path.mid(kBlockPrefix.size());
    if (IsOpticalName(name)) drives.push_back(name.toStdString());
  }
  return drives;
}

std::optional<std::string> UDisksEject(const std::string& drive) {
  const QString block = kBlockPrefix + QString::fromStdString(drive);
  if (!IsOpticalName(QString::fromStdString(drive)) || !BlockDevices().contains(block)) return std::nullopt;

  QDBusMessage reply = Call(block, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                            {QStringLiteral("org.freedesktop.UDisks2.Block"), QStringLiteral("Drive")});
  const QString drivePath =
      Ok(reply) && !reply.arguments().isEmpty()
          ? qvariant_cast<QDBusObjectPath>(qvariant_cast<QDBusVariant>(reply.arguments().front()).variant()).path()
          : QString();
  if (drivePath.isEmpty() || drivePath == QStringLiteral("/")) return std::nullopt;

  // A disc without a file system (none, or music) has nothing to unmount.
  reply = Call(block, QStringLiteral("org.freedesktop.UDisks2.Filesystem"), QStringLiteral("Unmount"), {QVariantMap()}, true);
  static const QStringList kNothingMounted = {QStringLiteral("org.freedesktop.UDisks2.Error.NotMounted"),
                                              QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                              QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface")};
  if (!Ok(reply) && !kNothingMounted.contains(reply.errorName())) return "the disc could not be unmounted: " + Reason(reply);

  reply = Call(drivePath, QStringLiteral("org.freedesktop.UDisks2.Drive"), QStringLiteral("Eject"), {QVariantMap()}, true);
  if (!Ok(reply)) return Reason(reply);
  return std::string();
}

}  // namespace toviwall::platform
