// The main window as a user meets it: the desktop-icon box where nothing draws
// icons, help, About with a later start and its version check, the general
// error box, Qt's own texts in the user's language, and first-run cancel. (Its
// captions are checked offscreen.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "base/IniFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
constexpr const char* kTitle = "Tovi WallChanger";

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    session = std::make_unique<Session>();
  }

  // Started, listening, and with its main window shown by a later start.
  std::unique_ptr<Process> StartShown(const std::string& cwd = {}) {
    auto p = session->StartReady({}, cwd);
    session->RunProgram();
    EXPECT_TRUE(WaitFor([&] { return session->WidgetRect("MainForm").has_value(); }));
    return p;
  }

  std::string Text(const std::string& widget) {
    std::string text;
    WaitFor([&] {
      auto r = session->WidgetRect(widget);
      if (r) text = r->text;
      return r.has_value();
    });
    return text;
  }

  std::unique_ptr<Session> session;
};

TEST_F(MainWindowTest, WhereNothingDrawsIconsTheHideBoxIsOffAndSaysWhy) {
  session->WriteProfile();
  auto p = StartShown();  // our own painter: no icons on the desktop
  session->ClickWidget("PageControl.tab1");
  EXPECT_EQ(Text("LabelCannotHide"), "No program draws icons on this desktop.");
  session->ClickWidget("CheckBoxHideDesktopIcon");
  EXPECT_FALSE(WaitFor([&] { return session->WidgetRect("AskBox").has_value(); }, 1000)) << "the right-click notice";
  EXPECT_EQ(IniReadInteger(session->DefaultSettingsFile(), "Option", "HideDesktopIcon", 0), 0);
}

TEST_F(MainWindowTest, QtsOwnDialogsAndButtonsSpeakAGermanUsersLanguage) {
  session->SetEnv("LANG", "de_DE.UTF-8");  // the locale need not be installed: Qt reads the name
  session->WriteProfile();
  auto p = StartShown();
  session->ClickWidget("ButtonAdd");  // Qt's file dialog
  EXPECT_EQ(Text("fileNameLabel"), "Datei&name:");
  EXPECT_EQ(Text("fileTypeLabel"), "Dateien des Typs:");
  session->Xdotool({"key", "Escape"});
  EXPECT_TRUE(WaitFor([&] { return !session->WidgetRect("TToviGraphicOpenDialog").has_value(); }));
  // Yes is "&Ja": J answers the exit question (shown without a tray, after a while).
  session->ClickWidget("ButtonExit", 1, 20000);
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("AskBox").has_value(); }));
  session->Xdotool({"key", "j"});
  EXPECT_EQ(p->Wait(10000), std::optional<int>(0)) << ReadFile(session->LastProgramLog());
}

TEST_F(MainWindowTest, LaterStartWhileAboutIsOpenKeepsTheMainWindow) {
  session->WriteProfile();
  auto p = StartShown();
  session->ClickWidget("ButtonAbout");
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("AboutBox").has_value(); }));
  EXPECT_EQ(Text("LabelVersion"), "Version 2.3.5 (Build 41)");
  EXPECT_EQ(Text("AboutBox"), "About Tovi WallChanger");
  EXPECT_EQ(session->StartProgram()->Wait(5000).value_or(-1), 0);
  // The About box is brought to the front; the main window is not toggled.
  EXPECT_FALSE(WaitFor([&] { return !session->WindowVisible(kTitle); }, 1000));
  EXPECT_TRUE(session->WidgetRect("AboutBox").has_value());
  session->Xdotool({"key", "Return"});
  EXPECT_TRUE(WaitFor([&] { return !session->WidgetRect("AboutBox").has_value(); }));
  // With the About box closed, a later start hides the main window again.
  session->RunProgram();
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
}

TEST_F(MainWindowTest, TheVersionLabelAsksTheMakersServerWithoutHoldingUpTheWindow) {
  UpdateServer server;
  session->SetEnv("TOVIWALL_SERVER", server.Base());
  // The desktop's URL handler: a script that notes what it is asked to open.
  const std::string bin = session->Root() / "bin";
  std::filesystem::create_directories(bin);
  WriteFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"$0.log\"\n");
  ::chmod((bin + "/xdg-open").c_str(), 0755);
  session->SetEnv("PATH", bin + ":" + std::getenv("PATH"));
  session->WriteProfile();
  auto p = StartShown();
  session->ClickWidget("ButtonAbout");
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("LabelVersion").has_value(); }));
  const auto label = *session->WidgetRect("LabelVersion");
  session->Xdotool({"mousemove", std::to_string(label.x + 5), std::to_string(label.y + label.height / 2)});
  EXPECT_EQ(Text("qtooltip_label"), "Check new version");

  auto check = [&](const std::string& reply) {
    server.Reply(reply);
    session->ClickWidget("LabelVersion");
    std::string text;
    EXPECT_TRUE(WaitFor([&] { return !(text = Text("MessageBox")).empty(); })) << reply;
    session->Xdotool({"key", "Return"});  // OK, or Yes
    EXPECT_TRUE(WaitFor([&] { return !session->WidgetRect("MessageBox").has_value(); }));
    return text;
  };
  EXPECT_EQ(check("text 2.3.5.41"), "You have the latest version.");
  EXPECT_EQ(check("text 2.3.5.42\\r\\n"),
            "A new version 2.3.5 (Build 42) is available.\\nDo you want to visit the website now?");
  EXPECT_TRUE(WaitFor([&] { return Exists(bin + "/xdg-open.log"); }));
  EXPECT_EQ(ReadFile(bin + "/xdg-open.log"), server.Base() + "index.php?i=61\n");
  EXPECT_EQ(check("status 404 <html>Not Found</html>").rfind("Cannot check for a new version.", 0), 0u);
  // A portal's page with status 200 is no answer either.
  EXPECT_EQ(check("html <html><body>Sign in to use 2.4.0.0 Wi-Fi</body></html>"),
            "Cannot check for a new version. The server's answer is not a version number: "
            "\"<html><body>Sign in to use 2.4.0.0 Wi-Fi...\".");

  // A server that never answers: the box still works, and Cancel ends the wait.
  server.Reply("hang");
  session->ClickWidget("LabelVersion");
  session->ClickWidget("ButtonCancelCheck");
  EXPECT_TRUE(WaitFor([&] { return Text("LabelVersion") == "Version 2.3.5 (Build 41)"; }));
  EXPECT_FALSE(WaitFor([&] { return session->WidgetRect("MessageBox").has_value(); }, 500));
  for (const std::string& request : server.Requests()) EXPECT_EQ(request, "/update/wall.txt\tTovi WallChanger");
  EXPECT_EQ(server.Requests().size(), 5u);
}

// The boxes over the main window and the About box, as the screen shows them,
// with no window manager: a screenshot of the root has each box drawn, not black.
TEST_F(MainWindowTest, MessageBoxesShowOnTheScreen) {
  UpdateServer server;
  server.Reply("text 2.3.5.41");
  session->SetEnv("TOVIWALL_SERVER", server.Base());
  session->WriteProfile();
  auto p = StartShown();
  auto brightness = [&](const std::string& box) {
    std::optional<Session::Rect> r;
    EXPECT_TRUE(WaitFor([&] { return (r = session->WidgetRect(box)).has_value(); })) << box;
    if (!r) return 0.0;
    const std::string shot = session->Root() / (box + ".png");
    session->Screenshot(shot);
    const std::string crop = std::to_string(r->width) + "x" + std::to_string(r->height) + "+" +
                             std::to_string(r->x) + "+" + std::to_string(r->y);
    return std::stod(session->MustTool({"/usr/bin/convert", shot, "-crop", crop, "+repage", "-format",
                                        "%[fx:mean]", "info:"}).out);
  };
  session->ClickWidget("ButtonAbout");
  session->ClickWidget("LabelVersion");
  EXPECT_GT(brightness("MessageBox"), 0.5);
  session->Xdotool({"key", "Return"});
  EXPECT_TRUE(WaitFor([&] { return !session->WidgetRect("MessageBox").has_value(); }));
  session->Xdotool({"key", "Return"});  // the About box
  EXPECT_TRUE(WaitFor([&] { return !session->WidgetRect("AboutBox").has_value(); }));

  ::chmod(session->DefaultSettingsFile().c_str(), 0444);  // the next setting cannot be stored
  session->ClickWidget("PageControl.tab2");
  session->ClickWidget("CheckBoxNoExitDialog");
  EXPECT_GT(brightness("ErrorBox"), 0.5);
}

TEST_F(MainWindowTest, HelpButtonOpensTheHelpWindow) {
  session->WriteProfile();
  auto p = StartShown();
  session->ClickWidget("PageControl.tab1");
  session->ClickWidget("ButtonHelp");
  EXPECT_TRUE(WaitFor([&] { return session->WidgetRect("HelpWindow").has_value(); }));
  EXPECT_EQ(Text("HelpWindow"), "Tovi WallChanger Help");
}

TEST_F(MainWindowTest, RefusedSettingsWriteShowsTheErrorBoxAndTheProgramGoesOn) {
  session->WriteProfile();
  auto p = StartShown();
  const std::string before = ReadFile(session->DefaultSettingsFile());
  ::chmod(session->DefaultSettingsFile().c_str(), 0444);
  session->ClickWidget("PageControl.tab2");
  session->ClickWidget("CheckBoxNoExitDialog");
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("ErrorBox").has_value(); }))
      << ReadFile(session->LastProgramLog());
  EXPECT_EQ(ReadFile(session->DefaultSettingsFile()), before);
  session->Xdotool({"key", "Return"});
  EXPECT_TRUE(WaitFor([&] { return !session->WidgetRect("ErrorBox").has_value(); }));
  EXPECT_TRUE(p->Running());
  // The next command works normally once the file is writable again.
  ::chmod(session->DefaultSettingsFile().c_str(), 0644);
  session->ClickWidget("CheckBoxNoExitDialog");
  EXPECT_TRUE(WaitFor([&] {
    return IniReadInteger(session->DefaultSettingsFile(), "Dialogs", "DontShowExitDialog", -1) != -1;
  }));
}

// Under a window manager that keeps a dialog without an owner above the
// program's other windows (xfwm4 does), as the main window is one, Help must
// not open under it for good.
TEST_F(MainWindowTest, HelpOpensAboveTheMainWindowAndEitherComesToTheFront) {
  RequireProgram("xfwm4");
  DBusSession bus(session->Root().Path(), session->Environment());  // for xfwm4's settings
  session->SetEnv("DBUS_SESSION_BUS_ADDRESS", bus.Address());
  auto wm = Process::Start({"xfwm4", "--compositor=off"}, {.env = session->Environment(), .cwd = {},
                                                          .logFile = session->Root() / "xfwm4.log", .keepFds = {}});
  ASSERT_TRUE(WaitFor([&] {
    return session->Tool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") != std::string::npos;
  })) << ReadFile(session->Root() / "xfwm4.log");
  session->WriteProfile();
  auto p = StartShown();
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true));  // mapped by the window manager
  const unsigned long main = session->FindWindows(kTitle, true).at(0);
  session->ClickWidget("ButtonHelp");
  ASSERT_TRUE(session->WaitWindowVisible(std::string(kTitle) + " Help", true));
  const unsigned long help = session->FindWindows(std::string(kTitle) + " Help", true).at(0);
  // Whether `upper` is above `lower` in the window manager's stacking order.
  auto above = [&](unsigned long upper, unsigned long lower) {
    std::string list = session->Tool({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}).out;  // bottom first
    std::replace(list.begin(), list.end(), '\n', ',');
    auto at = [&](unsigned long w) {
      char id[32];
      std::snprintf(id, sizeof id, " 0x%lx,", w);
      return list.find(id);
    };
    return at(upper) != std::string::npos && at(lower) != std::string::npos && at(upper) > at(lower);
  };
  EXPECT_TRUE(WaitFor([&] { return above(help, main); }));
  for (unsigned long front : {main, help}) {
    session->Xdotool({"windowactivate", std::to_string(front)});
    EXPECT_TRUE(WaitFor([&] { return above(front, front == main ? help : main); })) << front;
  }
  wm->Signal(SIGTERM);
}

TEST_F(MainWindowTest, FirstRunClosedWithoutOkKeepsTheProposedFolder) {
  std::filesystem::create_directories(session->Home() + "/Pictures");
  auto p = session->StartProgram();
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("FormPath").has_value(); }))
      << ReadFile(session->LastProgramLog());
  EXPECT_EQ(Text("EditPath"), session->Home() + "/Pictures");
  auto window = session->FindWindows(kTitle, true).at(0);
  session->Xdotool({"windowfocus", "--sync", std::to_string(window)});
  session->Xdotool({"key", "Escape"});
  EXPECT_TRUE(WaitFor([&] {
    return IniReadString(session->DefaultSettingsFile(), "Option", "Image Folder", "") ==
           session->Home() + "/Pictures";
  }));
}

TEST_F(MainWindowTest, TheFirstRunQuestionsCloseButtonIsCancel) {
  auto p = session->StartProgram();
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("FormPath").has_value(); }));
  const std::string proposed = Text("EditPath");
  auto window = session->FindWindows(kTitle, true).at(0);
  session->Xdotool({"windowfocus", "--sync", std::to_string(window)});
  session->Xdotool({"type", "/typed"});
  session->CloseWindow(window);  // what the title bar's X sends
  EXPECT_TRUE(WaitFor([&] {
    return IniReadString(session->DefaultSettingsFile(), "Option", "Image Folder", "") == proposed;
  }));
}

TEST_F(MainWindowTest, WhileTheFirstRunQuestionIsOpenStatusAnswersAndEnterIsOk) {
  auto p = session->StartProgram();
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("FormPath").has_value(); }))
      << ReadFile(session->LastProgramLog());
  auto command = [&](const char* name) {
    return session->Tool({BinaryDir() + "/toviwall", name}, 10000);  // not the 30 s of a start's wait
  };
  const RunResult status = command("--status");
  EXPECT_EQ(status.exitCode, 0) << status.err;
  EXPECT_NE(status.out.find("\nrows=0\n"), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("\nsettings=" + session->DefaultSettingsFile() + "\n"), std::string::npos);
  const RunResult show = command("--show");
  EXPECT_EQ(show.exitCode, 1);
  EXPECT_NE(show.err.find("waiting for the answer to its first-run question"), std::string::npos) << show.err;
  session->RunProgram();  // a plain start: not heard, the question stays alone
  EXPECT_FALSE(session->WidgetRect("MainForm").has_value());

  auto window = session->FindWindows(kTitle, true).at(0);
  session->Xdotool({"windowfocus", "--sync", std::to_string(window)});
  session->Xdotool({"key", "ctrl+a"});
  session->Xdotool({"type", "/typed"});
  session->Xdotool({"key", "Return"});
  EXPECT_TRUE(WaitFor([&] {
    return IniReadString(session->DefaultSettingsFile(), "Option", "Image Folder", "") == "/typed";
  })) << ReadFile(session->LastProgramLog());
}

}  // namespace
}  // namespace toviwall
