// The watchdog's read-back on every desktop backend: each tick of the change
// timer asks the backend which file the desktop shows. This starts each
// desktop's own component on a private X server and bus (as the backend tests
// do), sets a wallpaper, and times ReadWallpaper.
//   toviwall_bench_readback [--runs N]
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "../tests/plasma/PlasmaDesktop.h"
#include "../tests/platform/DesktopPeers.h"
#include "platform/gnome/GSettingsWallpaper.h"
#include "platform/kde/PlasmaWallpaper.h"
#include "platform/lxde/PcmanfmWallpaper.h"
#include "platform/mate/MateBackgroundWallpaper.h"
#include "platform/x11/X11RootWallpaper.h"
#include "platform/xfce/XfconfWallpaper.h"
#include "wallpaper/UnitWallHelper.h"

using namespace toviwall;
using namespace toviwall::test;
using platform::WallpaperStyle;

namespace {

struct Desktop {
  const char* name;
  const char* how;  // what one read-back costs
  // Starts the desktop's component; answers its backend once it is ready.
  std::function<std::unique_ptr<platform::DesktopWallpaper>(DesktopPeer&)> start;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Sets the wallpaper (unless `set` is false: then what is shown stays) and
// times the read-backs.
void Measure(const char* name, const char* how, DesktopPeer& peer, platform::DesktopWallpaper& backend, int runs,
             bool set = true) {
  const std::string file = peer.S().Root() / "pictures/shown.bmp";
  if (set) {
    peer.Picture("shown.bmp", kWarm);
    SetDesktopWallpaper(backend, file, WallpaperStyle::Stretched);
    WaitFor([&] { return backend.ReadWallpaper() == file; }, 10000);
  }
  std::vector<double> times;
  bool right = true;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    right = backend.ReadWallpaper() == file && right;
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("%-28s %12.2f %12.2f  %s%s\n", name, Median(times), *std::max_element(times.begin(), times.end()), how,
              right ? "" : "  (WRONG ANSWER)");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int runs = 30;
  for (int i = 1; i + 1 < argc; ++i)
    if (!std::strcmp(argv[i], "--runs")) runs = std::max(1, std::atoi(argv[i + 1]));

  const std::vector<Desktop> desktops = {
      {"x11 (root painter)", "X round trips, 16 rows of pixels", [](DesktopPeer& p) {
         return std::make_unique<platform::X11RootWallpaper>(p.S().Display());
       }},
      {"gnome (gsettings)", "one gsettings process", [](DesktopPeer& p) {
         p.env.Set("GSETTINGS_BACKEND", "keyfile");
         return std::make_unique<platform::GSettingsWallpaper>(*platform::GSettingsWallpaper::Probe(platform::kGnomeBackgroundSchema));
       }},
      {"xfce (xfdesktop)", "one D-Bus call to xfconfd", [](DesktopPeer& p) {
         p.Start({"xfdesktop", "--disable-wm-check"});
         WaitFor([&] { return !p.Tool({"xdotool", "search", "--class", "xfdesktop"}).out.empty(); }, 30000);
         return std::make_unique<platform::XfconfWallpaper>(p.S().Display());
       }},
      {"mate (caja)", "one gsettings process", [](DesktopPeer& p) {
         p.Start({"caja", "--no-default-window", "--force-desktop"});
         p.WaitForDesktopWindow("desktop_window");
         return std::make_unique<platform::MateBackgroundWallpaper>();
       }},
      {"lxde (pcmanfm)", "reads desktop-items-0.conf", [](DesktopPeer& p) {
         p.Start({"pcmanfm", "--desktop"});
         p.WaitForDesktopWindow("pcmanfm");
         return std::make_unique<platform::PcmanfmWallpaper>(platform::PcmanfmKind::Gtk, p.S().Display());
       }},
      {"lxqt (pcmanfm-qt)", "reads settings.conf", [](DesktopPeer& p) {
         p.Start({"pcmanfm-qt", "--desktop"});
         p.WaitForDesktopWindow("pcmanfm-qt");
         return std::make_unique<platform::PcmanfmWallpaper>(platform::PcmanfmKind::Qt, p.S().Display());
       }},
  };

  std::printf("%-28s %12s %12s  %s\n", "backend", "median ms", "max ms", "one read-back");
  for (const Desktop& d : desktops) {
    DesktopPeer peer;
    auto backend = d.start(peer);
    Measure(d.name, d.how, peer, *backend, runs);
  }
  // Plasma answers from the shell; while it is not running, from its file.
  PlasmaDesktop plasma;
  plasma.StartShell();
  plasma.WaitForDesktop();
  platform::PlasmaWallpaper backend;
  Measure("kde (plasmashell)", "one evaluateScript call", plasma.Peer(), backend, runs);
  plasma.StopShell();
  Measure("kde (no plasmashell)", "reads the appletsrc file", plasma.Peer(), backend, runs, false);
  return 0;
}
