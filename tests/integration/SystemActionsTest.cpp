// The system commands of the real program against stand-ins for the session's
// services on private D-Bus buses (logind, a session manager and UDisks2 must
// not really end the session, power off or eject, and there is no drive
// here): the Log Out / Power menu from what logind offers, each exit command's
// call after our question and the program's orderly end; the session manager
// taking them instead; lock through logind, the freedesktop screen saver and
// xdg-screensaver; the X server's screen saver; the display settings tool; a
// mounted disc ejected through UDisks2.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <tuple>

#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;

class SystemActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    session = std::make_unique<Session>(SessionOptions{.tray = true});
    record = session->Root() / "calls";
  }

  // logind (and more) on a private system bus the program is pointed at.
  void StartLogind(const std::vector<std::string>& options = {}) {
    systemBus = std::make_unique<DBusDaemon>();
    logind = StartFakeLogin1(systemBus->Address(), record, options);
    session->SetEnv("DBUS_SYSTEM_BUS_ADDRESS", systemBus->Address());
  }

  std::unique_ptr<Process> StartProgram(const std::string& profile = "") {
    session->WriteProfile(profile);
    auto p = session->StartReady();
    EXPECT_TRUE(WaitFor([&] { return !session->FindWindows("ToviWallIcon", true).empty(); }))
        << ReadFile(session->LastProgramLog());
    return p;
  }

  // The names of the items of the shown menu `menu`, top to bottom.
  std::vector<std::string> Items(const std::string& menu) {
    std::vector<std::pair<int, std::string>> rows;
    std::stringstream ss(ReadFile(session->WidgetMapFile()));
    std::string line;
    while (std::getline(ss, line)) {
      if (line.rfind(menu + ".", 0) != 0) continue;
      std::stringstream ls(line);
      std::string key;
      int x, y;
      ls >> key >> x >> y;
      rows.push_back({y, key.substr(menu.size() + 1)});
    }
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> names;
    for (auto& r : rows) names.push_back(r.second);
    return names;
  }

  void OpenMenu() {
    const unsigned long icon = session->FindWindows("ToviWallIcon", true).at(0);
    session->Xdotool({"mousemove", "--window", std::to_string(icon), "8", "8", "click", "3"});
    ASSERT_TRUE(WaitFor([&] { return !Items("TBPopupMenu").empty(); }));
  }
  // The items of the Log Out / Power submenu, opened from the tray menu.
  std::vector<std::string> OpenExitWindows() {
    OpenMenu();
    auto r = session->WidgetRect("TBPopupMenu.TBSubmenuItemExitWin");
    EXPECT_TRUE(r.has_value());
    if (!r) return {};
    session->Xdotool({"mousemove", std::to_string(r->x + r->width / 2), std::to_string(r->y + r->height / 2)});
    WaitFor([&] { return !Items("TBSubmenuItemExitWin").empty(); });
    return Items("TBSubmenuItemExitWin");
  }

  bool WaitRecorded(const std::vector<std::string>& calls) {
    return WaitFor([&] { return RecordedCalls(record) == calls; });
  }

  // Our question before logind ends the session's programs: answers it.
  void AnswerQuestion(const std::string& caption, bool yes) {
    std::optional<Session::Rect> box;
    ASSERT_TRUE(WaitFor([&] { return (box = session->WidgetRect("MessageBox")).has_value(); }))
        << ReadFile(session->LastProgramLog());
    EXPECT_EQ(box->text, caption + ": the programs that are open end without being asked to save their work.\\n\\n"
                                   "Do you want to go on?");
    session->Xdotool({"key", yes ? "Return" : "Escape"});
  }

  // The error box's text; closes it.
  std::string ErrorShown() {
    std::optional<Session::Rect> box;
    if (!WaitFor([&] { return (box = session->WidgetRect("ErrorBox")).has_value(); })) return "no error box";
    session->Xdotool({"key", "Return"});
    EXPECT_TRUE(WaitFor([&] { return !session->WidgetRect("ErrorBox").has_value(); }));
    return box->text;
  }

  std::unique_ptr<Session> session;
  std::string record;
  std::unique_ptr<DBusDaemon> systemBus;
  std::unique_ptr<Process> logind;
};

TEST_F(SystemActionsTest, StandByAndHibernateFollowWhatLogindAllows) {
  StartLogind({"--can-suspend", "no", "--can-hibernate", "yes"});
  {
    auto p = StartProgram();
    EXPECT_EQ(OpenExitWindows(), (std::vector<std::string>{"ExitWinLogOff", "ExitWinReboot", "ExitWinShutDown"}));
  }
  logind.reset();  // its name must be free for the next one
  logind = StartFakeLogin1(systemBus->Address(), record, {"--can-suspend", "challenge", "--can-hibernate", "no"});
  {
    auto p = StartProgram();
    EXPECT_EQ(OpenExitWindows(),
              (std::vector<std::string>{"ExitWinLogOff", "ExitWinReboot", "ExitWinShutDown", "ExitWinStandBy"}));
  }
}

TEST_F(SystemActionsTest, EachExitCommandCallsLogindAndOnlyTheEndingOnesEndTheProgramInOrder) {
  StartLogind({"--can-suspend", "yes", "--can-hibernate", "challenge"});
  const std::string list = session->DefaultSettingsFile().substr(0, session->DefaultSettingsFile().size() - 4) + ".lst";
  const std::tuple<const char*, const char*, const char*> commands[] = {
      {"ExitWinLogOff", "TerminateSession 7", "Log Off"}, {"ExitWinReboot", "Reboot true", "Reboot"},
      {"ExitWinShutDown", "PowerOff true", "Shut Down"},  {"ExitWinStandBy", "Suspend true", nullptr},
      {"ExitWinHibernate", "Hibernate true", nullptr},
  };
  for (auto [item, call, asked] : commands) {
    SCOPED_TRACE(item);
    const bool ends = asked != nullptr;
    std::remove(record.c_str());
    std::remove(list.c_str());
    auto p = StartProgram();
    ASSERT_EQ(OpenExitWindows().size(), 5u);
    session->ClickWidget(std::string("TBSubmenuItemExitWin.") + item);
    // logind ends the programs without asking them: we ask first.
    if (ends) AnswerQuestion(asked, true);
    EXPECT_TRUE(WaitRecorded({call})) << ReadFile(record);
    if (ends) {
      EXPECT_EQ(p->Wait(10000), std::optional<int>(0)) << ReadFile(session->LastProgramLog());
      EXPECT_TRUE(Exists(list)) << "the list was not saved";
      EXPECT_TRUE(session->FindWindows("ToviWallIcon", false).empty());
    } else {
      // The machine resumes with the program still there.
      session->RunProgram({"--status"});
      EXPECT_TRUE(p->Running());
      EXPECT_FALSE(session->FindWindows("ToviWallIcon", true).empty());
      session->RunProgram({"--exit"});
      EXPECT_EQ(p->Wait(10000), std::optional<int>(0));
    }
  }
}

TEST_F(SystemActionsTest, NoToOurQuestionOrARefusedRequestKeepsTheProgramRunning) {
  StartLogind({"--refuse", "Reboot=org.freedesktop.DBus.Error.InteractiveAuthorizationRequired", "--refuse",
               "PowerOff=org.freedesktop.DBus.Error.AccessDenied"});
  auto p = StartProgram();
  OpenExitWindows();
  session->ClickWidget("TBSubmenuItemExitWin.ExitWinLogOff");
  AnswerQuestion("Log Off", false);
  const std::tuple<const char*, const char*, const char*> refusals[] = {
      {"ExitWinReboot", "Reboot", "\"Reboot\" did not take place: Interactive authentication required."},
      {"ExitWinShutDown", "Shut Down", "\"Shut Down\" did not take place: Access denied"},
  };
  for (auto [item, caption, text] : refusals) {
    SCOPED_TRACE(item);
    OpenExitWindows();
    session->ClickWidget(std::string("TBSubmenuItemExitWin.") + item);
    AnswerQuestion(caption, true);
    EXPECT_EQ(ErrorShown(), std::string(text) + "\\n\\nTovi WallChanger keeps running.");
    EXPECT_TRUE(p->Running());
  }
  EXPECT_EQ(RecordedCalls(record), (std::vector<std::string>{"Reboot true", "PowerOff true"}));
  EXPECT_FALSE(session->FindWindows("ToviWallIcon", true).empty());
}

TEST_F(SystemActionsTest, TheSessionManagerTakesLogOffRebootAndShutDownAndTheProgramWaitsForTheSessionEnd) {
  StartLogind();
  DBusDaemon sessionBus;
  session->SetEnv("DBUS_SESSION_BUS_ADDRESS", sessionBus.Address());
  // It shows the desktop's confirmation and asks the programs: no question of
  // ours, and the program ends only with the session. GNOME's refuses outside
  // its running phase.
  auto manager = StartFakeLogin1(sessionBus.Address(), record,
                                 {"--no-login1", "--session-manager", "gnome", "--refuse",
                                  "SessionManager.Shutdown=org.gnome.SessionManager.NotInRunning"});
  auto p = StartProgram();
  const std::pair<const char*, const char*> commands[] = {
      {"ExitWinLogOff", "SessionManager.Logout 0"},
      {"ExitWinReboot", "SessionManager.Reboot"},
      {"ExitWinShutDown", "SessionManager.Shutdown"},
  };
  std::vector<std::string> calls;
  for (auto [item, call] : commands) {
    SCOPED_TRACE(item);
    OpenExitWindows();
    session->ClickWidget(std::string("TBSubmenuItemExitWin.") + item);
    calls.push_back(call);
    EXPECT_TRUE(WaitRecorded(calls)) << ReadFile(record);
  }
  EXPECT_EQ(ErrorShown(),
            "\"Shut Down\" did not take place: Logout interface is only available during the Running phase"
            "\\n\\nTovi WallChanger keeps running.");
  EXPECT_FALSE(session->WidgetRect("MessageBox").has_value());
  EXPECT_TRUE(p->Running());

  // KDE Plasma's logout prompt.
  std::remove(record.c_str());
  manager.reset();
  manager = StartFakeLogin1(sessionBus.Address(), record, {"--no-login1", "--session-manager", "kde"});
  OpenExitWindows();
  session->ClickWidget("TBSubmenuItemExitWin.ExitWinReboot");
  EXPECT_TRUE(WaitRecorded({"LogoutPrompt.promptReboot"})) << ReadFile(record);
  EXPECT_TRUE(p->Running());
}

TEST_F(SystemActionsTest, AMountedDiscIsUnmountedAndEjectedThroughUDisksOrTheBoxSaysWhyNot) {
  // No drive here: UDisks2's stand-in knows one (and a disk, which is none).
  StartLogind({"--no-login1", "--udisks", "sr0"});
  auto p = StartProgram();
  auto openDrive = [&] {
    OpenMenu();
    auto r = session->WidgetRect("TBPopupMenu.TBSubmenuCDRom");
    ASSERT_TRUE(r.has_value()) << "no CD Rom menu";
    session->Xdotool({"mousemove", std::to_string(r->x + r->width / 2), std::to_string(r->y + r->height / 2)});
    EXPECT_TRUE(WaitFor([&] {
      return Items("TBSubmenuCDRom") == std::vector<std::string>{"OpenDrive_sr0", "CloseDrive_sr0"};
    }));
    session->ClickWidget("TBSubmenuCDRom.OpenDrive_sr0");
  };
  openDrive();
  EXPECT_TRUE(WaitRecorded({"Unmount sr0", "Eject TEST_DVD_sr0"})) << ReadFile(record);

  std::remove(record.c_str());
  logind.reset();
  logind = StartFakeLogin1(systemBus->Address(), record,
                           {"--no-login1", "--udisks", "sr0", "--refuse", "Unmount=org.freedesktop.UDisks2.Error.DeviceBusy"});
  openDrive();
  EXPECT_EQ(ErrorShown(), "Drive sr0 could not be opened: the disc could not be unmounted: Error unmounting /dev/sr0: "
                          "target is busy");
  EXPECT_EQ(RecordedCalls(record), std::vector<std::string>{"Unmount sr0"});
  EXPECT_TRUE(p->Running());
}

TEST_F(SystemActionsTest, LockGoesToLogindThenTheScreenSaverServiceThenXdgScreensaver) {
  // logind knows the session by the id the session gives.
  StartLogind();
  session->SetEnv("XDG_SESSION_ID", "7");
  {
    auto p = StartProgram();
    OpenMenu();
    session->ClickWidget("TBPopupMenu.ActionLockWorkStation");
    EXPECT_TRUE(WaitRecorded({"LockSession 7"})) << ReadFile(record);
  }

  // No logind: the screen saver service of the session bus locks (and starts
  // the screen saver).
  std::remove(record.c_str());
  logind.reset();
  logind = StartFakeLogin1(systemBus->Address(), record, {"--no-login1"});
  DBusDaemon sessionBus;
  auto saver = StartFakeLogin1(sessionBus.Address(), record, {"--no-login1", "--screensaver"});
  session->SetEnv("DBUS_SESSION_BUS_ADDRESS", sessionBus.Address());
  {
    auto p = StartProgram("DblClickShowMainWin=0\nDblClickToLock=1\n");
    const unsigned long icon = session->FindWindows("ToviWallIcon", true).at(0);
    session->Xdotool({"mousemove", "--window", std::to_string(icon), "8", "8", "click", "--repeat", "2", "1"});
    EXPECT_TRUE(WaitRecorded({"ScreenSaver.Lock"})) << ReadFile(record);
    OpenMenu();
    session->ClickWidget("TBPopupMenu.ActionActivateScreenSave");
    EXPECT_TRUE(WaitRecorded({"ScreenSaver.Lock", "ScreenSaver.SetActive true"})) << ReadFile(record);
  }

  // Neither: xdg-screensaver asks the locker that runs (here xautolock's).
  saver.reset();
  RequireProgram("xdg-screensaver");
  RequireProgram("xautolock");
  const std::string locked = session->Root() / "locked";
  Process::Options options;
  options.env = session->Environment();
  auto autolock = Process::Start({"xautolock", "-time", "60", "-locker", "touch '" + locked + "'"}, options);
  ASSERT_TRUE(WaitFor([&] { return session->Tool({"xautolock", "-enable"}).exitCode == 0; }));
  {
    auto p = StartProgram();
    // xautolock lets a -locknow pass now and then (also when run by hand, more
    // often on a busy machine): the command is given again until it locks.
    EXPECT_TRUE(WaitFor(
        [&] {
          OpenMenu();
          session->ClickWidget("TBPopupMenu.ActionLockWorkStation");
          return WaitFor([&] { return Exists(locked); }, 2500);
        },
        25000, 0))
        << "xautolock was not asked to lock";
  }
}

TEST_F(SystemActionsTest, TheScreenSaverStartsOnTheXServerAndTheDisplaySettingsOpen) {
  // The display settings tools are the test's own, whatever the machine has:
  // lxrandr (with the xrandr it runs through sh), a gnome-control-center that
  // would open, an xfce4-display-settings that fails at once (as one does
  // without its settings service).
  RequireProgram("lxrandr");
  const std::string bin = session->Root() / "bin";
  std::filesystem::create_directories(bin);
  for (const char* tool : {"/usr/bin/lxrandr", "/usr/bin/xrandr", "/bin/sh", "/usr/bin/xdotool"})
    std::filesystem::create_symlink(tool, bin + "/" + std::filesystem::path(tool).filename().string());
  const std::string started = session->Root() / "started";
  auto tool = [&](const std::string& name, const std::string& body) {
    WriteFile(bin + "/" + name, "#!/bin/sh\necho " + name + " >> '" + started + "'\n" + body + "\n");
    ::chmod((bin + "/" + name).c_str(), 0755);
  };
  tool("xfce4-display-settings", "echo 'Unable to contact settings server' >&2; exit 1");
  tool("gnome-control-center", "exec sleep 60");
  session->SetEnv("PATH", bin);
  session->SetEnv("XDG_CURRENT_DESKTOP", "LXDE");

  auto p = StartProgram();
  ::Display* dpy = XOpenDisplay(session->Display().c_str());
  ASSERT_NE(dpy, nullptr);
  auto saverOn = [&] {
    XScreenSaverInfo info{};
    XScreenSaverQueryInfo(dpy, DefaultRootWindow(dpy), &info);
    return info.state == ScreenSaverOn;
  };
  EXPECT_FALSE(saverOn());
  OpenMenu();
  session->ClickWidget("TBPopupMenu.ActionActivateScreenSave");
  EXPECT_TRUE(WaitFor(saverOn));
  XCloseDisplay(dpy);
  session->Xdotool({"mousemove", "10", "500"});  // wakes the screen

  auto openDisplaySettings = [&] {
    OpenMenu();
    auto r = session->WidgetRect("TBPopupMenu.TBSubmenuItemDisplay");
    ASSERT_TRUE(r.has_value());
    session->Xdotool({"mousemove", std::to_string(r->x + r->width / 2), std::to_string(r->y + r->height / 2)});
    session->ClickWidget("TBSubmenuItemDisplay.TBItemShowDisplay");
    std::vector<unsigned long> windows;
    EXPECT_TRUE(WaitFor([&] { return !(windows = session->FindWindows("Display Settings", true)).empty(); }));
    // The tool is none of the program's children, which would stay as zombies.
    const std::string pid = std::to_string(p->Pid());
    const std::string children = "/proc/" + pid + "/task/" + pid + "/children";
    EXPECT_TRUE(WaitFor([&] { return ReadFile(children).empty(); })) << ReadFile(children);
    for (unsigned long w : windows) session->CloseWindow(w);
    EXPECT_TRUE(WaitFor([&] { return session->FindWindows("Display Settings", true).empty(); }));
  };
  // LXDE's own tool comes first.
  openDisplaySettings();
  EXPECT_FALSE(Exists(started)) << ReadFile(started);

  // No desktop named: a tool that fails at once gives way to the next.
  std::filesystem::remove(bin + "/gnome-control-center");
  session->SetEnv("XDG_CURRENT_DESKTOP", "");
  session->RunProgram({"--exit"});
  p->Wait(10000);
  p = StartProgram();
  openDisplaySettings();
  EXPECT_NE(ReadFile(started).find("xfce4-display-settings\n"), std::string::npos) << ReadFile(started);
}

}  // namespace
}  // namespace toviwall
