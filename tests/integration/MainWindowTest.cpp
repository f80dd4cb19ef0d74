// The main window as a user meets it: pages and captions, help, About with a
// later start, the general error box, a translation file, and first-run cancel.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST_F(MainWindowTest, PagesAndCaptionsComeFromTheLanguageStrings) {
  session->WriteProfile();
  auto p = StartShown();
  EXPECT_EQ(Text("PageControl.tab0"), "Image List");
  EXPECT_EQ(Text("PageControl.tab1"), "Desktop");
  EXPECT_EQ(Text("PageControl.tab2"), "Options");
  EXPECT_EQ(Text("PageControl.tab3"), "Hotkeys");
  EXPECT_EQ(Text("ButtonNext"), "Ne&xt");
  EXPECT_EQ(Text("ButtonAbout"), "A&bout");
  session->ClickWidget("PageControl.tab3");
  EXPECT_EQ(Text("GroupBoxHotkeys"), " Hotkeys ");
  EXPECT_EQ(Text("LabelHotKeyChangeWall"), "Change Wallpaper:");
  session->ClickWidget("PageControl.tab1");
  EXPECT_EQ(Text("ComboBoxFilling"), "Stretch");
  EXPECT_EQ(Text("ComboBoxUpdate"), "10 minutes");
}

TEST_F(MainWindowTest, TranslationFileInTheWorkingFolderReplacesSomeStrings) {
  session->WriteProfile();
  const std::string folder = session->Root() / "lang";
  std::filesystem::create_directories(folder);
  WriteFile(folder + "/WallLang.lng", "10011=Bildliste\n10026=   \n10040=Hintergrund wechseln\n");
  auto p = StartShown(folder);
  EXPECT_EQ(Text("PageControl.tab0"), "Bildliste");
  EXPECT_EQ(Text("PageControl.tab1"), "Desktop");
  session->ClickWidget("PageControl.tab1");
  EXPECT_EQ(Text("CheckBoxRandomizeWall"), "Randomize");  // blank in the file: English
  session->ClickWidget("PageControl.tab3");
  EXPECT_EQ(Text("LabelHotKeyChangeWall"), "Hintergrund wechseln:");
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

}  // namespace
}  // namespace toviwall
