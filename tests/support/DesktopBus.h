// A private session bus for a whole desktop (KWin and Plasma, GNOME Shell):
// it starts the desktop's services on demand as a login's bus does, with the
// environment it was given, except the document portal, which would mount
// itself into the runtime folder and stay there.
#pragma once
#include <signal.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/TestSession.h"

namespace toviwall::test {

class DesktopBus {
 public:
  // Keeps its socket and configuration in `folder`.
  DesktopBus(const std::string& folder, const Env& env) {
    namespace fs = std::filesystem;
    RequireProgram("dbus-daemon");
    fs::create_directories(folder + "/services");
    for (const auto& service : fs::directory_iterator("/usr/share/dbus-1/services"))
      if (service.path().filename() != "org.freedesktop.portal.Documents.service")
        fs::create_symlink(service.path(), folder + "/services/" + service.path().filename().string());
    WriteFile(folder + "/bus.conf",
              "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
              "<busconfig><type>session</type><listen>unix:path=" + folder + "/bus</listen><auth>EXTERNAL</auth>"
              "<servicedir>" + folder + "/services</servicedir><policy context=\"default\">"
              "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
              "</policy></busconfig>\n");
    process_ = Process::Start({"dbus-daemon", "--config-file=" + folder + "/bus.conf", "--nofork", "--nopidfile"},
                              {env, {}, folder + "/dbus-daemon.log", {}});
    if (!WaitFor([&] { return Exists(folder + "/bus") || !process_->Running(); }) || !process_->Running())
      throw std::runtime_error("dbus-daemon did not start:\n" + ReadFile(folder + "/dbus-daemon.log"));
    address_ = "unix:path=" + folder + "/bus";
  }
  const std::string& Address() const { return address_; }

 private:
  std::unique_ptr<Process> process_;
  std::string address_;
};

// The environment of a Wayland login on a private home (`root`/home), runtime
// folder (`root`/run) and the bus at `root`/bus, on the compositor's socket
// `display`, with `desktop` as XDG_CURRENT_DESKTOP.
inline Env WaylandLogin(const std::string& root, const std::string& display, const std::string& desktop) {
  return {{"PATH", "/usr/bin:/bin"},
          {"HOME", root + "/home"},
          {"XDG_CONFIG_HOME", root + "/home/.config"},
          {"XDG_DATA_HOME", root + "/home/.local/share"},
          {"XDG_CACHE_HOME", root + "/home/.cache"},
          {"XDG_RUNTIME_DIR", root + "/run"},
          {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root + "/bus"},
          {"WAYLAND_DISPLAY", display},
          {"XDG_SESSION_TYPE", "wayland"},
          {"XDG_CURRENT_DESKTOP", desktop},
          {"LANG", "C.UTF-8"}};
}

// Ends what a desktop's programs started in process groups of their own (KIO
// workers, the services its bus started): they carry its runtime folder.
inline void KillProcessesOfRuntime(const std::string& runtimeDir) {
  const std::string mark = "XDG_RUNTIME_DIR=" + runtimeDir + '\0';
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename();
    if (pid.find_first_not_of("0123456789") == std::string::npos &&
        ReadFile(entry.path() / "environ").find(mark) != std::string::npos)
      ::kill(std::stoi(pid), SIGKILL);
  }
}

}  // namespace toviwall::test
