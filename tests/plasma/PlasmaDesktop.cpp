#include "PlasmaDesktop.h"

#include <csignal>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "platform/kde/PlasmaWallpaper.h"
#include "platform/lxde/PcmanfmConfig.h"

namespace toviwall::test {
namespace {

Env PlasmaSession() {
  return {{"QT_QUICK_BACKEND", "software"},  {"LIBGL_ALWAYS_SOFTWARE", "1"}, {"QT_XCB_GL_INTEGRATION", "none"},
          {"XDG_CURRENT_DESKTOP", "KDE"},     {"KDE_FULL_SESSION", "true"},  {"KDE_SESSION_VERSION", "5"},
          {"XDG_SESSION_TYPE", "x11"}};
}

// dbus-send's print of a string answer: a header line, then `   string "..."`.
std::string PrintedString(const std::string& out) {
  const std::size_t open = out.find("string \"");
  const std::size_t close = out.rfind('"');
  if (open == std::string::npos || close < open + 8) throw std::runtime_error("no string in: " + out);
  return out.substr(open + 8, close - open - 8);
}

}  // namespace

PlasmaDesktop::PlasmaDesktop() : peer_(PlasmaSession()) {}

PlasmaDesktop::~PlasmaDesktop() { StopShell(); }

void PlasmaDesktop::StartShell() {
  RequireProgram("plasmashell");
  started_ = SteadySeconds();
  shell_ = &peer_.Start({"plasmashell", "--no-respawn"});
  const bool named = WaitFor([&] { return !shell_->Running() || NameOwned(kPlasmaName); }, 60000, 10);
  named_ = SteadySeconds();
  if (!named || !shell_->Running())
    throw std::runtime_error("plasmashell did not take its name:\n" + ReadFile(peer_.S().Root() / "plasmashell.log"));
}

::testing::AssertionResult PlasmaDesktop::WaitForDesktop(int timeoutMs) {
  std::string last;
  const bool ok = WaitFor(
      [&] {
        try {
          last = Script("print(desktops().length)");
        } catch (const std::exception& e) {
          last = e.what();
        }
        return last != "0" && last.find_first_not_of("0123456789") == std::string::npos;
      },
      timeoutMs, 20);
  ready_ = SteadySeconds();
  if (ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "plasmashell shows no desktop (" << last << "):\n"
                                       << ReadFile(peer_.S().Root() / "plasmashell.log");
}

void PlasmaDesktop::StopShell() {
  if (!shell_) return;
  shell_->Signal(SIGTERM);
  shell_->Wait(10000);
  shell_->Kill();
  shell_ = nullptr;
  // Its KIO workers start in a process group of their own and outlive it;
  // they name the shell's socket in this session's runtime folder.
  const std::string socket = peer_.S().RuntimeDir() + "/plasmashell";
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename();
    if (pid.find_first_not_of("0123456789") == std::string::npos &&
        ReadFile(entry.path() / "cmdline").find(socket) != std::string::npos)
      ::kill(std::stoi(pid), SIGKILL);
  }
}

bool PlasmaDesktop::NameOwned(const std::string& name) const {
  return peer_.Tool({"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                     "org.freedesktop.DBus.GetNameOwner", "string:" + name})
             .exitCode == 0;
}

std::string PlasmaDesktop::Script(const std::string& js) const {
  RunResult r = peer_.Tool({"dbus-send", "--session", "--print-reply", std::string("--dest=") + kPlasmaName,
                            "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", "string:" + js});
  if (r.exitCode != 0) throw std::runtime_error(r.err);
  return PrintedString(r.out);
}

std::string PlasmaDesktop::Stored(const std::string& key) {
  const platform::KeyFile file = platform::ReadKeyFile(platform::PlasmaAppletsrcPath());
  for (const auto& [group, keys] : file) {
    // "Containments][N", the folder view on the first screen.
    if (group.rfind("Containments][", 0) != 0 || group.find(']', 14) != std::string::npos) continue;
    auto plugin = keys.find("plugin"), screen = keys.find("lastScreen");
    if (plugin == keys.end() || plugin->second != "org.kde.plasma.folder" || screen == keys.end() ||
        screen->second != "0")
      continue;
    if (key == "wallpaperplugin") return keys.count(key) ? keys.at(key) : "";
    auto general = file.find(group + "][Wallpaper][org.kde.image][General");
    return general != file.end() && general->second.count(key) ? general->second.at(key) : "";
  }
  return "<no desktop>";
}

unsigned long PlasmaDesktop::PanelWindow() {
  // The dock window along the bottom edge.
  std::istringstream ids(peer_.Tool({"xdotool", "search", "--onlyvisible", "--class", "plasmashell"}).out);
  for (unsigned long id; ids >> id;) {
    std::istringstream geometry(peer_.Tool({"xdotool", "getwindowgeometry", "--shell", std::to_string(id)}).out);
    int y = 0, height = 0;
    for (std::string line; std::getline(geometry, line);) {
      if (line.rfind("Y=", 0) == 0) y = std::stoi(line.substr(2));
      if (line.rfind("HEIGHT=", 0) == 0) height = std::stoi(line.substr(7));
    }
    if (height > 0 && height < kDesktopHeight / 4 && y + height == kDesktopHeight) return id;
  }
  return 0;
}

std::vector<Probe> PlasmaProbesFor(platform::WallpaperStyle style, const Quadrants& q) {
  using platform::WallpaperStyle;
  std::vector<Probe> probes = ProbesFor(style, q);
  switch (style) {
    case WallpaperStyle::Centred:  // black around it
      probes.push_back({190, 215, 0x000000});
      break;
    case WallpaperStyle::Tiled:  // the middle tile as centred, 100 x 80 tiles around it
      probes = ProbesFor(WallpaperStyle::Centred, q);
      probes.insert(probes.end(), {{190, 215, q.topLeft}, {450, 175, q.bottomRight}, {60, 35, q.bottomRight}});
      break;
    case WallpaperStyle::Stretched:
    case WallpaperStyle::Spanned: break;
  }
  return probes;
}

}  // namespace toviwall::test
