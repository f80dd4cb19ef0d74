#include "platform/freedesktop/SessionManager.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace toviwall::platform {
namespace {

const QString kGnome = QStringLiteral("org.gnome.SessionManager");
const QString kLogoutPrompt = QStringLiteral("org.kde.LogoutPrompt");
const QString kKsmServer = QStringLiteral("org.kde.ksmserver");

// The session managers can take a moment to show their confirmation.
constexpr int kCallTimeoutMs = 10000;

// The desktops whose session manager is reached through its logout tool,
// and how a running one shows: a name it owns on the bus, or a variable it
// gives the session. Without options each tool shows the desktop's own
// leave dialog, where the user confirms (and may choose otherwise).
struct LogoutTool {
  const char* busName;
  const char* variable;
  const char* program;
};
const LogoutTool kLogoutTools[] = {
    {"org.xfce.SessionManager", nullptr, "xfce4-session-logout"},
    {"org.lxqt.session", nullptr, "lxqt-leave"},
    {nullptr, "_LXSESSION_PID", "lxsession-logout"},
};

enum class Kind { None, Gnome, KdePrompt, KsmServer, Tool };
struct Found {
  Kind kind = Kind::None;
  QString tool;  // the logout tool's path
};

bool HasOwner(QDBusConnection& bus, const QString& name) {
  QDBusConnectionInterface* names = bus.interface();
  return names && names->isServiceRegistered(name).value();
}

bool Activatable(QDBusConnection& bus, const QString& name) {
  QDBusConnectionInterface* names = bus.interface();
  return names && names->activatableServiceNames().value().contains(name);
}

Found Find(QDBusConnection& bus) {
  if (!bus.isConnected()) return {};
  if (HasOwner(bus, kGnome)) return {Kind::Gnome, {}};
  // Plasma starts its logout prompt on demand; ksmserver runs in every Plasma session.
  if (HasOwner(bus, kLogoutPrompt)) return {Kind::KdePrompt, {}};
  if (HasOwner(bus, kKsmServer)) return {Activatable(bus, kLogoutPrompt) ? Kind::KdePrompt : Kind::KsmServer, {}};
  for (const LogoutTool& tool : kLogoutTools) {
    const bool runs = tool.busName ? HasOwner(bus, QString::fromLatin1(tool.busName))
                                   : !qEnvironmentVariableIsEmpty(tool.variable);
    if (!runs) continue;
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool.program));
    if (!path.isEmpty()) return {Kind::Tool, path};
  }
  return {};
}

QDBusMessage Call(QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args = {}) {
  QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
  message.setArguments(args);
  return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

QDBusMessage CallGnome(QDBusConnection& bus, SessionRequest what) {
  auto call = [&bus](const char* method, const QVariantList& args = {}) {
    return Call(bus, kGnome, QStringLiteral("/org/gnome/SessionManager"), kGnome, QString::fromLatin1(method), args);
  };
  // Logout mode 0: with the desktop's confirmation. Reboot and Shutdown confirm
  // too; older MATE sessions have only the Request forms.
  if (what == SessionRequest::LogOff) return call("Logout", {0u});
  const bool reboot = what == SessionRequest::Reboot;
  QDBusMessage reply = call(reboot ? "Reboot" : "Shutdown");
  if (reply.type() == QDBusMessage::ErrorMessage &&
      reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"))
    reply = call(reboot ? "RequestReboot" : "RequestShutdown");
  return reply;
}

QDBusMessage CallKde(QDBusConnection& bus, Kind kind, SessionRequest what) {
  const bool logOff = what == SessionRequest::LogOff, reboot = what == SessionRequest::Reboot;
  if (kind == Kind::KdePrompt) {
    const char* method = logOff ? "promptLogout" : reboot ? "promptReboot" : "promptShutDown";
    return Call(bus, kLogoutPrompt, QStringLiteral("/LogoutPrompt"), kLogoutPrompt, QString::fromLatin1(method));
  }
  // Confirmed by the user (1); no shutdown (0), reboot (1) or halt (2); the default mode (-1).
  return Call(bus, kKsmServer, QStringLiteral("/KSMServer"), QStringLiteral("org.kde.KSMServerInterface"),
              QStringLiteral("logout"), {1, logOff ? 0 : reboot ? 1 : 2, -1});
}

}  // namespace

bool SessionManagerRuns(QDBusConnection bus) { return Find(bus).kind != Kind::None; }

std::string AskSessionManager(QDBusConnection bus, SessionRequest what) {
  const Found found = Find(bus);
  QDBusMessage reply;
  switch (found.kind) {
    case Kind::None: return "no session manager runs";
    case Kind::Tool:
      if (QProcess::startDetached(found.tool, {}, QDir::homePath())) return {};
      return "cannot start " + found.tool.toStdString();
    case Kind::Gnome: reply = CallGnome(bus, what); break;
    case Kind::KdePrompt:
    case Kind::KsmServer: reply = CallKde(bus, found.kind, what); break;
  }
  if (reply.type() == QDBusMessage::ReplyMessage) return {};
  const QString text = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
  return text.toStdString();
}

}  // namespace toviwall::platform
