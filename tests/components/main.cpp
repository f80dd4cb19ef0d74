// Component tests run with a Qt application on the offscreen platform: no display,
// and a private home, so nothing Qt or the program keeps per user reaches the
// real one, and no bus of the machine's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "support/TestSession.h"

int main(int argc, char** argv) {
  toviwall::test::TempDir home("toviwall-components");
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                           "XDG_RUNTIME_DIR"})
    qputenv(name, QByteArray::fromStdString(home.Path()));
  qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString("unix:path=" + home / "no-session-bus"));
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", QByteArray::fromStdString("unix:path=" + home / "no-system-bus"));
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Waits let the event loop run: notices, timers and queued calls arrive meanwhile.
  toviwall::test::SetWaitPump([](int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
