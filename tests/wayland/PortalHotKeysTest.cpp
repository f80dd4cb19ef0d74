// Hot keys through the desktop portal's global shortcuts: the real
// xdg-desktop-portal frontend on a private bus, with a backend of ours
// (tests/programs/portal-shortcuts.py) standing in for the compositor's key
// handling, which nothing here can press. First the backend in-process, then
// the real program in a headless sway session, as nobody (sway refuses root).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/freedesktop/PortalGlobalHotKeys.h"
#include "support/DesktopPortal.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
namespace fs = std::filesystem;

constexpr const char* kBackendName = "org.freedesktop.impl.portal.desktop.toviwalltest";
constexpr unsigned kAltCtrl = 3, kShift = 4;

// Where the hot key events for it arrive, and when.
class Receiver : public QObject {
 public:
  std::vector<int> ids;
  double last = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != platform::HotKeyEvent::EventType()) return QObject::event(e);
    ids.push_back(static_cast<platform::HotKeyEvent*>(e)->Id());
    last = SteadySeconds();
    return true;
  }
};

// A private bus open to nobody as well, our backend and the real frontend on it.
class PortalTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root = new TempDir("toviwall-portal");
    bus = new DBusDaemon;
    const std::string address = bus->Address();
    ::chmod(fs::path(address.substr(address.find('=') + 1)).parent_path().c_str(), 0755);
    fs::create_directories(*root / "portals");
    WriteFile(*root / "portals/toviwalltest.portal",
              std::string("[portal]\nDBusName=") + kBackendName +
                  "\nInterfaces=org.freedesktop.impl.portal.GlobalShortcuts;\nUseIn=toviwalltest\n");
    backend = StartBackend(address).release();
    frontend = StartDesktopPortal(PortalEnv(address, "portals", "toviwalltest"), *root / "portal.log").release();
  }
  static void TearDownTestSuite() {
    delete frontend;
    delete backend;
    delete bus;
    delete root;
  }

  static Env PortalEnv(const std::string& address, const std::string& portals, const std::string& desktop) {
    return {{"PATH", "/usr/bin:/bin"},           {"HOME", *root / "portal-home"},
            {"XDG_RUNTIME_DIR", *root / "portal-run"}, {"DBUS_SESSION_BUS_ADDRESS", address},
            {"XDG_DESKTOP_PORTAL_DIR", *root / portals}, {"XDG_CURRENT_DESKTOP", desktop}};
  }

  static std::unique_ptr<Process> StartBackend(const std::string& address) {
    Process::Options options{{{"PATH", "/usr/bin:/bin"}}, {}, *root / "backend.log", {}};
    auto p = Process::Start({"/usr/bin/python3", SourceDir() + "/tests/programs/portal-shortcuts.py", "--address",
                             address, "--record", Record(), "--name", kBackendName},
                            options);
    if (!WaitFor([&] { return ReadFile(*root / "backend.log").find("ready") != std::string::npos || !p->Running(); }) ||
        !p->Running())
      throw std::runtime_error("portal-shortcuts.py did not start:\n" + ReadFile(*root / "backend.log"));
    return p;
  }

  static std::string Record() { return *root / "record"; }
  // The backend's record from line `from` on, without the sessions' tokens
  // (and the times of presses).
  static std::vector<std::string> Calls(std::size_t from = 0) {
    std::vector<std::string> calls;
    const std::vector<std::string> lines = RecordedCalls(Record());
    for (std::size_t i = from; i < lines.size(); ++i) {
      std::istringstream words(lines[i]);
      std::string verb, token, rest, word;
      words >> verb >> token;
      if (verb == "Press") continue;
      while (words >> word) rest += " " + word;
      calls.push_back(verb + rest);
    }
    return calls;
  }
  static std::vector<std::string> PressCommand(const std::string& id) {
    return {"dbus-send", "--bus=" + bus->Address(), "--print-reply", std::string("--dest=") + kBackendName, "/test",
            "org.toviwall.PortalTest.Press", "string:" + id};
  }
  // Whether the backend had the shortcut to press.
  static bool Press(const std::string& id) {
    return test::Run(PressCommand(id), {{"PATH", "/usr/bin:/bin"}}).out.find("boolean true") != std::string::npos;
  }
  // The moment of the last press, on the steady clock (the backend's monotonic one).
  static double LastPressTime() {
    const std::vector<std::string> lines = RecordedCalls(Record());
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
      if (it->rfind("Press ", 0) == 0) return std::stod(it->substr(it->rfind(' ') + 1));
    return 0;
  }

  static bool Settle(const std::function<bool()>& condition, int timeoutMs = 30000, int pollMs = 5) {
    return WaitFor(
        [&] {
          QCoreApplication::processEvents();
          return condition();
        },
        timeoutMs, pollMs);
  }

  static TempDir* root;
  static DBusDaemon* bus;
  static Process* backend;
  static Process* frontend;
};
TempDir* PortalTest::root = nullptr;
DBusDaemon* PortalTest::bus = nullptr;
Process* PortalTest::backend = nullptr;
Process* PortalTest::frontend = nullptr;

TEST(PortalTrigger, WrittenInTheFreedesktopTriggerFormat) {
  EXPECT_EQ(platform::PortalTrigger(kAltCtrl, 'N'), "CTRL+ALT+n");
  EXPECT_EQ(platform::PortalTrigger(kShift, 0x74), "SHIFT+F5");
  EXPECT_EQ(platform::PortalTrigger(7, 0xBA), "CTRL+ALT+SHIFT+semicolon");
  EXPECT_EQ(platform::PortalTrigger(0, 0xB3), "XF86AudioPlay");
  EXPECT_EQ(platform::PortalTrigger(2, 0xFF), "") << "no such key";
}

// The keys go over as one binding per change; a pressed one reaches its receiver.
TEST_F(PortalTest, BindsOncePerChangeAndDeliversThePressedKey) {
  ScopedEnv env;
  env.Set("DBUS_SESSION_BUS_ADDRESS", bus->Address());
  const std::size_t before = RecordedCalls(Record()).size();
  platform::PortalGlobalHotKeys keys;
  Receiver receiver;
  const double start = SteadySeconds();
  ASSERT_TRUE(keys.Register(&receiver, 1, kAltCtrl, 'N'));
  ASSERT_TRUE(keys.Register(&receiver, 2, kShift, 0x74));
  EXPECT_FALSE(keys.Register(&receiver, 3, kAltCtrl, 'N')) << "taken already";
  ASSERT_TRUE(Settle([&] { return Calls(before).size() >= 2; })) << ReadFile(*root / "portal.log");
  const double bound = SteadySeconds();
  EXPECT_TRUE(keys.Available()) << keys.WhyNot();
  // Settled: nothing more goes over.
  Settle([] { return false; }, 300);
  EXPECT_EQ(Calls(before), (std::vector<std::string>{"Create CTRL+ALT+n SHIFT+F5", "Bind CTRL+ALT+n SHIFT+F5"}));

  // Pressed while this process takes its events, for the time it takes.
  auto press = Process::Start(PressCommand("CTRL+ALT+n"), {{{"PATH", "/usr/bin:/bin"}}, {}, {}, {}});
  ASSERT_TRUE(Settle([&] { return !receiver.ids.empty(); }, 30000, 1));
  EXPECT_EQ(receiver.ids, std::vector<int>{1});
  const double latency = receiver.last - LastPressTime();

  // A box given a new combination: the old one given back, the new one taken.
  std::size_t mark = RecordedCalls(Record()).size();
  ASSERT_TRUE(keys.Unregister(&receiver, 1));
  ASSERT_TRUE(keys.Register(&receiver, 4, kAltCtrl, 'M'));
  ASSERT_TRUE(Settle([&] { return Calls(mark).size() >= 3; }));
  Settle([] { return false; }, 300);
  EXPECT_EQ(Calls(mark), (std::vector<std::string>{"Close", "Create CTRL+ALT+m SHIFT+F5", "Bind CTRL+ALT+m SHIFT+F5"}));
  EXPECT_FALSE(Press("CTRL+ALT+n")) << "given back";
  ASSERT_TRUE(Press("CTRL+ALT+m"));
  ASSERT_TRUE(Settle([&] { return receiver.ids.size() == 2; }));
  EXPECT_EQ(receiver.ids.back(), 4);

  // The same combination again changes nothing; none left closes the session.
  mark = RecordedCalls(Record()).size();
  ASSERT_TRUE(keys.Unregister(&receiver, 2));
  ASSERT_TRUE(keys.Register(&receiver, 5, kShift, 0x74));
  Settle([] { return false; }, 300);
  EXPECT_TRUE(Calls(mark).empty());
  keys.Unregister(&receiver, 4);
  keys.Unregister(&receiver, 5);
  ASSERT_TRUE(Settle([&] { return !Calls(mark).empty(); }));
  Settle([] { return false; }, 300);
  EXPECT_EQ(Calls(mark), std::vector<std::string>{"Close"});
  std::printf("[ figures ] bound %.1f ms after the keys were taken; a press arrived %.2f ms after the portal's signal\n",
              (bound - start) * 1000, latency * 1000);
}

// sway and GNOME 43 run the frontend without global shortcuts; elsewhere no
// portal runs at all. Combinations are kept all the same.
TEST_F(PortalTest, SaysWhyWhereNoPortalOffersThem) {
  DBusDaemon other;
  ScopedEnv env;
  env.Set("DBUS_SESSION_BUS_ADDRESS", other.Address());
  Receiver receiver;
  // Kept, and unavailable for the reason given.
  auto unavailable = [&](platform::PortalGlobalHotKeys& keys, const std::string& why) {
    bool told = false;
    keys.OnAvailabilityChanged([&] { told = true; });
    EXPECT_TRUE(keys.Register(&receiver, 1, kAltCtrl, 'N'));
    ASSERT_TRUE(Settle([&] { return told; }));
    EXPECT_FALSE(keys.Available());
    EXPECT_NE(keys.WhyNot().find(why), std::string::npos) << keys.WhyNot();
  };
  {
    platform::PortalGlobalHotKeys keys;
    unavailable(keys, "No desktop portal");
  }
  fs::create_directories(*root / "portals-none");
  WriteFile(*root / "portals-none/none.portal",
            std::string("[portal]\nDBusName=") + kBackendName +
                "\nInterfaces=org.freedesktop.impl.portal.Inhibit;\nUseIn=toviwallnone\n");
  auto portal = StartDesktopPortal(PortalEnv(other.Address(), "portals-none", "toviwallnone"), *root / "portal-none.log");
  platform::PortalGlobalHotKeys keys;
  unavailable(keys, "no global shortcuts");
  // A box on Wayland hears the compositor's keysym; a shifted symbol stands for its key.
  EXPECT_EQ(keys.VirtualKeyOfKeyPress(57, 'N'), 'N');
  EXPECT_EQ(keys.VirtualKeyOfKeyPress(10, '!'), '1');
  EXPECT_EQ(keys.VirtualKeyOfKeyPress(47, ':'), 0xBA);
  EXPECT_EQ(keys.VirtualKeyOfKeyPress(200, 0x20ac), 0u) << "the euro sign on no key we know";
}

// The real program in a headless sway with the portal on its bus: the change
// hot key from its settings bound once, and its press changing the wallpaper.
TEST_F(PortalTest, TheProgramChangesTheWallpaperWhenItsKeyIsPressed) {
  for (const char* tool : {"sway", "setpriv"}) RequireProgram(tool);
  const std::vector<std::string> nobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  TempDir dir("toviwall-portal-sway");
  ::chmod(dir.Path().c_str(), 0755);
  const std::string home = dir / "home", run = dir / "run";
  fs::create_directories(home + "/pics");
  fs::create_directories(run);
  ::chmod(run.c_str(), 0700);
  CopyTestPicture(home + "/pics/1.png");
  CopyTestPicture(home + "/pics/2.png");
  const std::string settings = home + "/.config/Tovi Solution/Tovi WallChanger/toviwall.ini";
  fs::create_directories(fs::path(settings).parent_path());
  // Ctrl + Alt + N changes the wallpaper.
  WriteFile(settings, "[Option]\nImage Folder=" + home + "/pics\n[Hotkey]\nChangeWallMod=3\nChangeWallVir=78\n");
  WriteFile(dir / "sway.conf", "xwayland disable\noutput HEADLESS-1 resolution 640x480 bg #336699 solid_color\n");
  MustRun({"chown", "-R", "65534:65534", home, run}, {{"PATH", "/usr/bin:/bin"}});

  Process::Options swayOptions{{{"PATH", "/usr/bin:/bin"},
                                {"HOME", home},
                                {"XDG_RUNTIME_DIR", run},
                                {"WLR_BACKENDS", "headless"},
                                {"WLR_LIBINPUT_NO_DEVICES", "1"},
                                {"WLR_RENDERER", "pixman"}},
                               {},
                               dir / "sway.log",
                               {}};
  std::vector<std::string> argv = nobody;
  argv.insert(argv.end(), {"sway", "-c", dir / "sway.conf"});
  auto sway = Process::Start(argv, swayOptions);
  ASSERT_TRUE(WaitFor([&] { return Exists(run + "/wayland-1"); }, 30000)) << ReadFile(dir / "sway.log");

  const Env env{{"PATH", "/usr/bin:/bin"},
                {"HOME", home},
                {"XDG_CONFIG_HOME", home + "/.config"},
                {"XDG_RUNTIME_DIR", run},
                {"WAYLAND_DISPLAY", "wayland-1"},
                {"XDG_SESSION_TYPE", "wayland"},
                {"LANG", "C.UTF-8"},
                {"DBUS_SESSION_BUS_ADDRESS", bus->Address()}};
  auto toviwall = [&](std::vector<std::string> args) {
    std::vector<std::string> command = nobody;
    command.push_back(BinaryDir() + "/toviwall");
    command.insert(command.end(), args.begin(), args.end());
    return command;
  };
  auto row = [&] {
    const std::string out = test::Run(toviwall({"--status"}), env).out;
    const std::size_t at = out.find("\nrow=");
    return at == std::string::npos ? std::string() : out.substr(at + 5, out.find('\n', at + 1) - at - 5);
  };
  const std::size_t before = RecordedCalls(Record()).size();
  auto program = Process::Start(toviwall({}), Process::Options{env, home, dir / "toviwall.log", {}});
  ASSERT_TRUE(WaitFor([&] { return row() == "1"; }, 30000)) << ReadFile(dir / "toviwall.log");
  ASSERT_TRUE(WaitFor([&] { return Calls(before).size() >= 2; }, 30000)) << ReadFile(dir / "toviwall.log");
  ASSERT_TRUE(Press("CTRL+ALT+n"));
  EXPECT_TRUE(WaitFor([&] { return row() == "2"; }, 30000)) << ReadFile(dir / "toviwall.log");
  EXPECT_EQ(Calls(before), (std::vector<std::string>{"Create CTRL+ALT+n", "Bind CTRL+ALT+n"}));
  MustRun(toviwall({"--exit"}), env);
  EXPECT_EQ(program->Wait(10000), 0) << ReadFile(dir / "toviwall.log");
}

}  // namespace
}  // namespace toviwall
