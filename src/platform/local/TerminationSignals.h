#pragma once
// SIGTERM, SIGINT and SIGHUP reach the main thread as a Qt signal, so ending the
// session or killing the program runs the same orderly shutdown as Exit.
#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace toviwall::platform {

class TerminationSignals final : public QObject {
  Q_OBJECT
 public:
  TerminationSignals();
  ~TerminationSignals() override;

 signals:
  void terminationRequested(int signalNumber);

 private:
  int fds_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace toviwall::platform
