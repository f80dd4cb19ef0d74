#pragma once
// The tray's side of a StatusNotifierItem, for tests against real trays: what
// the watcher lists, and the calls a tray makes on an item and on its menu
// (com.canonical.dbusmenu), over a connection of the test's own; and what
// toviwall-tray-recorder printed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/freedesktop/DBusTrayTypes.h"
#include "support/TestSession.h"

namespace toviwall::test {

class TrayClient {
 public:
  explicit TrayClient(const std::string& address)
      : name_(QStringLiteral("toviwall-test-tray-client")),
        bus_(QDBusConnection::connectToBus(QString::fromStdString(address), name_)) {
    platform::RegisterTrayDBusTypes();
  }
  ~TrayClient() { QDBusConnection::disconnectFromBus(name_); }
  TrayClient(const TrayClient&) = delete;
  TrayClient& operator=(const TrayClient&) = delete;

  bool WatcherRunning() { return bus_.interface()->isServiceRegistered(kWatcher).value(); }

  // The items the watcher lists ("service/path" or a service each).
  QStringList Items() {
    QDBusMessage m = Properties(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                QStringLiteral("RegisteredStatusNotifierItems"));
    return m.type() == QDBusMessage::ReplyMessage
               ? qvariant_cast<QDBusVariant>(m.arguments().value(0)).variant().toStringList()
               : QStringList();
  }
  // The service of the item the process `pid` registered; none while it has none.
  std::optional<QString> ItemOf(int pid) {
    const QString prefix = QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(pid);
    for (const QString& item : Items())
      if (item.startsWith(prefix)) return item.section(u'/', 0, 0);
    return std::nullopt;
  }

  // The process that owns an item's service ("service/path" or a service).
  unsigned OwnerPid(const QString& item) { return bus_.interface()->servicePid(item.section(u'/', 0, 0)).value(); }

  QVariant ItemProperty(const QString& service, const QString& name) {
    QDBusMessage m = Properties(service, kItemPath, kItem, name);
    return qvariant_cast<QDBusVariant>(m.arguments().value(0)).variant();
  }
  // `times` calls in a row, each answered before the next.
  void Activate(const QString& service, int times) {
    for (int i = 0; i < times; ++i) Must(Call(service, kItemPath, kItem, QStringLiteral("Activate"), {0, 0}));
  }

  platform::DBusMenuLayout Layout(const QString& service) {
    QDBusMessage m = Must(Call(service, kMenuPath, kMenu, QStringLiteral("GetLayout"), {0, -1, QStringList()}));
    return qdbus_cast<platform::DBusMenuLayout>(m.arguments().value(1));
  }
  bool AboutToShow(const QString& service, int id) {
    return Must(Call(service, kMenuPath, kMenu, QStringLiteral("AboutToShow"), {id})).arguments().value(0).toBool();
  }
  void Click(const QString& service, int id) {
    Must(Call(service, kMenuPath, kMenu, QStringLiteral("Event"),
              {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u}));
  }

 private:
  static inline const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
  static inline const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");
  static inline const QString kItemPath = QStringLiteral("/StatusNotifierItem");
  static inline const QString kMenu = QStringLiteral("com.canonical.dbusmenu");
  static inline const QString kMenuPath = QStringLiteral("/MenuBar");

  QDBusMessage Call(const QString& service, const QString& path, const QString& interface, const QString& method,
                    const QVariantList& args) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
    m.setArguments(args);
    return bus_.call(m, QDBus::Block, 5000);
  }
  QDBusMessage Properties(const QString& service, const QString& path, const QString& interface,
                          const QString& name) {
    return Call(service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                {interface, name});
  }
  static QDBusMessage Must(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage)
      throw std::runtime_error("D-Bus call failed: " + reply.errorMessage().toStdString());
    return reply;
  }

  QString name_;
  QDBusConnection bus_;
};

// The items of a menu layout as "label" lines, sub-menus indented, each with
// its marks: [x] / [ ] check mark, (o) / ( ) radio, "off" when disabled,
// "default", "---" for a separator.
inline std::string Describe(const platform::DBusMenuLayout& layout, const std::string& indent = "") {
  std::string text;
  for (const platform::DBusMenuLayout& item : layout.children) {
    const QVariantMap& p = item.properties;
    std::string line = indent;
    if (p.value(QStringLiteral("type")).toString() == QStringLiteral("separator")) {
      line += "---";
    } else {
      const QString toggle = p.value(QStringLiteral("toggle-type")).toString();
      const bool on = p.value(QStringLiteral("toggle-state")).toInt() == 1;
      if (toggle == QStringLiteral("checkmark")) line += on ? "[x] " : "[ ] ";
      if (toggle == QStringLiteral("radio")) line += on ? "(o) " : "( ) ";
      line += p.value(QStringLiteral("label")).toString().toStdString();
      if (!p.value(QStringLiteral("enabled"), true).toBool()) line += " off";
      if (p.value(QStringLiteral("x-toviwall-default")).toBool()) line += " default";
      if (p.contains(QStringLiteral("icon-data"))) line += " icon";
    }
    text += line + "\n";
    if (!item.children.empty()) text += Describe(item, indent + "  ");
  }
  return text;
}

// The id of the item labelled `label` (at any depth); -1 for none.
inline int IdOf(const platform::DBusMenuLayout& layout, const QString& label) {
  for (const platform::DBusMenuLayout& item : layout.children) {
    if (item.properties.value(QStringLiteral("label")).toString() == label) return item.id;
    if (int id = IdOf(item, label); id >= 0) return id;
  }
  return -1;
}

// The events toviwall-tray-recorder printed into `log`, without its own notices.
inline std::vector<std::string> RecordedEvents(const std::string& log) {
  std::vector<std::string> events;
  std::istringstream in(ReadFile(log));
  for (std::string line; std::getline(in, line);)
    if (line.rfind("event: ", 0) == 0 && line != "event: Ready" && line != "event: TrayCreated")
      events.push_back(line.substr(7));
  return events;
}
inline std::size_t Recorded(const std::string& log, const std::string& event) {
  const auto all = RecordedEvents(log);
  return static_cast<std::size_t>(std::count(all.begin(), all.end(), event));
}
// Waits out the double-click interval (Qt's 400 ms) after the last Activate,
// then checks that the double-click action ran `count` times in all.
inline ::testing::AssertionResult DoubleClickActions(const std::string& log, std::size_t count) {
  if (!WaitFor([&] { return Recorded(log, "DblClick") >= count; }, 5000))
    return ::testing::AssertionFailure() << "too few double-click actions:\n" << ReadFile(log);
  ::usleep(500000);
  const std::size_t seen = Recorded(log, "DblClick");
  if (seen == count) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << seen << " double-click actions, not " << count;
}

}  // namespace toviwall::test
