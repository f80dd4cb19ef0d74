// The real program on KDE Plasma: every filling type and None on Plasma's
// desktop, the watchdog after None with automatic changing on while Plasma's
// file lags behind, and the tray icon in Plasma's panel with its menu through dbusmenu.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "PlasmaDesktop.h"
#include "support/TrayClient.h"

namespace toviwall {
namespace {

using namespace test;
using platform::WallpaperStyle;
constexpr const char* kTitle = "Tovi WallChanger";

class PlasmaProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plasma.StartShell();
    ASSERT_TRUE(plasma.WaitForDesktop());
    // A KDE session: the program finds Plasma from XDG_CURRENT_DESKTOP.
    session.SetEnv("TOVIWALL_DESKTOP", "");
    session.SetEnv("XDG_CURRENT_DESKTOP", "KDE");
    session.SetEnv("DBUS_SESSION_BUS_ADDRESS", peer.Environment().at("DBUS_SESSION_BUS_ADDRESS"));
  }
  void WriteList(const std::vector<std::string>& files) {
    std::string list;
    for (const std::string& f : files) list += f + "\r\n";
    const std::string ini = session.DefaultSettingsFile();
    WriteFile(ini.substr(0, ini.size() - 4) + ".lst", list);
  }
  std::string Status(const std::string& key) {
    std::istringstream lines(session.MustTool({BinaryDir() + "/toviwall", "--status"}).out);
    for (std::string line; std::getline(lines, line);)
      if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return "<missing>";
  }

  PlasmaDesktop plasma;
  DesktopPeer& peer = plasma.Peer();
  Session& session = peer.S();
};

TEST_F(PlasmaProgramTest, EveryFillingTypeAndNoneShowOnPlasma) {
  // A JPEG: every filling type hands Plasma the same output file.
  const std::string picture = session.Home() + "/quarters.jpg";
  session.MustTool({"/usr/bin/convert", peer.Picture("quarters.bmp", kWarm), "-quality", "100", picture});
  const std::vector<Probe> fitted{{170, 120, kWarm.topLeft},    {470, 120, kWarm.topRight}, {170, 360, kWarm.bottomLeft},
                                  {470, 360, kWarm.bottomRight}, {8, 300, 0x000000}};  // 600 x 480, centred
  const std::vector<Probe> expected[6] = {
      PlasmaProbesFor(WallpaperStyle::Centred, kWarm),   PlasmaProbesFor(WallpaperStyle::Tiled, kWarm),
      PlasmaProbesFor(WallpaperStyle::Stretched, kWarm), fitted,
      PlasmaProbesFor(WallpaperStyle::Centred, kWarm),   // Shrink to Fit: small enough as it is
      PlasmaProbesFor(WallpaperStyle::Stretched, kWarm),  // Zoom: 640 x 512, cropped
  };
  for (int type = 0; type < 6; ++type) {
    session.WriteProfile("Type=" + std::to_string(type) + "\nAutoChangeWallpaper=0\n[WallPaper]\nCurrentIndex=0\n");
    WriteList({picture});
    auto p = session.StartReady();
    EXPECT_TRUE(peer.WaitForPixels(expected[type])) << "filling type " << type << "\n"
                                                    << ReadFile(session.LastProgramLog());
    peer.Screenshot("plasma-type" + std::to_string(type));
    EXPECT_EQ(Status("shown"), "yes");
    if (type < 5) session.RunProgram({"--exit"});
  }
  session.RunProgram({"--none"});
  EXPECT_TRUE(peer.WaitForPixels({{320, 240, kPlasmaDefaultColour}}));
  EXPECT_EQ(Status("shown"), "no");
}

// Plasma writes a new plugin to its file some ten seconds late. A watchdog
// that read the file took the picture after None for "not shown" and changed
// again, passing over an entry.
TEST_F(PlasmaProgramTest, AfterNoneAndNextWithAutomaticChangeNoEntryIsPassedOver) {
  std::vector<std::string> files;
  const std::pair<const char*, std::uint32_t> colours[] = {
      {"1-red", 0xFF0000}, {"2-green", 0x00FF00}, {"3-blue", 0x0000FF}, {"4-yellow", 0xFFFF00}};
  for (auto [name, colour] : colours)
    files.push_back(peer.Picture(std::string(name) + ".bmp", {colour, colour, colour, colour}));
  session.SetEnv("TOVIWALL_TICK_MS", "500");
  session.WriteProfile("Type=2\nAutoChangeWallpaper=1\n[WallPaper]\nCurrentIndex=0\n");
  WriteList(files);
  // Every tick's read-back is a script call; the monitor counts them.
  const std::string calls = session.Root() / "calls.log";
  Process::Options monitor;
  monitor.env = peer.Environment();
  monitor.logFile = calls;
  auto dbusMonitor = Process::Start(
      {"dbus-monitor", "--session", "type='method_call',interface='org.kde.PlasmaShell',member='evaluateScript'"},
      monitor);
  auto readBacks = [&] {
    const std::string text = ReadFile(calls);
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find("member=evaluateScript", at)) != std::string::npos; ++at) ++n;
    return n;
  };
  auto p = session.StartReady();
  ASSERT_TRUE(WaitFor([&] { return Status("row") == "1" && Status("shown") == "yes"; }, 20000, 100));
  EXPECT_TRUE(peer.WaitForPixels({{320, 240, 0xFF0000}}));

  // None is followed by the next entry at the next tick; Next takes the one after.
  session.RunProgram({"--none"});
  EXPECT_TRUE(WaitFor([&] { return Status("row") == "2" && Status("shown") == "yes"; }, 20000, 100)) << Status("row");
  session.RunProgram({"--next"});
  EXPECT_EQ(Status("row"), "3");
  // Until Plasma's file has caught up, and three read-backs after that.
  EXPECT_TRUE(WaitFor([&] { return plasma.Stored("wallpaperplugin") == "org.kde.image"; }, 30000, 100));
  const std::size_t caughtUp = readBacks();
  EXPECT_TRUE(WaitFor([&] { return readBacks() >= caughtUp + 3; }, 20000));
  EXPECT_EQ(Status("row"), "3");
  EXPECT_EQ(Status("shown"), "yes");
  EXPECT_TRUE(peer.WaitForPixels({{320, 240, 0x0000FF}}));
}

// Plasma's tray runs a StatusNotifierWatcher: the icon is a StatusNotifierItem
// there (also beside xembedsniproxy, as a session starts it: one icon, not
// two), Plasma draws its menu from the program's dbusmenu, and an item chosen
// there runs in the program.
TEST_F(PlasmaProgramTest, TrayIconShowsInPlasmasPanelWithItsMenuThroughDBusMenu) {
  ASSERT_TRUE(WaitFor([&] { return plasma.NameOwned("org.kde.StatusNotifierWatcher"); }, 30000, 100));
  Process& proxy = peer.Start({"xembedsniproxy"});
  ASSERT_TRUE(WaitFor([&] { return SelectionOwned(session.Display(), "_NET_SYSTEM_TRAY_S0"); }, 20000));
  // A magenta icon, easy to find among the panel's pixels.
  const std::string icon = session.Root() / "magenta.png";
  session.MustTool({"/usr/bin/convert", "-size", "32x32", "xc:#ff00ff", icon});
  session.WriteProfile("[Icon]\nUseCustomMainIcon=1\nIconFile=" + icon + "\nIconIdx=0\n");
  TrayClient client{peer.Environment().at("DBUS_SESSION_BUS_ADDRESS")};
  auto p = session.StartReady();
  std::optional<QString> item;
  ASSERT_TRUE(WaitFor([&] { return (item = client.ItemOf(p->Pid())).has_value(); }, 20000))
      << client.Items().join(u' ').toStdString() << "\n" << ReadFile(session.LastProgramLog());
  unsigned long panel = 0;
  ASSERT_TRUE(WaitFor([&] { return (panel = plasma.PanelWindow()) != 0; }, 20000));
  int x = 0, y = 0;
  ASSERT_TRUE(WaitFor(
      [&] {
        const std::string box =
            session
                .Tool({"bash", "-o", "pipefail", "-c",
                       "xwd -silent -id \"$0\" | /usr/bin/convert xwd:- -fill black +opaque '#ff00ff' -format '%@' info:",
                       std::to_string(panel)})
                .out;
        int width = 0, height = 0;
        if (std::sscanf(box.c_str(), "%dx%d+%d+%d", &width, &height, &x, &y) != 4 || width == 0) return false;
        x += width / 2;
        y += height / 2;
        return true;
      },
      20000, 200))
      << "no icon in the panel";
  if (const char* keep = std::getenv("TOVIWALL_KEEP_SCREENSHOTS"))
    session.Tool({"bash", "-c", "xwd -silent -id \"$0\" | /usr/bin/convert xwd:- \"$1\"", std::to_string(panel),
                  std::string(keep) + "/plasma-panel.png"});
  for (const QString& shown : client.Items())
    EXPECT_NE(client.OwnerPid(shown), unsigned(proxy.Pid())) << "the icon docked as XEmbed as well";
  std::istringstream geometry(session.Xdotool({"getwindowgeometry", "--shell", std::to_string(panel)}).out);
  for (std::string line; std::getline(geometry, line);) {
    if (line.rfind("X=", 0) == 0) x += std::stoi(line.substr(2));
    if (line.rfind("Y=", 0) == 0) y += std::stoi(line.substr(2));
  }
  EXPECT_FALSE(session.WindowVisible(kTitle)) << "the program found no tray";

  session.Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "--repeat", "2", "--delay", "60", "1"});
  EXPECT_TRUE(session.WaitWindowVisible(kTitle, true)) << "the double-click did not show the main window";

  // A right click: Plasma asks the program's dbusmenu, and the program's own menu stays shut.
  const std::string calls = session.Root() / "menu-calls.log";
  Process::Options monitor;
  monitor.env = peer.Environment();
  monitor.logFile = calls;
  auto dbusMonitor = Process::Start({"dbus-monitor", "--session", "interface='com.canonical.dbusmenu'"}, monitor);
  ::usleep(300000);  // dbus-monitor listens
  session.Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "3"});
  EXPECT_TRUE(WaitFor([&] { return ReadFile(calls).find("member=AboutToShow") != std::string::npos; }, 10000))
      << ReadFile(calls);
  EXPECT_FALSE(session.WidgetRect("TBPopupMenu").has_value());
  session.Xdotool({"key", "Escape"});

  // The menu as Plasma reads it; its Hide Main Window item hides the window.
  client.AboutToShow(*item, 0);
  const auto layout = client.Layout(*item);
  const int hide = IdOf(layout, QStringLiteral("Hide Main Window"));
  ASSERT_GE(hide, 0) << Describe(layout);
  EXPECT_GE(IdOf(layout, QStringLiteral("E_xit")), 0) << Describe(layout);
  client.Click(*item, hide);
  EXPECT_TRUE(session.WaitWindowVisible(kTitle, false)) << "the menu's item did not run";
}

}  // namespace
}  // namespace toviwall
