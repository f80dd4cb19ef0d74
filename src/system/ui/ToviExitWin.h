#pragma once
// TToviExitWin: ends the session or the computer's running in one of six ways.
// Execute asks for ExitWinType: log off, reboot and shut down go to the
// desktop's session manager where one runs (it asks the programs, and the user,
// first), otherwise to the system after a question of ours, since the system
// ends the programs without asking them. When the request is refused, Execute
// answers false and LastError holds "Error: " and the reason; answered No, it
// answers false with LastError empty.
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
  // Force: the system, without asking the programs or the user; programs that
  // would delay the request are not waited for.
  bool Unconditional = false;
  std::string LastError;

  bool Execute();
  bool CanStandBy();
  bool CanHibernate();
  // After a taken request: whether the session or the computer ends now. Not
  // after Stand By and Hibernate, nor when the session manager took it: it
  // ends this program with the session once the user and the programs agree.
  bool EndsNow() const { return endsNow_; }

 private:
  // Our question before the system ends the programs; true to go on.
  bool ConfirmEnd() const;

  platform::SystemActions& system_;
  bool endsNow_ = false;
};

}  // namespace toviwall
