// GNOME Shell 43 headless on Wayland, with the AppIndicator extension on: the
// real program on Qt's Wayland platform changes the wallpaper through GNOME's
// settings, light and dark, seen in GNOME Shell's own screenshots, and shows
// its icon with its menu in the extension's tray. The shell
// needs a system bus and must not see logind's seats (it would ask logind for
// one): it runs in a mount namespace of its own, with tmpfs over /run/systemd
// and /run/dbus and a private system bus there.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "image/ImageConvert.h"
#include "image/ImageReader.h"
#include "../platform/DesktopPeers.h"
#include "support/DesktopBus.h"
#include "support/DesktopPortal.h"
#include "support/TestSession.h"
#include "support/TrayClient.h"

namespace toviwall {
namespace {

using namespace test;
namespace fs = std::filesystem;

constexpr const char* kAppIndicator = "ubuntu-appindicators@ubuntu.com";

std::string Hex(std::uint32_t c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", c);
  return text;
}

class GnomeShellTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* tool : {"gnome-shell", "unshare", "gsettings"}) RequireProgram(tool);
    root = new TempDir("toviwall-gnome");
    for (const char* folder : {"home/.config", "home/pics", "run"}) fs::create_directories(*root / folder);
    ::chmod((*root / "run").c_str(), 0700);
    bus = new DesktopBus(root->Path(), Environment());
    MustRun({"gsettings", "set", "org.gnome.shell", "enabled-extensions", std::string("['") + kAppIndicator + "']"},
            Environment());
    WriteFile(*root / "system.conf",
              "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
              "<busconfig><type>system</type><listen>unix:path=/run/dbus/system_bus_socket</listen>"
              "<auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
              "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n");
    WriteFile(*root / "shell.sh",
              "set -e\n"
              "if [ -d /run/dbus ]; then mount -t tmpfs tmpfs /run/dbus; else mount -t tmpfs tmpfs /run; mkdir /run/dbus; fi\n"
              "if [ -d /run/systemd ]; then mount -t tmpfs tmpfs /run/systemd; fi\n"
              "dbus-daemon --config-file=" + (*root / "system.conf") + " --nofork --nopidfile &\n"
              "for i in $(seq 250); do [ -S /run/dbus/system_bus_socket ] && break; sleep 0.02; done\n"
              "exec gnome-shell --headless --virtual-monitor 1280x800 --wayland --no-x11 "
              "--wayland-display wayland-gnome --sm-disable\n");
    const double start = SteadySeconds();
    shell = Process::Start({"unshare", "--mount", "--propagation", "private", "sh", *root / "shell.sh"},
                           {Environment(), *root / "home", *root / "shell.log", {}})
                .release();
    ASSERT_TRUE(WaitFor([] { return !shell->Running() || Screenshot(*root / "first.png"); }, 60000, 50))
        << ReadFile(*root / "shell.log");
    std::printf("[ figures ] GNOME Shell took its first screenshot %.2f s after its start\n", SteadySeconds() - start);
    // Out of the overview it starts in, onto the desktop.
    MustRun({"busctl", "--address=" + bus->Address(), "set-property", "org.gnome.Shell", "/org/gnome/Shell",
             "org.gnome.Shell", "OverviewActive", "b", "false"},
            Environment());
  }
  static void TearDownTestSuite() {
    delete shell;
    delete bus;
    KillProcessesOfRuntime(*root / "run");
    delete root;
  }

  static Env Environment() {
    Env env = WaylandLogin(root->Path(), "wayland-gnome", "GNOME");
    env["NO_AT_BRIDGE"] = "1";
    return env;
  }

  // What GNOME Shell shows, through its screenshot call.
  static bool Screenshot(const std::string& png) {
    return test::Run({"/usr/bin/python3", SourceDir() + "/tests/programs/gnome-screenshot.py",
                      "unix:path=" + (*root / "bus"), png},
                     Environment())
               .exitCode == 0;
  }

  static std::string Picture(const std::string& name, const Quadrants& q) {
    const std::string path = *root / ("home/pics/" + name);
    MustRun({"/usr/bin/convert", "-size", "120x80", "xc:" + Hex(q.topLeft), "-fill", Hex(q.topRight), "-draw",
             "rectangle 60,0 119,39", "-fill", Hex(q.bottomLeft), "-draw", "rectangle 0,40 59,79", "-fill",
             Hex(q.bottomRight), "-draw", "rectangle 60,40 119,79", path},
            Environment());
    return path;
  }

  // Waits until the screen shows the picture stretched over it, away from the
  // quadrants' borders, the main window (left of the middle) and the notices
  // (top middle); the message names the first probe that does not.
  static ::testing::AssertionResult Shows(const Quadrants& q, int timeoutMs = 30000) {
    struct Probe {
      int x, y;
      std::uint32_t colour;
    };
    const Probe probes[] = {{40, 250, q.topLeft}, {1200, 250, q.topRight}, {40, 700, q.bottomLeft}, {1200, 700, q.bottomRight}};
    const std::string png = *root / "shot.png";
    std::string wrong;
    const bool ok = WaitFor(
        [&] {
          if (!Screenshot(png)) return wrong = "no screenshot", false;
          auto reader = OpenPngFile(png);
          const Bitmap24 shot = ReadRemainingRows(*reader);
          for (const Probe& p : probes) {
            const std::uint8_t* bgr = shot.Row(p.y) + 3 * p.x;
            const std::uint32_t seen = bgr[2] << 16 | bgr[1] << 8 | bgr[0];
            auto near = [&](int s) { return std::abs(int(seen >> s & 0xff) - int(p.colour >> s & 0xff)) <= 24; };
            if (!near(16) || !near(8) || !near(0)) {
              wrong = "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ") shows " + Hex(seen) + ", not " + Hex(p.colour);
              return false;
            }
          }
          return true;
        },
        timeoutMs, 100);
    if (const char* keep = std::getenv("TOVIWALL_KEEP_SCREENSHOTS"))
      fs::copy_file(png, std::string(keep) + "/gnome-shell.png", fs::copy_options::overwrite_existing);
    return ok ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << wrong;
  }

  static std::string Setting(const std::string& schema, const std::string& key) {
    return MustRun({"gsettings", "get", schema, key}, Environment()).out;
  }

  static TempDir* root;
  static DesktopBus* bus;
  static Process* shell;
};
TempDir* GnomeShellTest::root = nullptr;
DesktopBus* GnomeShellTest::bus = nullptr;
Process* GnomeShellTest::shell = nullptr;

TEST_F(GnomeShellTest, TheProgramChangesTheWallpaperLightAndDark) {
  EXPECT_TRUE(NameOwnedOn(bus->Address(), "org.kde.StatusNotifierWatcher")) << "the AppIndicator extension is off";
  Picture("cool.png", kCool);
  Picture("warm.png", kWarm);
  const std::string settings = *root / "home/.config/Tovi Solution/Tovi WallChanger/toviwall.ini";
  fs::create_directories(fs::path(settings).parent_path());
  WriteFile(settings, "[Option]\nImage Folder=" + (*root / "home/pics") + "\nType=2\n");
  auto toviwall = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv{BinaryDir() + "/toviwall"};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  };
  auto program = Process::Start(toviwall({}), {Environment(), *root / "home", *root / "toviwall.log", {}});
  ASSERT_TRUE(Shows(kCool)) << ReadFile(*root / "toviwall.log");
  // Its icon in the extension's tray, with the program's menu.
  TrayClient client{bus->Address()};
  std::optional<QString> item;
  EXPECT_TRUE(WaitFor([&] { return (item = client.ItemOf(program->Pid())).has_value(); }, 10000))
      << client.Items().join(u' ').toStdString() << "\n" << ReadFile(*root / "toviwall.log");
  if (item) {
    EXPECT_GE(IdOf(client.Layout(*item), QStringLiteral("E_xit")), 0) << Describe(client.Layout(*item));
  }
  MustRun(toviwall({"--next"}), Environment());
  EXPECT_TRUE(Shows(kWarm));
  // The dark style shows picture-uri-dark, which each change writes too.
  MustRun({"gsettings", "set", "org.gnome.desktop.interface", "color-scheme", "prefer-dark"}, Environment());
  MustRun(toviwall({"--next"}), Environment());
  EXPECT_TRUE(Shows(kCool));
  EXPECT_EQ(Setting("org.gnome.desktop.background", "picture-uri-dark"),
            Setting("org.gnome.desktop.background", "picture-uri"));
  MustRun(toviwall({"--exit"}), Environment());
  EXPECT_EQ(program->Wait(10000), 0) << ReadFile(*root / "toviwall.log");
}

}  // namespace
}  // namespace toviwall
