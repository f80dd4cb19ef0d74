#pragma once
// TToviExitWin: ends the session or the computer's running in one of six ways.
// Execute asks the system for ExitWinType; when the system refuses, it answers
// false and LastError holds "Error: " and the reason.
#include <QObject>
#include <string>

namespace toviwall {
namespace platform {
class SystemActions;
}

enum class TToviExitWinType { ewLogoff, ewReboot, ewShutDown, ewPowerOff, ewStandBy, ewHibernate };

class TToviExitWin final : public QObject {
  Q_OBJECT

 public:
  explicit TToviExitWin(platform::SystemActions& system, QObject* parent = nullptr);

  TToviExitWinType ExitWinType = TToviExitWinType::ewLogoff;
  // Force: programs that would delay the request are not waited for.
  bool Unconditional = false;
  std::string LastError;

  bool Execute();
  bool CanStandBy();
  bool CanHibernate();

 private:
  platform::SystemActions& system_;
};

}  // namespace toviwall
