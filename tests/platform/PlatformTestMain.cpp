// The backends run processes through Qt, which wants its application object.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "support/TestSession.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Waits let the event loop run: the backends' answers and notices arrive meanwhile.
  toviwall::test::SetWaitPump([](int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
