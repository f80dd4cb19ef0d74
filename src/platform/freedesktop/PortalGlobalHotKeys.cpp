#include "platform/freedesktop/PortalGlobalHotKeys.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "base/AppIdentity.h"
#include "base/ShortCut.h"
#include "platform/local/SessionBus.h"
#include "platform/x11/VirtualKeys.h"

namespace toviwall::platform {
namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
// Plasma names the shortcuts' component after the session's token: a fixed
// one keeps it the same from run to run.
const QString kSessionToken = QString::fromLatin1(kIconName);
const QString kKGlobalAccel = QStringLiteral("org.kde.kglobalaccel");

// The keysyms of the US layout's main block by keyboard code (X and xkb
// numbering), for symbols the table has no code for: a key typed with Shift
// ("!" on the 1 key) stands for its key, as under X, which tells the keyboard's
// own table. A Wayland client has only the compositor's keymap, inside Qt.
constexpr std::uint32_t kUsMainBlock[] = {
    '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '-', '=', 0, 0,  // 10-23
    'q', 'w', 'e', 'r', 't', 'y', 'u', 'i', 'o', 'p', '[', ']', 0, 0,  // 24-37
    'a', 's', 'd', 'f', 'g', 'h', 'j', 'k', 'l', ';', '\'', '`', 0,    // 38-50
    '\\', 'z', 'x', 'c', 'v', 'b', 'n', 'm', ',', '.', '/'};           // 51-61
constexpr unsigned kFirstMainBlockKey = 10, kLessKey = 94;

}  // namespace
}  // namespace toviwall::platform

// The portal's shortcut list, a(sa{sv}): each id with its properties.
struct PortalShortcut {
  QString id;
  QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcut)

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

namespace toviwall::platform {

std::string PortalTrigger(unsigned modifier, unsigned virtualKey) {
  const std::string_view key = KeysymNameForVirtualKey(virtualKey);
  if (key.empty()) return {};
  std::string trigger;
  if (modifier & modCtrl) trigger += "CTRL+";
  if (modifier & modAlt) trigger += "ALT+";
  if (modifier & modShift) trigger += "SHIFT+";
  return trigger + std::string(key);
}

PortalGlobalHotKeys::PortalGlobalHotKeys() : bus_(std::make_unique<SessionBus>()) {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<QList<PortalShortcut>>();
  sync_.setSingleShot(true);
  sync_.setInterval(0);
  connect(&sync_, &QTimer::timeout, this, [this] { Sync(); });
  bus_->Connection().connect(kPortal, kPortalPath, kShortcuts, QStringLiteral("Activated"), this,
                             SLOT(ActivatedArrived(QDBusMessage)));
  AskPortal();
}

PortalGlobalHotKeys::~PortalGlobalHotKeys() = default;

void PortalGlobalHotKeys::AskPortal() {
  // Starts the portal when the bus can; its interfaces are those its backends offer.
  QDBusMessage ask = QDBusMessage::createMethodCall(kPortal, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("Get"));
  ask << kShortcuts << QStringLiteral("version");
  auto* watcher = new QDBusPendingCallWatcher(bus_->Connection().asyncCall(ask), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusMessage reply = w->reply();
    if (reply.type() != QDBusMessage::ReplyMessage) {
      offered_ = Offered::No;
      if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
          reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Disconnected"))
        whyNot_ = "No desktop portal (xdg-desktop-portal) answers on the session bus: " + DBusErrorText(reply);
      else
        whyNot_ = "The desktop offers no global shortcuts (the portal's org.freedesktop.portal.GlobalShortcuts).";
    } else {
      offered_ = Offered::Yes;
      sync_.start();
    }
    if (availabilityChanged_) availabilityChanged_();
  });
}

std::string PortalGlobalHotKeys::WhyNot() const {
  switch (offered_) {
    case Offered::Yes: return {};
    case Offered::No: return whyNot_;
    case Offered::Unknown: break;
  }
  return "The desktop portal has not answered yet.";
}

bool PortalGlobalHotKeys::Register(QObject* receiver, int id, unsigned modifier, unsigned virtualKey) {
  if (!receiver) return false;
  std::string trigger = PortalTrigger(modifier, virtualKey);
  if (trigger.empty()) return false;
  // One combination, one command, as the X server has it.
  for (const Key& k : keys_)
    if (k.trigger == trigger) return false;
  keys_.push_back({receiver, receiver, id, std::move(trigger)});
  sync_.start();
  return true;
}

bool PortalGlobalHotKeys::Unregister(QObject* receiver, int id) {
  auto it = std::find_if(keys_.begin(), keys_.end(), [&](const Key& k) { return k.owner == receiver && k.id == id; });
  if (it == keys_.end()) return false;
  keys_.erase(it);
  sync_.start();
  return true;
}

unsigned PortalGlobalHotKeys::VirtualKeyOfKeyPress(unsigned keycode, unsigned keysym) {
  if (unsigned code = VirtualKeyForKeysym(keysym)) return code;
  if (keycode == kLessKey) return VirtualKeyForKeysym('<');
  if (keycode < kFirstMainBlockKey || keycode - kFirstMainBlockKey >= std::size(kUsMainBlock)) return 0;
  return VirtualKeyForKeysym(kUsMainBlock[keycode - kFirstMainBlockKey]);
}

std::vector<std::string> PortalGlobalHotKeys::Wanted() const {
  std::vector<std::string> wanted;
  for (const Key& k : keys_) wanted.push_back(k.trigger);
  std::sort(wanted.begin(), wanted.end());
  return wanted;
}

void PortalGlobalHotKeys::Sync() {
  if (offered_ != Offered::Yes || busy_) return;
  std::vector<std::string> wanted = Wanted();
  if (wanted == bound_) return;
  busy_ = true;
  // A new session for the new set: Plasma reads the shortcuts only when a
  // session is created.
  CloseSession([this, wanted] {
    if (wanted.empty()) Bound(wanted);
    else CreateSession(wanted);
  });
}

void PortalGlobalHotKeys::CloseSession(std::function<void()> then) {
  if (session_.isEmpty()) {
    then();
    return;
  }
  const QDBusMessage close = QDBusMessage::createMethodCall(kPortal, session_, kSession, QStringLiteral("Close"));
  session_.clear();
  // The next session takes the same token, so it waits until this one is gone.
  auto* watcher = new QDBusPendingCallWatcher(bus_->Connection().asyncCall(close), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [then = std::move(then)](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    then();
  });
}

QVariant PortalGlobalHotKeys::Shortcuts() const {
  QList<PortalShortcut> list;
  for (const Key& k : keys_) {
    const QString trigger = QString::fromStdString(k.trigger);
    list.append({trigger,
                 {{QStringLiteral("description"), QStringLiteral("%1: %2").arg(QString::fromLatin1(kTitle), trigger)},
                  {QStringLiteral("preferred_trigger"), trigger}}});
  }
  return QVariant::fromValue(list);
}

void PortalGlobalHotKeys::CreateSession(const std::vector<std::string>& wanted) {
  // Plasma registers the shortcuts named here; the others wait for the binding.
  QVariantMap options{{QStringLiteral("session_handle_token"), kSessionToken}, {QStringLiteral("shortcuts"), Shortcuts()}};
  Request(QStringLiteral("CreateSession"), {}, options, [this, wanted](unsigned code, const QVariantMap& results) {
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    session_ = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
    if (code != 0 || session_.isEmpty()) {
      session_.clear();
      qWarning("The desktop portal made no session for the global hot keys (answer %u).", code);
      Bound(wanted);
      return;
    }
    std::vector<std::string> listed;
    for (const PortalShortcut& s : qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts"))))
      listed.push_back(s.id.toStdString());
    std::sort(listed.begin(), listed.end());
    if (std::includes(listed.begin(), listed.end(), wanted.begin(), wanted.end())) Bound(wanted);
    else BindShortcuts(wanted);
  });
}

void PortalGlobalHotKeys::BindShortcuts(const std::vector<std::string>& wanted) {
  Request(QStringLiteral("BindShortcuts"), {QVariant::fromValue(QDBusObjectPath(session_)), Shortcuts(), QString()}, {},
          [this, wanted](unsigned code, const QVariantMap&) {
            if (code != 0) qWarning("The desktop did not take the global hot keys (answer %u).", code);
            Bound(wanted);
          });
}

void PortalGlobalHotKeys::Bound(const std::vector<std::string>& wanted) {
  // Also after a refusal: asking again would only be refused again.
  ForgetPlasmaShortcuts(wanted);
  bound_ = wanted;
  busy_ = false;
  sync_.start();  // for changes made meanwhile
}

void PortalGlobalHotKeys::ForgetPlasmaShortcuts(const std::vector<std::string>& wanted) {
  // Plasma 5 keeps every shortcut a session of our component ever had, its
  // keys taken from every other program, and its portal never forgets one:
  // give the others back to kglobalaccel. Where it does not run, it is not started.
  QDBusMessage names = QDBusMessage::createMethodCall(kKGlobalAccel, QStringLiteral("/component/") + kSessionToken,
                                                      QStringLiteral("org.kde.kglobalaccel.Component"),
                                                      QStringLiteral("shortcutNames"));
  names.setAutoStartService(false);
  auto* watcher = new QDBusPendingCallWatcher(bus_->Connection().asyncCall(names), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, wanted](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<QStringList> reply = *w;
    if (reply.isError()) return;
    for (const QString& name : reply.value()) {
      if (std::binary_search(wanted.begin(), wanted.end(), name.toStdString())) continue;
      QDBusMessage forget = QDBusMessage::createMethodCall(kKGlobalAccel, QStringLiteral("/kglobalaccel"),
                                                           QStringLiteral("org.kde.KGlobalAccel"), QStringLiteral("unregister"));
      forget << kSessionToken << name;
      forget.setAutoStartService(false);
      bus_->Connection().asyncCall(forget);
    }
  });
}

void PortalGlobalHotKeys::Request(const QString& method, QList<QVariant> args, QVariantMap options, Answer answer) {
  // The answer comes as a signal of the request object, whose path the token
  // fixes: listen there before asking, or a quick answer is missed.
  const QString token = QStringLiteral("toviwall%1").arg(++requests_);
  QString sender = bus_->Connection().baseService().mid(1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  pendingPath_ = QStringLiteral("%1/request/%2/%3").arg(kPortalPath, sender, token);
  pendingAnswer_ = std::move(answer);
  bus_->Connection().connect(kPortal, pendingPath_, kRequest, QStringLiteral("Response"), this,
                             SLOT(ResponseArrived(QDBusMessage)));
  options.insert(QStringLiteral("handle_token"), token);
  args.append(options);
  QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kShortcuts, method);
  call.setArguments(args);
  auto* watcher = new QDBusPendingCallWatcher(bus_->Connection().asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, path = pendingPath_](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusMessage reply = w->reply();
    if (reply.type() == QDBusMessage::ReplyMessage || path != pendingPath_) return;
    qWarning("The desktop portal refused the global hot keys: %s", DBusErrorText(reply).c_str());
    bus_->Connection().disconnect(kPortal, path, kRequest, QStringLiteral("Response"), this,
                                  SLOT(ResponseArrived(QDBusMessage)));
    pendingPath_.clear();
    std::exchange(pendingAnswer_, nullptr)(2, {});
  });
}

void PortalGlobalHotKeys::ResponseArrived(const QDBusMessage& message) {
  if (message.path() != pendingPath_ || message.arguments().size() < 2) return;
  bus_->Connection().disconnect(kPortal, pendingPath_, kRequest, QStringLiteral("Response"), this,
                                SLOT(ResponseArrived(QDBusMessage)));
  pendingPath_.clear();
  const unsigned code = message.arguments().at(0).toUInt();
  const QVariantMap results = qdbus_cast<QVariantMap>(message.arguments().at(1));
  std::exchange(pendingAnswer_, nullptr)(code, results);
}

void PortalGlobalHotKeys::ActivatedArrived(const QDBusMessage& message) {
  const QList<QVariant> args = message.arguments();
  if (args.size() < 2 || session_.isEmpty() || args.at(0).value<QDBusObjectPath>().path() != session_) return;
  const std::string trigger = args.at(1).toString().toStdString();
  for (const Key& k : keys_)
    if (k.trigger == trigger && k.receiver) QCoreApplication::postEvent(k.receiver, new HotKeyEvent(k.id));
}

}  // namespace toviwall::platform
