// The desktop portal's frontend from Debian (xdg-desktop-portal) on a private
// bus, with the backends its environment chooses (XDG_CURRENT_DESKTOP, and
// XDG_DESKTOP_PORTAL_DIR for a folder of .portal files of our own).
#pragma once
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "support/TestSession.h"

namespace toviwall::test {

inline constexpr const char* kPortalFrontend = "/usr/libexec/xdg-desktop-portal";

// Whether a program owns `name` on the bus at `address`.
inline bool NameOwnedOn(const std::string& address, const std::string& name) {
  return Run({"dbus-send", "--bus=" + address, "--print-reply", "--dest=org.freedesktop.DBus", "/",
              "org.freedesktop.DBus.GetNameOwner", "string:" + name},
             {{"PATH", "/usr/bin:/bin"}})
             .exitCode == 0;
}

// Starts the frontend on the bus `env` names (DBUS_SESSION_BUS_ADDRESS) and
// waits until it owns its name; throws with its log when it does not.
inline std::unique_ptr<Process> StartDesktopPortal(const Env& env, const std::string& logFile) {
  if (::access(kPortalFrontend, X_OK) != 0)
    throw std::runtime_error(std::string("The tests need ") + kPortalFrontend + "; run scripts/setup to install it.");
  Process::Options options{env, {}, logFile, {}};
  auto portal = Process::Start({kPortalFrontend, "--verbose"}, options);
  const std::string address = env.at("DBUS_SESSION_BUS_ADDRESS");
  if (!WaitFor([&] { return !portal->Running() || NameOwnedOn(address, "org.freedesktop.portal.Desktop"); }, 15000, 20) ||
      !portal->Running())
    throw std::runtime_error("xdg-desktop-portal did not start:\n" + ReadFile(logFile));
  return portal;
}

}  // namespace toviwall::test
