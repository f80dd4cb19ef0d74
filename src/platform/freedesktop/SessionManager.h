#pragma once
// The desktop's session manager, for log off, reboot and shut down: it shows the
// desktop's own confirmation, asks the session's programs (they may save their
// work or object) and ends the session itself, this program with it. GNOME,
// MATE and Cinnamon answer as org.gnome.SessionManager, KDE Plasma as its
// logout prompt (or ksmserver); XFCE, LXQt and LXDE through their logout tools.
#include <QDBusConnection>
#include <string>

#include "platform/SystemActions.h"

namespace toviwall::platform {

// Whether one runs on `bus` (the session's bus).
bool SessionManagerRuns(QDBusConnection bus);
// Hands a request that ends the session to it. Answers an empty text when it
// took the request (the user may still cancel it there), else the reason.
std::string AskSessionManager(QDBusConnection bus, SessionRequest what);

}  // namespace toviwall::platform
