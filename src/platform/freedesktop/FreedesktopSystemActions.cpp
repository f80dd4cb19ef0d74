#include "platform/freedesktop/FreedesktopSystemActions.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <optional>

#include "platform/freedesktop/SessionManager.h"
#include "platform/freedesktop/UDisksDrives.h"
#include "platform/local/FirstWorkingTool.h"
#include "platform/local/OpticalDrives.h"
#include "platform/local/SessionBus.h"
#include "platform/x11/X11ScreenSaver.h"

namespace toviwall::platform {
namespace {

const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

constexpr int kQueryTimeoutMs = 5000;
// Power requests may wait for the user to authorise them.
constexpr int kRequestTimeoutMs = 120000;

bool HasOwner(QDBusConnection bus, const QString& name) {
  if (!bus.isConnected()) return false;
  QDBusConnectionInterface* names = bus.interface();
  return names && names->isServiceRegistered(name).value();
}

QDBusMessage Call(QDBusConnection bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args, int timeoutMs = kQueryTimeoutMs,
                  bool interactive = false) {
  QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
  message.setArguments(args);
  message.setInteractiveAuthorizationAllowed(interactive);
  return bus.call(message, QDBus::Block, timeoutMs);
}

bool Ok(const QDBusMessage& reply) { return reply.type() == QDBusMessage::ReplyMessage; }

QString Reason(const QDBusMessage& reply) {
  QString text = reply.errorMessage();
  return text.isEmpty() ? reply.errorName() : text;
}

QDBusMessage CallLogin1(const QString& method, const QVariantList& args, int timeoutMs = kQueryTimeoutMs,
                        bool interactive = false) {
  return Call(QDBusConnection::systemBus(), kLogin1, kLogin1Path, kManager, method, args, timeoutMs, interactive);
}

bool Login1Running() { return HasOwner(QDBusConnection::systemBus(), kLogin1); }

// logind's name of the session this program runs in.
std::optional<QString> LoginSessionId() {
  if (!Login1Running()) return std::nullopt;
  const QString fromEnvironment = qEnvironmentVariable("XDG_SESSION_ID");
  if (!fromEnvironment.isEmpty() && Ok(CallLogin1(QStringLiteral("GetSession"), {fromEnvironment})))
    return fromEnvironment;
  QDBusMessage reply = CallLogin1(QStringLiteral("GetSessionByPID"), {static_cast<quint32>(::getpid())});
  if (!Ok(reply) || reply.arguments().isEmpty()) return std::nullopt;
  const QString path = qvariant_cast<QDBusObjectPath>(reply.arguments().front()).path();
  QDBusMessage id = Call(QDBusConnection::systemBus(), kLogin1, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                         QStringLiteral("Get"), {QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Id")});
  if (!Ok(id) || id.arguments().isEmpty()) return std::nullopt;
  QString text = qvariant_cast<QDBusVariant>(id.arguments().front()).variant().toString();
  if (text.isEmpty()) return std::nullopt;
  return text;
}

// Only a session bus the session has: asking for one that is not there would
// start a bus of its own (autolaunch).
std::optional<QDBusConnection> SessionBusIfAny() {
  if (SessionBusAddress().isEmpty()) return std::nullopt;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return std::nullopt;
  return bus;
}

bool ScreenSaverServiceRunning() {
  std::optional<QDBusConnection> bus = SessionBusIfAny();
  return bus && HasOwner(*bus, kScreenSaver);
}

QDBusMessage CallScreenSaver(const QString& method, const QVariantList& args) {
  std::optional<QDBusConnection> bus = SessionBusIfAny();
  if (!bus) return {};
  return Call(*bus, kScreenSaver, kScreenSaverPath, kScreenSaver, method, args);
}

QString XdgScreensaver() { return QStandardPaths::findExecutable(QStringLiteral("xdg-screensaver")); }

// "yes" and "challenge" (allowed after authorisation) both offer the command.
bool Offered(const QString& method) {
  if (!Login1Running()) return false;
  QDBusMessage reply = CallLogin1(method, {});
  if (!Ok(reply) || reply.arguments().isEmpty()) return false;
  const QString answer = reply.arguments().front().toString();
  return answer == QStringLiteral("yes") || answer == QStringLiteral("challenge");
}

struct DisplaySettingsTool {
  const char* desktop;  // the desktop whose own tool it is, as XDG_CURRENT_DESKTOP names it
  std::vector<std::string> command;
  const char* module = nullptr;  // a desktop entry the tool needs besides itself
  bool waylandToo = false;       // it sets a Wayland compositor's displays (the others only X's)
};

// The display settings tools to try, in order: those of the desktops
// XDG_CURRENT_DESKTOP names first, then every other one.
std::vector<const DisplaySettingsTool*> DisplaySettingsTools(const std::string& currentDesktop) {
  // kcmshell comes with any KDE program; its display module only with kscreen.
  static const DisplaySettingsTool kTools[] = {
      {"GNOME", {"gnome-control-center", "display"}, nullptr, true},
      {"KDE", {"kcmshell5", "kcm_kscreen"}, "kcm_kscreen.desktop", true},
      {"KDE", {"kcmshell6", "kcm_kscreen"}, "kcm_kscreen.desktop", true},
      {"XFCE", {"xfce4-display-settings"}},
      {"MATE", {"mate-display-properties"}},
      {"Cinnamon", {"cinnamon-settings", "display"}},
      {"LXQt", {"lxqt-config-monitor"}},
      {"", {"arandr"}},
      {"LXDE", {"lxrandr"}},
  };
  std::vector<const DisplaySettingsTool*> order;
  auto add = [&order](const DisplaySettingsTool& tool) {
    if (std::find(order.begin(), order.end(), &tool) == order.end()) order.push_back(&tool);
  };
  // "ubuntu:GNOME", "X-Cinnamon": the desktop's own tools first, in its order of names.
  for (QString name : QString::fromStdString(currentDesktop).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
    if (name.startsWith(QLatin1String("X-"), Qt::CaseInsensitive)) name.remove(0, 2);
    for (const DisplaySettingsTool& tool : kTools)
      if (*tool.desktop && name.compare(QLatin1String(tool.desktop), Qt::CaseInsensitive) == 0) add(tool);
  }
  for (const DisplaySettingsTool& tool : kTools) add(tool);
  return order;
}

}  // namespace

std::vector<std::string> FreedesktopSystemActions::OpticalDrives() { return ListOpticalDrives("/dev", UDisksOpticalDrives()); }

std::string FreedesktopSystemActions::OpenDoor(const std::string& drive) {
  // The kernel refuses to eject a mounted disc (EBUSY): UDisks2 unmounts it first.
  if (std::optional<std::string> ejected = UDisksEject(drive)) return *ejected;
  return MoveOpticalDriveDoor(drive, true);
}

bool FreedesktopSystemActions::CloseDoor(const std::string& drive) { return MoveOpticalDriveDoor(drive, false).empty(); }

bool FreedesktopSystemActions::CanLock() {
  return LoginSessionId().has_value() || ScreenSaverServiceRunning() || !XdgScreensaver().isEmpty();
}

void FreedesktopSystemActions::Lock() {
  if (std::optional<QString> session = LoginSessionId())
    if (Ok(CallLogin1(QStringLiteral("LockSession"), {*session}))) return;
  if (ScreenSaverServiceRunning() && Ok(CallScreenSaver(QStringLiteral("Lock"), {}))) return;
  const QString tool = XdgScreensaver();
  if (!tool.isEmpty()) QProcess::startDetached(tool, {QStringLiteral("lock")});
}

void FreedesktopSystemActions::ActivateScreenSaver() {
  if (ScreenSaverServiceRunning()) {
    QDBusMessage reply = CallScreenSaver(QStringLiteral("SetActive"), {true});
    if (Ok(reply) && !reply.arguments().isEmpty() && reply.arguments().front().toBool()) return;
  }
  if (x11_) ActivateX11ScreenSaver();
}

std::string FreedesktopSystemActions::ScreenSaverWhyNot() {
  if (x11_ || ScreenSaverServiceRunning()) return {};
  return "This session runs no screen saver service (org.freedesktop.ScreenSaver).";
}

FreedesktopSystemActions::FreedesktopSystemActions(bool x11)
    : x11_(x11), displaySettings_(std::make_unique<FirstWorkingTool>()) {}
FreedesktopSystemActions::~FreedesktopSystemActions() = default;

std::vector<std::vector<std::string>> FreedesktopSystemActions::InstalledDisplaySettingsTools() const {
  std::vector<std::vector<std::string>> installed;
  const std::string desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString();
  for (const DisplaySettingsTool* tool : DisplaySettingsTools(desktop)) {
    if (!x11_ && !tool->waylandToo) continue;
    const QString path = QStandardPaths::findExecutable(QString::fromStdString(tool->command.front()));
    if (path.isEmpty()) continue;
    if (tool->module &&
        QStandardPaths::locate(QStandardPaths::ApplicationsLocation, QString::fromLatin1(tool->module)).isEmpty())
      continue;
    std::vector<std::string> command = tool->command;
    command.front() = path.toStdString();
    installed.push_back(std::move(command));
  }
  return installed;
}

void FreedesktopSystemActions::OpenDisplaySettings() {
  displaySettings_->Start(InstalledDisplaySettingsTools(), QDir::homePath().toStdString());
}

std::string FreedesktopSystemActions::DisplaySettingsWhyNot() {
  if (!InstalledDisplaySettingsTools().empty()) return {};
  return "No display settings tool of this desktop is installed.";
}

bool FreedesktopSystemActions::CanSuspend() { return Offered(QStringLiteral("CanSuspend")); }
bool FreedesktopSystemActions::CanHibernate() { return Offered(QStringLiteral("CanHibernate")); }

bool FreedesktopSystemActions::SessionManagerTakes(SessionRequest what) {
  if (!EndsSession(what)) return false;
  std::optional<QDBusConnection> bus = SessionBusIfAny();
  return bus && SessionManagerRuns(*bus);
}

std::string FreedesktopSystemActions::Request(SessionRequest what, bool force) {
  // The session manager lets the programs save their work first; logind ends them.
  if (!force && SessionManagerTakes(what)) return AskSessionManager(*SessionBusIfAny(), what);
  // logind itself decides about programs that delay the request: it has no
  // stronger form for an unprivileged user.
  QDBusMessage reply;
  switch (what) {
    case SessionRequest::LogOff: {
      std::optional<QString> session = LoginSessionId();
      if (!session) return "no login session";
      reply = CallLogin1(QStringLiteral("TerminateSession"), {*session}, kRequestTimeoutMs, true);
      break;
    }
    case SessionRequest::Reboot: reply = CallLogin1(QStringLiteral("Reboot"), {true}, kRequestTimeoutMs, true); break;
    case SessionRequest::ShutDown: reply = CallLogin1(QStringLiteral("Halt"), {true}, kRequestTimeoutMs, true); break;
    case SessionRequest::PowerOff:
      reply = CallLogin1(QStringLiteral("PowerOff"), {true}, kRequestTimeoutMs, true);
      break;
    case SessionRequest::Suspend: reply = CallLogin1(QStringLiteral("Suspend"), {true}, kRequestTimeoutMs, true); break;
    case SessionRequest::Hibernate:
      reply = CallLogin1(QStringLiteral("Hibernate"), {true}, kRequestTimeoutMs, true);
      break;
  }
  return Ok(reply) ? std::string() : Reason(reply).toStdString();
}

}  // namespace toviwall::platform
