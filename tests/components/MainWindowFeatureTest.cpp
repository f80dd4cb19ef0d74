// The main window as the program builds it, offscreen against recording
// doubles of the platform, with a private settings file, list file and
// pictures: what takes several features wired together (the tray menu with the
// Options page and the commands, the questions and their boxes, the end of the
// run, the start-up entry).
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/ui/WallPaperMain.h"
#include "base/IniFile.h"
#include "base/UnitLanguage.h"
#include "image/BitmapFile.h"
#include "platform/GlobalHotKeys.h"
#include "platform/local/XdgAutoStart.h"
#include "support/FakePlatform.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

class MainWindowFeatureTest : public ::testing::Test {
 protected:
  // The two pictures and whatever else `listed` names are in the list;
  // `options` goes into the settings file's [Option].
  void Start(const std::string& options, const std::string& more = {}) {
    for (const std::string& picture : pictures) SaveBitmapFile(Bitmap24(8, 6, 10, 20, 30), picture);
    std::ofstream list(dir / "toviwall.lst");
    for (const std::string& path : listed) list << path << "\r\n";
    list.close();
    std::ofstream(settings) << "[Option]\nImage Folder=" << dir.Path() << "\n"
                            << options << "AutoChangeWallpaper=0\n" << more;
    Restart();
  }
  // A new run with the files as the last one left them.
  void Restart() {
    form.reset();
    ProcessEnvironment env = test::EnvironmentIn(dir.Path(), settings);
    env.programFile = programFile;
    form = std::make_unique<TMainForm>(env, *fake.platform);
  }
  template <class T>
  T* Find(const char* name) {
    T* found = form->findChild<T*>(QString::fromLatin1(name));
    if (!found) ADD_FAILURE() << "no " << name;
    return found;
  }
  bool Stored(const char* key) { return IniReadBool(settings, "Option", key, false); }
  std::string EntryFile(const std::string& name) { return dir / ("config/autostart/" + name + ".desktop"); }
  test::FakeTrayIcon* Icon() { return fake.tray->Icon("ToviWallIcon"); }

  test::TempDir dir;
  std::string settings = dir / "toviwall.ini";
  std::string pictures[2] = {dir / "a.bmp", dir / "b.bmp"};
  std::vector<std::string> listed = {pictures[0], pictures[1]};
  std::string programFile = dir / "toviwall";
  // Start-up entries go to the real store, in the private folder.
  test::FakePlatform fake{std::make_unique<platform::XdgAutoStart>(dir / "config")};
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
  const std::string entry = EntryFile("Tovi WallChanger toviwall");
  ASSERT_TRUE(std::filesystem::remove(entry));  // another tool deleted the entry meanwhile
  emit menu->aboutToShow();
  EXPECT_EQ(menu->defaultAction(), Find<QAction>("ActionShowMainWindow"));
  EXPECT_FALSE(Find<QAction>("ActionStartWithWin")->isChecked());
  EXPECT_FALSE(Stored("AutoStart"));

  Find<QRadioButton>("RBChangeWall")->click();
  emit menu->aboutToShow();
  EXPECT_EQ(menu->defaultAction(), Find<QAction>("ActionChange"));
  Restart();
  EXPECT_FALSE(std::filesystem::exists(entry)) << "the next start leaves it absent";
}

TEST_F(MainWindowFeatureTest, TickingStartWithWindowsMakesAnEntryTheSessionStartsAndUntickingDeletesIt) {
  test::RequireProgram("gio");
  // A profile in a folder whose name the entry must quote; the "program" records its arguments.
  const std::string folder = dir / "my \"walls\" $HOME 100% ünï";
  std::filesystem::create_directories(folder);
  settings = folder + "/work.ini";
  programFile = folder + "/toviwall";
  std::ofstream(programFile) << "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$RECORD_TO\"\n";
  std::filesystem::permissions(programFile, std::filesystem::perms::owner_all);
  Start("");
  const std::string entry = EntryFile("Tovi WallChanger work");
  EXPECT_FALSE(std::filesystem::exists(entry));
  Find<QCheckBox>("CheckBoxStartWithWin")->click();
  EXPECT_TRUE(Stored("AutoStart"));
  ASSERT_TRUE(std::filesystem::exists(entry));
  const std::string record = dir / "argv";
  test::MustRun({"gio", "launch", entry}, {{"PATH", std::getenv("PATH")}, {"RECORD_TO", record}});
  ASSERT_TRUE(test::WaitFor([&] { return test::ReadFile(record).find('\n') != std::string::npos; }));
  EXPECT_EQ(test::ReadFile(record), programFile + "\n" + settings + "\n");

  Find<QCheckBox>("CheckBoxStartWithWin")->click();
  EXPECT_FALSE(Stored("AutoStart"));
  EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(MainWindowFeatureTest, AnExistingEntryIsNeverReplacedAndEachProfileHasItsOwn) {
  const std::string old = "[Desktop Entry]\nType=Application\nName=old\nExec=\"/old/place/toviwall\"\n";
  std::filesystem::create_directories(dir / "config/autostart");
  test::WriteFile(EntryFile("Tovi WallChanger toviwall"), old);
  Start("AutoStart=1\n");
  EXPECT_EQ(test::ReadFile(EntryFile("Tovi WallChanger toviwall")), old);
  emit Find<QMenu>("TBPopupMenu")->aboutToShow();
  EXPECT_TRUE(Find<QAction>("ActionStartWithWin")->isChecked());

  settings = dir / "home.ini";
  Start("AutoStart=1\n");
  EXPECT_EQ(test::ReadFile(EntryFile("Tovi WallChanger toviwall")), old);
  EXPECT_NE(test::ReadFile(EntryFile("Tovi WallChanger home")).find("home.ini\""), std::string::npos);

  // Switched off in the desktop's session settings: the option shows off; ticking
  // it switches the same entry on again.
  const std::string off = old + "X-GNOME-Autostart-enabled=false\n";
  test::WriteFile(EntryFile("Tovi WallChanger home"), off);
  emit Find<QMenu>("TBPopupMenu")->aboutToShow();
  EXPECT_FALSE(Find<QAction>("ActionStartWithWin")->isChecked());
  EXPECT_FALSE(Stored("AutoStart"));
  Find<QCheckBox>("CheckBoxStartWithWin")->click();
  EXPECT_EQ(test::ReadFile(EntryFile("Tovi WallChanger home")), old);
  emit Find<QMenu>("TBPopupMenu")->aboutToShow();
  EXPECT_TRUE(Find<QAction>("ActionStartWithWin")->isChecked());
}

TEST_F(MainWindowFeatureTest, NamesTheDesktopCannotTakeReachItUnderOursAndNoStartUpEntryIsMadeForThem) {
  // A profile in a folder whose name is not UTF-8 (an old Latin-1 "Bilder\xE4"),
  // and such a picture in its list, the current one.
  const std::string folder = dir / "Bilder\xE4";
  std::filesystem::create_directories(folder);
  settings = folder + "/work.ini";
  listed = {pictures[0], dir / "\xFC" "ber.bmp"};
  SaveBitmapFile(Bitmap24(8, 6, 200, 100, 50), listed[1]);
  std::ofstream(folder + "/work.lst") << listed[0] << "\r\n" << listed[1] << "\r\n";
  Start("", "[WallPaper]\nCurrentIndex=1\n");
  // A copy in our cache folder, as the settings folder's name will not do either.
  const std::string output = dir / "cache/toviwall/Tovi Wallpaper.bmp";
  ASSERT_FALSE(fake.desktop->written.empty());
  EXPECT_EQ(fake.desktop->written.back().file, output);
  EXPECT_EQ(test::ReadFile(output), test::ReadFile(listed[1]));

  // Ticking the start-up entry says why it cannot be, and the box stays off.
  QString shown;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->close();
    }
  });
  probe.start(5);
  Find<QCheckBox>("CheckBoxStartWithWin")->click();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("Tovi WallChanger cannot start at logon"))) << shown.toStdString();
  EXPECT_FALSE(Find<QCheckBox>("CheckBoxStartWithWin")->isChecked());
  EXPECT_FALSE(Stored("AutoStart"));
  EXPECT_FALSE(std::filesystem::exists(dir / "config/autostart")) << "no entry the session cannot read";
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

TEST_F(MainWindowFeatureTest, TheQuestionsAnswersShowOnTheOptionsPageAndTheHotKeysOpenTheFirstDrive) {
  fake.systemActions->drives = {"sr0", "sr1"};
  Start("", "[Hotkey]\nOpenCDMod=3\nOpenCDVir=79\nCloseCDMod=3\nCloseCDVir=67\n");
  // The hide question's "do not show again" ticks the Options page's box.
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      box->checkBox()->setChecked(true);
      box->button(QMessageBox::Ok)->click();
    }
  });
  probe.start(5);
  Find<QAction>("ActionHideDesktopIcon")->trigger();
  probe.stop();
  EXPECT_TRUE(fake.icons->hidden);
  EXPECT_TRUE(Find<QCheckBox>("CheckBoxDoNotHide")->isChecked());

  fake.hotKeys->Press(3, 79);
  fake.hotKeys->Press(3, 67);
  EXPECT_TRUE(test::WaitFor([&] { return fake.systemActions->calls.size() == 2; }));
  EXPECT_EQ(fake.systemActions->calls, (std::vector<std::string>{"Open sr0", "Close sr0"}));
}

TEST_F(MainWindowFeatureTest, TheTrayHintNamesTheCurrentPictureAndTheNextChangeWhileThereIsOne) {
  Start("");
  EXPECT_EQ(Icon()->toolTip, "Tovi WallChanger\na.bmp");
  Find<QAction>("ActionNextWallpaper")->trigger();
  EXPECT_EQ(Icon()->toolTip, "Tovi WallChanger\nb.bmp");
  Find<QAction>("ActionActivateWallChanger")->trigger();
  const std::string hint = Icon()->toolTip;
  EXPECT_TRUE(test::MatchesShape(hint, "Tovi WallChanger\nb.bmp\nNext change: ##:##") ||
              test::MatchesShape(hint, "Tovi WallChanger\nb.bmp\nNext change: ####-##-## ##:##"))
      << hint;
  Find<QAction>("ActionActivateWallChanger")->trigger();
  EXPECT_EQ(Icon()->toolTip, "Tovi WallChanger\nb.bmp");
}

TEST_F(MainWindowFeatureTest, MoveToTrashAsksFirstAndAFailureLosesNothing) {
  Start("");
  std::vector<QString> seen;
  QMessageBox::StandardButton answer = QMessageBox::No;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      seen.push_back(box->text());
      box->button(box->button(answer) ? answer : QMessageBox::Ok)->click();
    }
  });
  probe.start(5);
  Find<QAction>("ActionMoveToTrash")->trigger();
  EXPECT_EQ(seen, (std::vector<QString>{QStringLiteral("Move \"a.bmp\" to the trash and remove it from the image list?")}));
  // Yes, but the trash cannot take it.
  std::filesystem::create_directories(dir / "data/Trash/info");
  std::ofstream(dir / "data/Trash/files") << "no folder";
  answer = QMessageBox::Yes;
  Find<QAction>("ActionMoveToTrash")->trigger();
  probe.stop();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_TRUE(seen[2].startsWith(QString::fromStdString(pictures[0] + " could not be moved to the trash: "))) << seen[2].toStdString();
  EXPECT_TRUE(std::filesystem::exists(pictures[0]));
  EXPECT_EQ(Find<QAbstractItemView>("ListViewImage")->model()->rowCount(), 2);
  EXPECT_EQ(fake.desktop->written.back().file, pictures[0]);
}

TEST_F(MainWindowFeatureTest, TheIntervalListOpensSixteenRowsHigh) {
  Start("");
  form->show();
  auto* combo = Find<QComboBox>("ComboBoxUpdate");
  ASSERT_EQ(combo->count(), 67);
  combo->setCurrentIndex(30);
  combo->showPopup();
  QAbstractItemView* list = combo->view();
  const int rows = list->viewport()->height() / list->sizeHintForRow(0);
  EXPECT_GE(rows, 15);
  EXPECT_LE(rows, 16);
  combo->hidePopup();
}

TEST_F(MainWindowFeatureTest, LockIsNotOfferedWhileTheWorkstationCannotBeLocked) {
  Start("DblClickShowMainWin=0\nDblClickToLock=1\n");
  EXPECT_FALSE(Find<QAction>("ActionLockWorkStation")->isVisible());
  EXPECT_TRUE(Find<QRadioButton>("RBLockWork")->isHidden());
}

TEST_F(MainWindowFeatureTest, PagesAndTheTrayMenuAreCaptionedFromTheLanguageStrings) {
  fake.systemActions->canLock = true;
  Start("");
  auto* pages = Find<QTabWidget>("PageControl");
  EXPECT_EQ(pages->tabText(0), QStringLiteral("Image List"));
  EXPECT_EQ(pages->tabText(1), QStringLiteral("Desktop"));
  EXPECT_EQ(pages->tabText(2), QStringLiteral("Options"));
  EXPECT_EQ(pages->tabText(3), QStringLiteral("Hotkeys"));
  EXPECT_EQ(Find<QPushButton>("ButtonNext")->text(), QStringLiteral("Ne&xt"));
  EXPECT_EQ(Find<QPushButton>("ButtonAbout")->text(), QStringLiteral("A&bout"));
  EXPECT_EQ(Find<QGroupBox>("GroupBoxHotkeys")->title(), QStringLiteral(" Hotkeys "));
  EXPECT_EQ(Find<QLabel>("LabelHotKeyChangeWall")->text(), QStringLiteral("Change Wallpaper:"));
  EXPECT_EQ(Find<QComboBox>("ComboBoxFilling")->currentText(), QStringLiteral("Stretch"));
  EXPECT_EQ(Find<QComboBox>("ComboBoxUpdate")->currentText(), QStringLiteral("10 minutes"));

  // The tray menu's items in their order, as it opens.
  auto* menu = Find<QMenu>("TBPopupMenu");
  auto items = [&] {
    std::vector<std::pair<std::string, std::string>> shown;
    for (QAction* a : menu->actions())
      if (!a->isSeparator() && a->isVisible())
        shown.push_back({(a->menu() ? a->menu()->objectName() : a->objectName()).toStdString(), a->text().toStdString()});
    return shown;
  };
  emit menu->aboutToShow();
  using Items = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(items(), (Items{{"ActionShowMainWindow", "Show Main Window"},
                            {"ActionChange", "Change Wallpaper"},
                            {"ActionNextWallpaper", "Next Wallpaper"},
                            {"ActionPreviousWallpaper", "Previous Wallpaper"},
                            {"ActionMoveToTrash", "Move to Trash"},
                            {"ActionLockWorkStation", "Lock Screen"},
                            {"ActionActivateScreenSave", "Activate Screen Saver"},
                            {"TBSubmenuItemDisplay", "Display"},
                            {"TBSubmenuItemExitWin", "Log Out / Power"},
                            {"TBSubmenuItemPopupOptions", "Options"},
                            {"TBItemAbout", "About Tovi WallChanger"},
                            {"ActionHelp", "&Help"},
                            {"TBItemExit", "E&xit"}}));
  form->show();  // the main window shows: the first item hides it
  emit menu->aboutToShow();
  EXPECT_EQ(items().front(), std::make_pair(std::string("ActionShowMainWindow"), std::string("Hide Main Window")));
}

TEST_F(MainWindowFeatureTest, ATranslationFileInTheWorkingFolderReplacesSomeStrings) {
  // The built-in captions that would name Windows ideas say what they do here
  // (Lock Screen and Log Out / Power: the tray menu's test).
  Start("");
  EXPECT_EQ(Find<QCheckBox>("CheckBoxStartWithWin")->text(), QStringLiteral("Start at login"));

  std::ofstream(dir / "WallLang.lng") << "10011=Bildliste\n10026=   \n10040=Hintergrund wechseln\n"
                                         "10050=Bildschirmeigenschaften anzeigen\n10061=Anzeige\n"
                                         "10034=Mit Windows starten\n10041=Arbeitsstation sperren\n"
                                         "10053=Windows beenden\n10068=Rechtsklick%s%saus%s.\n";
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());  // the translation is read from the working folder
  Start("");
  std::filesystem::current_path(here);
  const std::string notice = LanguageStrings()[10068];
  LanguageStrings() = LanguageTable();  // English again for the other tests
  EXPECT_EQ(notice, "Rechtsklick%s%saus%s.");
  EXPECT_EQ(Find<QCheckBox>("CheckBoxStartWithWin")->text(), QStringLiteral("Mit Windows starten"));
  EXPECT_EQ(Find<QRadioButton>("RBLockWork")->text(), QStringLiteral("Arbeitsstation sperren"));
  EXPECT_EQ(Find<QMenu>("TBSubmenuItemExitWin")->title(), QStringLiteral("Windows beenden"));
  EXPECT_EQ(Find<QTabWidget>("PageControl")->tabText(0), QStringLiteral("Bildliste"));
  EXPECT_EQ(Find<QTabWidget>("PageControl")->tabText(1), QStringLiteral("Desktop"));
  EXPECT_EQ(Find<QCheckBox>("CheckBoxRandomizeWall")->text(), QStringLiteral("Randomize"))
      << "blank in the file: English";
  EXPECT_EQ(Find<QLabel>("LabelHotKeyChangeWall")->text(), QStringLiteral("Hintergrund wechseln:"));
  // The menu item of the display settings takes its own caption, not its action's.
  EXPECT_EQ(Find<QAction>("TBItemShowDisplay")->text(), QStringLiteral("Bildschirmeigenschaften anzeigen"));
}

}  // namespace
}  // namespace toviwall
