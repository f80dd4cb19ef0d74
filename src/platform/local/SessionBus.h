#pragma once
// A connection of our own to the session bus named by DBUS_SESSION_BUS_ADDRESS
// when the object is made, closed with it. Qt's shared session bus is fixed at
// its first use; a backend made later (or a test with its own bus) needs its own.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

namespace toviwall::platform {

class SessionBus {
 public:
  SessionBus();
  ~SessionBus();
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;

  // Calls and waits for the answer (an error message when the bus or the
  // service does not answer within the time).
  QDBusMessage Call(const QDBusMessage& message, int timeoutMs = 10000);
  // Whether a program owns the name now.
  bool HasOwner(const QString& name);
  // For signals and calls answered later.
  QDBusConnection& Connection() { return bus_; }

 private:
  QString name_;
  QDBusConnection bus_;
};

// The address of the bus the session has (DBUS_SESSION_BUS_ADDRESS, else
// $XDG_RUNTIME_DIR/bus); empty when it has none. Asking libdbus for a session
// bus without one would start a bus of its own (autolaunch).
QString SessionBusAddress();

// The text of an error answer: its message, else its name.
std::string DBusErrorText(const QDBusMessage& reply);

}  // namespace toviwall::platform
