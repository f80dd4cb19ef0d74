// The main window's tray menu and Options page, offscreen against recording
// doubles of the platform: the whole window is built as the program builds it,
// with a private settings file, list file and pictures.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/ui/WallPaperMain.h"
#include "base/IniFile.h"
#include "base/UnitLanguage.h"
#include "image/BitmapFile.h"
#include "platform/GlobalHotKeys.h"
#include "support/FakePlatform.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

class MainWindowFeatureTest : public ::testing::Test {
 protected:
  // Two pictures in the list; `options` goes into the settings file's [Option].
  void Start(const std::string& options, const std::string& more = {}) {
    for (const std::string& picture : pictures) SaveBitmapFile(Bitmap24(8, 6, 10, 20, 30), picture);
    std::ofstream(dir / "toviwall.lst") << pictures[0] << "\r\n" << pictures[1] << "\r\n";
    std::ofstream(settings) << "[Option]\nImage Folder=" << dir.Path() << "\nAutoChangeWallpaper=0\n"
                            << options << more;
    ProcessEnvironment env;
    env.args = {settings};
    env.programFile = dir / "toviwall";
    env.home = dir.Path();
    env.configHome = dir / "config";
    env.workingDir = dir.Path();
    form = std::make_unique<TMainForm>(env, *fake.platform);
  }
  template <class T>
  T* Find(const char* name) {
    T* found = form->findChild<T*>(QString::fromLatin1(name));
    if (!found) ADD_FAILURE() << "no " << name;
    return found;
  }
  bool Stored(const char* key) { return IniReadBool(settings, "Option", key, false); }
  test::FakeTrayIcon* Icon() { return fake.tray->Icon("ToviWallIcon"); }

  test::TempDir dir;
  std::string settings = dir / "toviwall.ini";
  std::string pictures[2] = {dir / "a.bmp", dir / "b.bmp"};
  test::FakePlatform fake;
  std::unique_ptr<TMainForm> form;
};

TEST_F(MainWindowFeatureTest, TheTrayIconShowsAndComesBackInANewTray) {
  Start("");
  ASSERT_NE(Icon(), nullptr);
  EXPECT_TRUE(Icon()->present);
  EXPECT_FALSE(Icon()->image.isNull());
  fake.tray->StartNewTray();
  EXPECT_TRUE(Icon()->present);
  EXPECT_EQ(Icon()->adds, 2);
}

TEST_F(MainWindowFeatureTest, DoubleClickOnTheIconRunsTheChosenCommand) {
  Start("DblClickShowMainWin=0\nDblClickToChange=1\n");
  ASSERT_FALSE(fake.desktop->written.empty()) << "start-up shows the stored entry";
  EXPECT_EQ(fake.desktop->written.back().file, pictures[0]);
  Icon()->Send(platform::TrayMessage::LButtonDblClk);
  EXPECT_EQ(fake.desktop->written.back().file, pictures[1]);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowFeatureTest, TheMenuMarksTheDoubleClickCommandAndRechecksTheStartUpEntry) {
  Start("AutoStart=1\n");
  auto* menu = Find<QMenu>("TBPopupMenu");
  IniWriteBool(settings, "Option", "AutoStart", false);  // the entry went away meanwhile
  emit menu->aboutToShow();
  EXPECT_EQ(menu->defaultAction(), Find<QAction>("ActionShowMainWindow"));
  EXPECT_FALSE(Find<QAction>("ActionStartWithWin")->isChecked());

  Find<QRadioButton>("RBChangeWall")->click();
  emit menu->aboutToShow();
  EXPECT_EQ(menu->defaultAction(), Find<QAction>("ActionChange"));
}

TEST_F(MainWindowFeatureTest, ExitAndTheSessionEndFinishTheRunInOrder) {
  for (bool bySession : {false, true}) {
    SCOPED_TRACE(bySession ? "session end" : "Exit");
    form.reset();
    std::remove((dir / "toviwall.lst").c_str());
    Start("", "[Dialogs]\nDontShowExitDialog=1\n[Hotkey]\nChangeWallMod=3\nChangeWallVir=87\n");
    std::remove((dir / "toviwall.lst").c_str());
    ASSERT_EQ(fake.hotKeys->Registered().size(), 1u);
    if (bySession)
      fake.sessionEnd->RequestEnd();
    else
      Find<QAction>("TBItemExit")->trigger();
    EXPECT_TRUE(form->EndRequested());
    EXPECT_FALSE(Icon()->present);
    EXPECT_TRUE(fake.hotKeys->Registered().empty());
    EXPECT_TRUE(std::ifstream(dir / "toviwall.lst").good()) << "the list is saved";
  }
}

TEST_F(MainWindowFeatureTest, TheLastStoredDoubleClickChoiceWinsAndIsStoredWhole) {
  Start("DblClickShowMainWin=1\nDblClickToLock=1\nDblClickScrSave=1\n");
  EXPECT_TRUE(Find<QRadioButton>("RadioButtonScrSave")->isChecked());
  EXPECT_FALSE(Stored("DblClickShowMainWin"));
  EXPECT_FALSE(Stored("DblClickToLock"));
  EXPECT_TRUE(Stored("DblClickScrSave"));
  Find<QRadioButton>("RBLockWork")->click();
  EXPECT_TRUE(Stored("DblClickToLock"));
  EXPECT_FALSE(Stored("DblClickScrSave"));
}

TEST_F(MainWindowFeatureTest, LockIsNotOfferedWhileTheWorkstationCannotBeLocked) {
  Start("DblClickShowMainWin=0\nDblClickToLock=1\n");
  EXPECT_FALSE(Find<QAction>("ActionLockWorkStation")->isVisible());
  EXPECT_TRUE(Find<QRadioButton>("RBLockWork")->isHidden());
}

TEST_F(MainWindowFeatureTest, TheDisplaySubmenuItemTakesItsOwnCaptionFromATranslation) {
  std::ofstream(dir / "WallLang.lng") << "10050=Bildschirmeigenschaften anzeigen\n10061=Anzeige\n";
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());  // the translation is read from the working folder
  Start("");
  std::filesystem::current_path(here);
  LanguageStrings() = LanguageTable();  // English again for the other tests
  EXPECT_EQ(Find<QAction>("TBItemShowDisplay")->text(), QStringLiteral("Bildschirmeigenschaften anzeigen"));
}

}  // namespace
}  // namespace toviwall
