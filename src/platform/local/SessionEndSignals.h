#pragma once
// The end of the run as Linux asks for it: SIGTERM, SIGINT and SIGHUP (reaching
// the main thread through a socket pair, the one thing a signal handler may
// touch) and the X session manager's commit request at log-out.
#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "platform/SessionEnd.h"

namespace toviwall::platform {

class SessionEndSignals final : public QObject, public SessionEnd {
  Q_OBJECT
 public:
  SessionEndSignals();
  ~SessionEndSignals() override;

 private:
  int fds_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace toviwall::platform
