// The system commands against recording doubles of the drives, the session's
// power requests and the display, built on the parts the main window hands
// them: the CD menu, the end of the run after an exit command, the lock and
// screen saver commands from the tray, the answers to a display-mode switch,
// and the countdown.
#include <gtest/gtest.h>

#include <QAbstractButton>
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

#include "FeatureParts.h"
#include "app/ui/FormParts.h"
#include "app/ui/SystemCommands.h"
#include "app/ui/TrayMenu.h"
#include "system/ui/UnitFormConfirm.h"

namespace toviwall {
namespace {

using platform::DisplayChange;

class SystemCommandsTest : public ::testing::Test {
 protected:
  void Start(const std::string& settings = {}) {
    tray.reset();
    system.reset();
    parts.Store("[Option]\n" + settings);
    system = std::make_unique<SystemCommands>(parts.window.window, *fake.systemActions, *fake.displayModes,
                                              parts.window, parts.captions, [this] { ++listSaves; });
    system->ApplyCaptions();
    system->BuildExitWindowsMenu();
    system->BuildDisplayModeMenu();
    system->BuildCDRomMenu();
    system->ShowCommandsThatCanRun();
  }
  // The tray menu with the system's items (the others stand in as plain actions).
  void StartTray() {
    QAction* other = NamedAction(&parts.window.window, "Other");
    tray = std::make_unique<TrayMenu>(
        *fake.tray, parts.settings, parts.run, parts.window,
        TrayMenu::Actions{other, other, other, other, other, system->ActionLockWorkStation(), system->ActionActivateScreenSave(),
                          system->ActionOpenDisplayProperties(), system->DisplayModeMenu(), system->CDRomMenu(),
                          system->ExitWindowsMenu(), other, NamedAction(other, "a", true),
                          NamedAction(other, "h", true), other, other});
    tray->RefreshTrayIcon();
  }
  template <class T>
  T* Find(const char* name) {
    T* found = parts.window.window.findChild<T*>(QString::fromLatin1(name));
    if (!found) ADD_FAILURE() << "no " << name;
    return found;
  }
  // A menu's items as "name caption tag", separators as "-".
  std::vector<std::string> Items(QMenu* menu) {
    std::vector<std::string> items;
    for (QAction* a : menu->actions())
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

  test::FeatureParts parts;
  test::FakePlatform& fake = parts.fake;
  std::unique_ptr<SystemCommands> system;
  std::unique_ptr<TrayMenu> tray;
  int listSaves = 0;
};

TEST_F(SystemCommandsTest, TheCDMenuShowsEachDriveInOrderAndTheHotKeysUseTheFirst) {
  Start();
  EXPECT_FALSE(system->CDRomMenu()->menuAction()->isVisible()) << "no drive, no menu";
  system->OpenFirstCDDrive();
  EXPECT_TRUE(fake.systemActions->calls.empty());

  fake.systemActions->drives = {"sr0", "sr1", "sr2"};
  Start();
  EXPECT_TRUE(system->CDRomMenu()->menuAction()->isVisible());
  EXPECT_EQ(Items(system->CDRomMenu()),
            (std::vector<std::string>{"OpenDrive_sr0 Open Drive sr0 1", "CloseDrive_sr0 Close Drive sr0 2", "-",
                                      "OpenDrive_sr1 Open Drive sr1 3", "CloseDrive_sr1 Close Drive sr1 4", "-",
                                      "OpenDrive_sr2 Open Drive sr2 5", "CloseDrive_sr2 Close Drive sr2 6"}));
  system->CDRomMenu()->findChild<QAction*>(QStringLiteral("CloseDrive_sr2"))->trigger();
  system->CDRomMenu()->findChild<QAction*>(QStringLiteral("OpenDrive_sr1"))->trigger();
  system->OpenFirstCDDrive();
  system->CloseFirstCDDrive();
  EXPECT_EQ(fake.systemActions->calls, (std::vector<std::string>{"Close sr2", "Open sr1", "Open sr0", "Close sr0"}));

  // A door that does not open says why.
  fake.systemActions->doorRefusal = "the disc could not be unmounted: target is busy";
  QString shown;
  Answering(
      [&](QWidget* w) {
        shown = qobject_cast<QMessageBox*>(w)->text();
        w->close();
      },
      [&] { system->CDRomMenu()->findChild<QAction*>(QStringLiteral("OpenDrive_sr2"))->trigger(); });
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
    parts.window.endRuns = 0;
    Start();
    bool runningAtRequest = false;
    fake.systemActions->onRequest = [&] { runningAtRequest = parts.window.endRuns == 0; };
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
    system->ExitWindowsMenu()->findChild<QAction*>(QStringLiteral("ExitWinShutDown"))->trigger();
    probe.stop();
    EXPECT_EQ(shown, c.boxes);
    EXPECT_EQ(fake.systemActions->calls,
              c.requested ? std::vector<std::string>{"Request PowerOff"} : std::vector<std::string>{});
    EXPECT_EQ(runningAtRequest, c.requested);
    EXPECT_EQ(parts.window.endRuns, c.ends ? 1 : 0);
    fake.systemActions->onRequest = nullptr;
  }
}

TEST_F(SystemCommandsTest, LockScreenSaverAndDisplaySettingsRunFromTheMenuAndTheDoubleClick) {
  fake.systemActions->canLock = true;
  Start("DblClickShowMainWin=0\nDblClickToLock=1\n");
  StartTray();
  EXPECT_TRUE(system->DisplayModeMenu()->actions().isEmpty()) << "a display without modes";
  EXPECT_TRUE(system->ActionLockWorkStation()->isVisible());
  Icon()->Send(platform::TrayMessage::LButtonDblClk);
  parts.settings.Set(Settings::Batch().Add(keys::DblClickToLock, false).Add(keys::DblClickScrSave, true));
  Icon()->Send(platform::TrayMessage::LButtonDblClk);
  Find<QAction>("TBItemShowDisplay")->trigger();
  EXPECT_EQ(fake.systemActions->calls,
            (std::vector<std::string>{"Lock", "ActivateScreenSaver", "OpenDisplaySettings"}));
}

// A session without a screen saver, display settings or display modes (a
// Wayland compositor): the items are disabled with the reason as their tool
// tip, and a double-click chosen to start the screen saver shows the reason.
TEST_F(SystemCommandsTest, WhatCannotRunHereIsDisabledWithTheReason) {
  fake.systemActions->screenSaverWhyNot = "no screen saver";
  fake.systemActions->displaySettingsWhyNot = "no display settings";
  fake.displayModes->whyNot = "no modes";
  Start("DblClickShowMainWin=0\nDblClickScrSave=1\n");
  StartTray();
  const std::pair<QAction*, const char*> disabled[] = {{system->ActionActivateScreenSave(), "no screen saver"},
                                                       {Find<QAction>("TBItemShowDisplay"), "no display settings"},
                                                       {system->DisplayModeMenu()->menuAction(), "no modes"}};
  for (auto [action, why] : disabled) {
    EXPECT_FALSE(action->isEnabled()) << why;
    EXPECT_EQ(action->toolTip(), QString::fromLatin1(why));
  }
  QString shown;
  Answering(
      [&](QWidget* w) {
        shown = qobject_cast<QMessageBox*>(w)->text();
        w->close();
      },
      [&] { Icon()->Send(platform::TrayMessage::LButtonDblClk); });
  EXPECT_EQ(shown, QStringLiteral("no screen saver"));
  EXPECT_TRUE(fake.systemActions->calls.empty());

  // Where they can run, nothing is disabled.
  fake.systemActions->screenSaverWhyNot.clear();
  fake.displayModes->modes = {{1024, 768, 24, 60, 11}};
  Start();
  EXPECT_TRUE(system->ActionActivateScreenSave()->isEnabled());
  EXPECT_TRUE(system->DisplayModeMenu()->menuAction()->isEnabled());
}

TEST_F(SystemCommandsTest, TheAnswersToASwitch) {
  auto& display = *fake.displayModes;
  display.modes = {{1024, 768, 24, 60, 11}, {800, 600, 24, 60, 12}};
  display.current = DisplayModeRecord{1280, 1024, 24, 60, 10};  // on screen, not in the menu
  Start();
  EXPECT_EQ(system->CurrentModeIndex(), -1);

  // Cancelled with no leaf marked before: back to the mode that was on screen.
  Answering([](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("ButtonCancel"))->click(); },
            [&] { system->ChangeDisplayMode(1); });
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
        [&] { system->ChangeDisplayMode(0); });
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
      [&] { system->ChangeDisplayMode(0); });
  EXPECT_TRUE(question.startsWith(QStringLiteral("The computer must be restarted in order for the graphics mode to "
                                                 "work.\n\nSave your works")))
      << question.toStdString();
  EXPECT_EQ(parts.window.endRuns, 0);
  EXPECT_TRUE(fake.systemActions->calls.empty());
  // OK saves the list first, restarts the computer and ends the run.
  Answering([&](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click(); },
            [&] { system->ChangeDisplayMode(0); });
  EXPECT_EQ(listSaves, 1);
  EXPECT_EQ(fake.systemActions->calls, std::vector<std::string>{"Request Reboot forced"});
  EXPECT_EQ(parts.window.endRuns, 1);
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
