// The tray icon in waybar's tray under a headless sway: the icon on Qt's
// Wayland platform registers as a StatusNotifierItem and shows in the bar, one,
// two or three Activates in a row (waybar sends three for a double click) run
// the double-click action once, the menu goes over dbusmenu and its items run,
// and a waybar that starts again gets the icon again. sway and its clients run
// as nobody; the session bus is open to the test (root) as well.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "support/TestSession.h"
#include "support/TrayClient.h"

namespace toviwall {
namespace {

using namespace test;
namespace fs = std::filesystem;

const std::vector<std::string> kNobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};

std::vector<std::string> AsNobody(std::vector<std::string> argv) {
  argv.insert(argv.begin(), kNobody.begin(), kNobody.end());
  return argv;
}

class WaybarTrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"sway", "waybar", "grim", "setpriv"}) RequireProgram(tool);
    ::chmod(root.Path().c_str(), 0755);
    fs::create_directories(root / "home/.config/waybar");
    WriteFile(root / "home/.config/waybar/config", R"({"height": 24, "modules-right": ["tray"]})");
    fs::create_directories(root / "run");
    ::chmod((root / "run").c_str(), 0700);
    MustRun({"chown", "-R", "65534:65534", root / "home", root / "run"}, {{"PATH", "/usr/bin:/bin"}});
    WriteFile(root / "sway.conf", "xwayland disable\noutput HEADLESS-1 resolution 800x600 bg #336699 solid_color\n");
    // The bus's folder is the test's own: nobody may reach its socket.
    ::chmod(fs::path(bus.Address().substr(std::string("unix:path=").size())).parent_path().c_str(), 0755);
    env = {{"PATH", "/usr/bin:/bin"},
           {"HOME", root / "home"},
           {"XDG_CONFIG_HOME", root / "home/.config"},
           {"XDG_RUNTIME_DIR", root / "run"},
           {"DBUS_SESSION_BUS_ADDRESS", bus.Address()},
           {"LANG", "C.UTF-8"}};
    Env swayEnv = env;
    swayEnv.insert({{"WLR_BACKENDS", "headless"}, {"WLR_LIBINPUT_NO_DEVICES", "1"}, {"WLR_RENDERER", "pixman"}});
    sway = Process::Start(AsNobody({"sway", "-c", root / "sway.conf"}), {swayEnv, {}, root / "sway.log", {}});
    ASSERT_TRUE(WaitFor([&] { return Exists(root / "run/wayland-1"); })) << ReadFile(root / "sway.log");
    env["WAYLAND_DISPLAY"] = "wayland-1";
    env["XDG_SESSION_TYPE"] = "wayland";
    StartWaybar();
  }

  void StartWaybar() {
    waybar = Process::Start(AsNobody({"waybar"}), {env, {}, root / "waybar.log", {}});
    ASSERT_TRUE(WaitFor([&] { return client.WatcherRunning(); })) << ReadFile(root / "waybar.log");
  }

  // Whether the bar's right end shows more than one colour.
  bool IconShown() {
    const RunResult r = test::Run(
        {"sh", "-c",
         "grim -g '770,0 30x24' -t ppm - | /usr/bin/convert ppm:- -format '%[fx:standard_deviation]' info:"},
        {{"PATH", "/usr/bin:/bin"}, {"WAYLAND_DISPLAY", root / "run/wayland-1"}});
    return r.exitCode == 0 && std::stod(r.out) > 0.05;  // the bar alone: up to 0.02
  }

  TempDir root{"toviwall-waybar"};
  DBusDaemon bus;
  TrayClient client{bus.Address()};
  Env env;
  std::unique_ptr<Process> sway, waybar;
};

TEST_F(WaybarTrayTest, TheIconItsClicksAndItsMenu) {
  const std::string log = root / "recorder.log";
  Env recorderEnv = env;
  recorderEnv["QT_QPA_PLATFORM"] = "wayland";
  auto recorder = Process::Start(AsNobody({BinaryDir() + "/toviwall-tray-recorder", "--menu", "Tip"}),
                                 {recorderEnv, root / "home", log, {}});
  std::optional<QString> item;
  ASSERT_TRUE(WaitFor([&] { return (item = client.ItemOf(recorder->Pid())).has_value(); })) << ReadFile(log);
  EXPECT_TRUE(WaitFor([&] { return IconShown(); }, 5000, 100)) << ReadFile(root / "waybar.log");

  client.Activate(*item, 1);
  EXPECT_TRUE(DoubleClickActions(log, 1));
  client.Activate(*item, 2);
  EXPECT_TRUE(DoubleClickActions(log, 2));
  client.Activate(*item, 3);
  EXPECT_TRUE(DoubleClickActions(log, 3));

  EXPECT_TRUE(client.AboutToShow(*item, 0));
  const auto layout = client.Layout(*item);
  EXPECT_EQ(Describe(layout),
            "_Change Wallpaper default\nOpened 1 times\n[x] Auto__Change\nDisabled off\n---\nDisplay Mode\n"
            "  ( ) 640x480\n  (o) 800x600\nE_xit & Quit icon\n");
  client.Click(*item, IdOf(layout, QStringLiteral("_Change Wallpaper")));
  EXPECT_TRUE(WaitFor([&] { return Recorded(log, "Menu Change") == 1; })) << ReadFile(log);

  waybar->Kill();
  ASSERT_TRUE(WaitFor([&] { return !client.WatcherRunning(); }));
  StartWaybar();
  EXPECT_TRUE(WaitFor([&] { return client.ItemOf(recorder->Pid()).has_value(); })) << ReadFile(log);
}

}  // namespace
}  // namespace toviwall
