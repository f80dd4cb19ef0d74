// KDE Plasma on Wayland: KWin 5.27 in its virtual mode, which also serves
// kglobalaccel there, xdg-desktop-portal with xdg-desktop-portal-kde, and
// plasmashell on Qt's Wayland platform, on a private runtime folder, home and
// session bus. The hot keys go through the portal's global shortcuts and are
// pressed with kglobalaccel's invokeShortcut. KWin carries a file capability
// this machine refuses to run, so a copy of it without runs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <sys/stat.h>

#include "platform/freedesktop/PortalGlobalHotKeys.h"
#include "support/DesktopBus.h"
#include "support/DesktopPortal.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
namespace fs = std::filesystem;

constexpr const char* kPortalKde = "/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde";

class KdeWaylandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* tool : {"kwin_wayland", "plasmashell"}) RequireProgram(tool);
    root = new TempDir("toviwall-kwin");
    for (const char* folder : {"home/.config", "run", "bin"}) fs::create_directories(*root / folder);
    ::chmod((*root / "run").c_str(), 0700);
    fs::copy_file("/usr/bin/kwin_wayland", *root / "bin/kwin_wayland");  // without its capability
    bus = new DesktopBus(root->Path(), Environment());
    Start("kwin", {*root / "bin/kwin_wayland", "--virtual", "--socket", "wayland-kde", "--width", "1280", "--height", "800"},
          Environment());
    ASSERT_TRUE(WaitFor([] { return NameOwnedOn(Address(), "org.kde.kglobalaccel"); }, 30000))
        << ReadFile(*root / "kwin.log");
    Start("xdpk", {kPortalKde}, Environment());
    ASSERT_TRUE(WaitFor([] { return NameOwnedOn(Address(), "org.freedesktop.impl.portal.desktop.kde"); }, 30000))
        << ReadFile(*root / "xdpk.log");
    processes->push_back(StartDesktopPortal(Environment(), *root / "portal.log"));
  }
  static void TearDownTestSuite() {
    // The shell first, the bus last: the desktop's services end with it.
    for (auto it = processes->rbegin(); it != processes->rend(); ++it) {
      (*it)->Signal(SIGTERM);
      (*it)->Wait(5000);
    }
    delete processes;
    delete bus;
    KillProcessesOfRuntime(*root / "run");
    delete root;
  }

  static std::string Address() { return "unix:path=" + (*root / "bus"); }
  static Env Environment() {
    Env env = WaylandLogin(root->Path(), "wayland-kde", "KDE");
    env.insert({{"KDE_FULL_SESSION", "true"},
                {"KDE_SESSION_VERSION", "5"},
                {"QT_QPA_PLATFORM", "wayland"},
                {"QT_QUICK_BACKEND", "software"},
                {"LIBGL_ALWAYS_SOFTWARE", "1"}});
    return env;
  }
  static Process& Start(const std::string& name, const std::vector<std::string>& argv, const Env& env) {
    processes->push_back(Process::Start(argv, {env, *root / "home", *root / (name + ".log"), {}}));
    return *processes->back();
  }

  // The shortcuts kglobalaccel keeps for our component, as "name=keys" (Qt's
  // key codes), sorted.
  static std::vector<std::string> Registered() {
    const RunResult r = test::Run({"busctl", "--address=" + Address(), "call", "org.kde.kglobalaccel",
                                   "/component/toviwall", "org.kde.kglobalaccel.Component", "allShortcutInfos"},
                                  {{"PATH", "/usr/bin:/bin"}});
    // a(ssssssaiai) N "name" "text" "component" "friendly" "context" "friendly" K keys... D defaults...
    std::vector<std::string> shortcuts;
    std::istringstream words(r.out);
    std::string word;
    words >> word >> word;
    while (words >> std::quoted(word)) {
      std::string skip, keys;
      for (int i = 0; i < 5; ++i) words >> std::quoted(skip);
      int count = 0, defaults = 0;
      words >> count;
      for (int i = 0; i < count; ++i) words >> skip, keys += (i ? "," : "") + skip;
      words >> defaults;
      for (int i = 0; i < defaults; ++i) words >> skip;
      shortcuts.push_back(word + "=" + keys);
    }
    std::sort(shortcuts.begin(), shortcuts.end());
    return shortcuts;
  }
  static void Invoke(const std::string& shortcut) {
    MustRun({"busctl", "--address=" + Address(), "call", "org.kde.kglobalaccel", "/component/toviwall",
             "org.kde.kglobalaccel.Component", "invokeShortcut", "s", shortcut},
            {{"PATH", "/usr/bin:/bin"}});
  }

  static TempDir* root;
  static DesktopBus* bus;
  static std::vector<std::unique_ptr<Process>>* processes;
};
TempDir* KdeWaylandTest::root = nullptr;
DesktopBus* KdeWaylandTest::bus = nullptr;
std::vector<std::unique_ptr<Process>>* KdeWaylandTest::processes = new std::vector<std::unique_ptr<Process>>;

class Receiver : public QObject {
 public:
  std::vector<int> ids;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != platform::HotKeyEvent::EventType()) return QObject::event(e);
    ids.push_back(static_cast<platform::HotKeyEvent*>(e)->Id());
    return true;
  }
};

bool Settle(const std::function<bool()>& condition, int timeoutMs = 30000, int pollMs = 10) {
  return WaitFor(
      [&] {
        QCoreApplication::processEvents();
        return condition();
      },
      timeoutMs, pollMs);
}

// Plasma takes the keys from the session's creation, opens no settings window
// for them, and takes a changed combination under its new name.
TEST_F(KdeWaylandTest, HotKeysTakenChangedAndPressedThroughThePortal) {
  ScopedEnv env;
  env.Set("DBUS_SESSION_BUS_ADDRESS", Address());
  platform::PortalGlobalHotKeys keys;
  Receiver receiver;
  const double start = SteadySeconds();
  ASSERT_TRUE(keys.Register(&receiver, 1, 3, 'N'));
  ASSERT_TRUE(keys.Register(&receiver, 2, 4, 0x74));
  // Ctrl + Alt + N and Shift + F5 in Qt's codes.
  const std::vector<std::string> both{"CTRL+ALT+n=201326670", "SHIFT+F5=50331700"};
  ASSERT_TRUE(Settle([&] { return Registered() == both; })) << testing::PrintToString(Registered());
  const double bound = SteadySeconds();
  EXPECT_TRUE(keys.Available()) << keys.WhyNot();
  const double pressed = SteadySeconds();
  Invoke("CTRL+ALT+n");
  ASSERT_TRUE(Settle([&] { return !receiver.ids.empty(); }, 30000, 1));
  const double arrived = SteadySeconds();
  EXPECT_EQ(receiver.ids, std::vector<int>{1});

  keys.Unregister(&receiver, 1);
  keys.Register(&receiver, 3, 3, 'M');
  ASSERT_TRUE(Settle([&] {
    const std::vector<std::string> now = Registered();
    return std::find(now.begin(), now.end(), "CTRL+ALT+m=201326669") != now.end();
  })) << testing::PrintToString(Registered());
  // The old one given back: free for other programs, and pressed no more.
  EXPECT_TRUE(Settle([&] { return Registered() == std::vector<std::string>{"CTRL+ALT+m=201326669", "SHIFT+F5=50331700"}; }))
      << testing::PrintToString(Registered());
  EXPECT_EQ(test::Run({"busctl", "--address=" + Address(), "call", "org.kde.kglobalaccel", "/kglobalaccel",
                       "org.kde.KGlobalAccel", "isGlobalShortcutAvailable", "is", "201326670", "other"},
                      {{"PATH", "/usr/bin:/bin"}})
                .out,
            "b true\n");
  Invoke("CTRL+ALT+n");
  Invoke("CTRL+ALT+m");
  ASSERT_TRUE(Settle([&] { return receiver.ids.size() >= 2; }));
  Settle([] { return false; }, 300);
  EXPECT_EQ(receiver.ids, (std::vector<int>{1, 3}));
  EXPECT_EQ(ReadFile(*root / "xdpk.log").find("BindShortcuts called"), std::string::npos)
      << "Plasma would have opened its shortcut settings";
  std::printf("[ figures ] Plasma had the keys %.0f ms after they were taken; a press arrived %.1f ms after "
              "busctl was started to invoke it\n",
              (bound - start) * 1000, (arrived - pressed) * 1000);
}

// The real program on Qt's Wayland platform with plasmashell: the wallpaper
// in Plasma's file, then the change hot key pressed through the portal.
TEST_F(KdeWaylandTest, TheProgramSetsTheWallpaperAndItsHotKeyChangesIt) {
  Process& shell = Start("plasmashell", {"plasmashell", "--no-respawn"}, Environment());
  ASSERT_TRUE(WaitFor(
      [&] {
        return !shell.Running() ||
               test::Run({"dbus-send", "--bus=" + Address(), "--print-reply", "--dest=org.kde.plasmashell",
                          "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", "string:print(desktops().length)"},
                         {{"PATH", "/usr/bin:/bin"}})
                       .out.find("string \"1\"") != std::string::npos;
      },
      120000, 50))
      << ReadFile(*root / "plasmashell.log");
  const std::string home = *root / "home";
  CopyTestPicture(home + "/pics/1.png");
  CopyTestPicture(home + "/pics/2.png");
  const std::string settings = home + "/.config/Tovi Solution/Tovi WallChanger/toviwall.ini";
  fs::create_directories(fs::path(settings).parent_path());
  WriteFile(settings, "[Option]\nImage Folder=" + home + "/pics\n[Hotkey]\nChangeWallMod=3\nChangeWallVir=78\n");
  Env env = Environment();
  env.erase("QT_QPA_PLATFORM");  // the program chooses Wayland itself
  const std::string appletsrc = home + "/.config/plasma-org.kde.plasma.desktop-appletsrc";
  auto image = [&] {
    const std::string text = ReadFile(appletsrc);
    const std::size_t at = text.find("\nImage=file://" + home + "/.config/Tovi");
    return at == std::string::npos ? std::string() : text.substr(at + 7, text.find('\n', at + 1) - at - 7);
  };
  auto toviwall = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv{BinaryDir() + "/toviwall"};
    argv.insert(argv.end(), args.begin(), args.end());
    return test::Run(argv, env);
  };
  auto program = Process::Start({BinaryDir() + "/toviwall"}, {env, home, *root / "toviwall.log", {}});
  ASSERT_TRUE(WaitFor([&] { return !image().empty(); }, 30000)) << ReadFile(*root / "toviwall.log");
  const std::string first = image();
  EXPECT_NE(toviwall({"--status"}).out.find("\nrow=1\n"), std::string::npos);
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<std::string> now = Registered();
    return std::find(now.begin(), now.end(), "CTRL+ALT+n=201326670") != now.end();
  }, 30000)) << ReadFile(*root / "toviwall.log");
  Invoke("CTRL+ALT+n");
  // The same output file under its other spelling, so that Plasma loads it again.
  EXPECT_TRUE(WaitFor([&] { return !image().empty() && image() != first; }, 30000)) << ReadFile(*root / "toviwall.log");
  EXPECT_NE(toviwall({"--status"}).out.find("\nrow=2\n"), std::string::npos);
  EXPECT_EQ(toviwall({"--exit"}).exitCode, 0);
  EXPECT_EQ(program->Wait(10000), 0) << ReadFile(*root / "toviwall.log");
}

}  // namespace
}  // namespace toviwall
