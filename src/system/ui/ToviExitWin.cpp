#include "system/ui/ToviExitWin.h"

#include "platform/SystemActions.h"

namespace toviwall {

using platform::SessionRequest;

TToviExitWin::TToviExitWin(platform::SystemActions& system, QObject* parent) : QObject(parent), system_(system) {}

bool TToviExitWin::CanStandBy() { return system_.CanSuspend(); }
bool TToviExitWin::CanHibernate() { return system_.CanHibernate(); }

bool TToviExitWin::Execute() {
  SessionRequest request = SessionRequest::LogOff;
  switch (ExitWinType) {
    case TToviExitWinType::ewLogoff: request = SessionRequest::LogOff; break;
    case TToviExitWinType::ewReboot: request = SessionRequest::Reboot; break;
    case TToviExitWinType::ewShutDown: request = SessionRequest::ShutDown; break;
    case TToviExitWinType::ewPowerOff: request = SessionRequest::PowerOff; break;
    case TToviExitWinType::ewStandBy: request = SessionRequest::Suspend; break;
    case TToviExitWinType::ewHibernate: request = SessionRequest::Hibernate; break;
  }
  // A log off is never forced.
  const std::string reason = system_.Request(request, Unconditional && request != SessionRequest::LogOff);
  if (reason.empty()) return true;
  LastError = "Error: " + reason;
  return false;
}

}  // namespace toviwall
