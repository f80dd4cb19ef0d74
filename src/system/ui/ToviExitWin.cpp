#include "system/ui/ToviExitWin.h"

#include "base/UnitLanguage.h"
#include "base/ui/Dialogs.h"
#include "platform/SystemActions.h"

namespace toviwall {

using platform::SessionRequest;

namespace {

SessionRequest RequestOf(TToviExitWinType type) {
  switch (type) {
    case TToviExitWinType::ewLogoff: return SessionRequest::LogOff;
    case TToviExitWinType::ewReboot: return SessionRequest::Reboot;
    case TToviExitWinType::ewShutDown: return SessionRequest::ShutDown;
    case TToviExitWinType::ewPowerOff: return SessionRequest::PowerOff;
    case TToviExitWinType::ewStandBy: return SessionRequest::Suspend;
    case TToviExitWinType::ewHibernate: return SessionRequest::Hibernate;
  }
  return SessionRequest::LogOff;
}

}  // namespace

TToviExitWin::TToviExitWin(platform::SystemActions& system, QObject* parent) : QObject(parent), system_(system) {}

bool TToviExitWin::CanStandBy() { return system_.CanSuspend(); }
bool TToviExitWin::CanHibernate() { return system_.CanHibernate(); }

bool TToviExitWin::Execute() {
  const SessionRequest request = RequestOf(ExitWinType);
  endsNow_ = false;
  LastError.clear();
  // A log off is never forced.
  const bool force = Unconditional && request != SessionRequest::LogOff;
  const bool throughSessionManager = !force && system_.SessionManagerTakes(request);
  if (platform::EndsSession(request) && !force && !throughSessionManager && !ConfirmEnd()) return false;
  const std::string reason = system_.Request(request, force);
  if (!reason.empty()) {
    LastError = "Error: " + reason;
    return false;
  }
  endsNow_ = platform::EndsSession(request) && !throughSessionManager;
  return true;
}

bool TToviExitWin::ConfirmEnd() const {
  const int caption = ExitWinType == TToviExitWinType::ewLogoff   ? 10054
                      : ExitWinType == TToviExitWinType::ewReboot ? 10056
                                                                  : 10058;
  const std::string text = FormatText(S(10155), {S(caption), "\n", "\n"});
  return ShowMessage(Q(text), QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace toviwall
