// The system commands of the main window against recording doubles of the
// drives, the session's power requests and the display: the CD menu, the order
// of the end of the run after an exit command, the lock and screen saver
// commands, the answers to a display-mode switch, and the countdown.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <fstream>
#include <functional>
#include <memory>

#include "app/ui/SystemCommands.h"
#include "app/ui/WallPaperMain.h"
#include "base/IniFile.h"
#include "desktop/ui/UnitFormConfirm.h"
#include "image/BitmapFile.h"
#include "support/FakePlatform.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using platform::DisplayChange;

class SystemCommandsTest : public ::testing::Test {
 protected:
  void Start(const std::string& more = {}) {
    if (form) form->PrepareShutdown();  // gives the hot keys back
    form.reset();
    SaveBitmapFile(Bitmap24(8, 6, 10, 20, 30), picture);
    std::ofstream(dir / "toviwall.lst") << picture << "\r\n";
    std::ofstream(settings) << "[Option]\nImage Folder=" << dir.Path() << "\nAutoChangeWallpaper=0\n" << more;
    form = std::make_unique<TMainForm>(test::EnvironmentIn(dir.Path(), settings), *fake.platform);
  }
  template <class T>
  T* Find(const char* name) {
    T* found = form->findChild<T*>(QString::fromLatin1(name));
    if (!found) ADD_FAILURE() << "no " << name;
    return found;
  }
  // A menu's items as "name caption tag", separators as "-".
  std::vector<std::string> Items(const char* menu) {
    std::vector<std::string> items;
    for (QAction* a : Find<QMenu>(menu)->actions())
      items.push_back(a->isSeparator() ? "-"
                                       : a->objectName().toStdString() + " " + a->text().toStdString() + " " +
                                             std::to_string(a->data().toInt()));
    return items;
  }
  // Runs `answer` on the next modal window that opens while `body` runs.
  void Answering(const std::function<void(QWidget*)>& answer, const std::function<void()>& body) {
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        probe.stop();
        answer(modal);
      }
    });
    probe.start(5);
    body();
  }
  test::FakeTrayIcon* Icon() { return fake.tray->Icon("ToviWallIcon"); }

  test::TempDir dir;
  std::string settings = dir / "toviwall.ini";
  std::string picture = dir / "a.bmp";
  test::FakePlatform fake;
  std::unique_ptr<TMainForm> form;
};

TEST_F(SystemCommandsTest, TheCDMenuShowsEachDriveInOrderAndTheHotKeysUseTheFirst) {
  Start("[Hotkey]\nOpenCDMod=3\nOpenCDVir=79\nCloseCDMod=3\nCloseCDVir=67\n");
  EXPECT_FALSE(Find<QMenu>("TBSubmenuCDRom")->menuAction()->isVisible()) << "no drive, no menu";
  fake.hotKeys->Press(3, 79);
  QApplication::processEvents();
  EXPECT_TRUE(fake.systemActions->calls.empty());

  fake.systemActions->drives = {"sr0", "sr1", "sr2"};
  Start("[Hotkey]\nOpenCDMod=3\nOpenCDVir=79\nCloseCDMod=3\nCloseCDVir=67\n");
  EXPECT_TRUE(Find<QMenu>("TBSubmenuCDRom")->menuAction()->isVisible());
  EXPECT_EQ(Items("TBSubmenuCDRom"), (std::vector<std::string>{
                                         "OpenDrive_sr0 Open Drive sr0 1", "CloseDrive_sr0 Close Drive sr0 2", "-",
                                         "OpenDrive_sr1 Open Drive sr1 3", "CloseDrive_sr1 Close Drive sr1 4", "-",
                                         "OpenDrive_sr2 Open Drive sr2 5", "CloseDrive_sr2 Close Drive sr2 6"}));
  Find<QAction>("CloseDrive_sr2")->trigger();
  Find<QAction>("OpenDrive_sr1")->trigger();
  fake.hotKeys->Press(3, 79);
  QApplication::processEvents();
  fake.hotKeys->Press(3, 67);
  QApplication::processEvents();
  EXPECT_EQ(fake.systemActions->calls, (std::vector<std::string>{"Close sr2", "Open sr1", "Open sr0", "Close sr0"}));

  // A door that does not open says why.
  fake.systemActions->doorRefusal = "the disc could not be unmounted: target is busy";
  QString shown;
  Answering(
      [&](QWidget* w) {
        shown = qobject_cast<QMessageBox*>(w)->text();
        w->close();
      },
      [&] { Find<QAction>("OpenDrive_sr2")->trigger(); });
  EXPECT_EQ(shown.toStdString(), "Drive sr2 could not be opened: the disc could not be unmounted: target is busy");
}

TEST_F(SystemCommandsTest, AnExitCommandAsksFirstAndEndsTheRunOnlyWhenTheSystemTakesIt) {
  const std::string question =
      "Shut Down: the programs that are open end without being asked to save their work.\n\nDo you want to go on?";
  const std::string refusal = "\"Shut Down\" did not take place: Access denied\n\nTovi WallChanger keeps running.";
  struct Case {
    const char* name;
    bool sessionManager;
    QMessageBox::StandardButton answer;  // to our question
    bool refused;
    bool requested, ends;
    std::vector<std::string> boxes;
  };
  const Case cases[] = {
      // Without a session manager logind ends the programs: we ask first.
      {"answered No", false, QMessageBox::No, false, false, false, {question}},
      {"taken", false, QMessageBox::Yes, false, true, true, {question}},
      {"refused", false, QMessageBox::Yes, true, true, false, {question, refusal}},
      // The session manager asks the programs and the user, and ends us with the session.
      {"session manager", true, QMessageBox::NoButton, false, true, false, {}},
      {"session manager refuses", true, QMessageBox::NoButton, true, true, false, {refusal}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.systemActions->calls.clear();
    fake.systemActions->sessionManager = c.sessionManager;
    fake.systemActions->refusal = c.refused ? "Access denied" : "";
    Start("[Hotkey]\nChangeWallMod=3\nChangeWallVir=87\n");
    std::remove((dir / "toviwall.lst").c_str());
    bool runningAtRequest = false;
    fake.systemActions->onRequest = [&] {
      runningAtRequest = Icon()->present && !fake.hotKeys->Registered().empty() && !form->EndRequested();
    };
    std::vector<std::string> shown;
    QTimer probe;  // answers each box as it opens
    QObject::connect(&probe, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || (!shown.empty() && shown.back() == box->text().toStdString())) return;
      shown.push_back(box->text().toStdString());
      if (QAbstractButton* button = box->button(c.answer)) button->click();
      else box->close();
    });
    probe.start(5);
    Find<QAction>("ExitWinShutDown")->trigger();
    probe.stop();
    EXPECT_EQ(shown, c.boxes);
    EXPECT_EQ(fake.systemActions->calls,
              c.requested ? std::vector<std::string>{"Request PowerOff"} : std::vector<std::string>{});
    EXPECT_EQ(runningAtRequest, c.requested);
    EXPECT_EQ(form->EndRequested(), c.ends);
    EXPECT_EQ(Icon()->present, !c.ends);
    EXPECT_EQ(fake.hotKeys->Registered().empty(), c.ends);
    EXPECT_EQ(std::ifstream(dir / "toviwall.lst").good(), c.ends) << "the list is saved at the end";
    fake.systemActions->onRequest = nullptr;
  }
}

TEST_F(SystemCommandsTest, LockScreenSaverAndDisplaySettingsRunFromTheMenuAndTheDoubleClick) {
  fake.systemActions->canLock = true;
  Start("DblClickShowMainWin=0\nDblClickToLock=1\n");
  EXPECT_TRUE(Find<QMenu>("TBItemDisplayMode")->actions().isEmpty()) << "a display without modes";
  EXPECT_TRUE(Find<QAction>("ActionLockWorkStation")->isVisible());
  EXPECT_FALSE(Find<QRadioButton>("RBLockWork")->isHidden());
  Icon()->Send(platform::TrayMessage::LButtonDblClk);
  Find<QRadioButton>("RadioButtonScrSave")->click();
  Icon()->Send(platform::TrayMessage::LButtonDblClk);
  Find<QAction>("TBItemShowDisplay")->trigger();
  EXPECT_EQ(fake.systemActions->calls,
            (std::vector<std::string>{"Lock", "ActivateScreenSaver", "OpenDisplaySettings"}));
}

TEST_F(SystemCommandsTest, TheAnswersToASwitch) {
  auto& display = *fake.displayModes;
  display.modes = {{1024, 768, 24, 60, 11}, {800, 600, 24, 60, 12}};
  display.current = DisplayModeRecord{1280, 1024, 24, 60, 10};  // on screen, not in the menu
  Start();
  SystemCommands& system = form->System();
  EXPECT_EQ(system.CurrentModeIndex(), -1);

  // Cancelled with no leaf marked before: back to the mode that was on screen.
  Answering([](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("ButtonCancel"))->click(); },
            [&] { system.ChangeDisplayMode(1); });
  ASSERT_EQ(display.changes.size(), 2u);
  EXPECT_EQ(display.changes[0].id, 12u);
  EXPECT_EQ(display.changes[1].id, 10u);
  EXPECT_EQ(display.current->id, 10u);

  // Each refusal shows its message; the display stays as it was.
  const std::pair<DisplayChange, const char*> refusals[] = {
      {DisplayChange::Failed, "The display driver failed to change the graphics mode."},
      {DisplayChange::BadMode, "The graphics mode is not supported."},
  };
  for (auto [answer, message] : refusals) {
    display.answer = answer;
    QString shown;
    Answering(
        [&](QWidget* w) {
          if (auto* box = qobject_cast<QMessageBox*>(w)) shown = box->text();
          w->close();
        },
        [&] { system.ChangeDisplayMode(0); });
    EXPECT_EQ(shown.toStdString(), message);
  }

  // A mode that needs a restart asks; Cancel leaves the program running.
  display.answer = DisplayChange::Restart;
  QString question;
  Answering(
      [&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        question = box->text();
        box->button(QMessageBox::Cancel)->click();
      },
      [&] { system.ChangeDisplayMode(0); });
  EXPECT_TRUE(question.startsWith(QStringLiteral("The computer must be restarted in order for the graphics mode to "
                                                 "work.\n\nSave your works")))
      << question.toStdString();
  EXPECT_FALSE(form->EndRequested());
  EXPECT_TRUE(fake.systemActions->calls.empty());
  // OK restarts the computer and ends the run.
  Answering([&](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click(); },
            [&] { system.ChangeDisplayMode(0); });
  EXPECT_EQ(fake.systemActions->calls, std::vector<std::string>{"Request Reboot forced"});
  EXPECT_TRUE(form->EndRequested());
}

TEST_F(SystemCommandsTest, TheConfirmationCountsDownWithCancelAsItsDefault) {
  TFormConfirm confirm(QApplication::font(), 30);
  auto* timer = confirm.findChild<QLabel*>(QStringLiteral("LabelTimer"));
  auto* bar = confirm.findChild<QProgressBar*>(QStringLiteral("ProgressBarConfirm"));
  auto* cancel = confirm.findChild<QPushButton*>(QStringLiteral("ButtonCancel"));
  EXPECT_EQ(timer->text(), QStringLiteral("Time remaining: 20 second(s)"));
  EXPECT_EQ(bar->maximum(), 20);
  std::vector<std::pair<int, QString>> seen;  // the bar and the text at each step
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (seen.empty() || seen.back().first != bar->value()) seen.push_back({bar->value(), timer->text()});
  });
  probe.start(1);
  EXPECT_EQ(confirm.exec(), QDialog::Rejected) << "time ran out";
  // The bar moves up as the text counts down (a busy machine may skip a look).
  ASSERT_GE(seen.size(), 10u);
  for (auto& [value, text] : seen) {
    if (value > 0) {
      EXPECT_EQ(text, QStringLiteral("Time remaining: %1 second(s)").arg(20 - value));
    }
  }
  EXPECT_EQ(seen.back(), std::make_pair(19, QStringLiteral("Time remaining: 1 second(s)")));

  EXPECT_TRUE(cancel->isDefault());
}

}  // namespace
}  // namespace toviwall
