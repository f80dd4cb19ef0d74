// The change timer and the rotation commands.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <cstdlib>

#include "app/Intervals.h"
#include "app/Settings.h"
#include "app/WallPaperMain.h"

namespace toviwall {

int TMainForm::ChangeTimerIntervalMs() { return 30000; }

void TMainForm::SeedRandomGenerator() {}

void TMainForm::FillIntervals() {
  ComboBoxUpdate->clear();
  for (int position = 0; position < kIntervalCount; ++position)
    ComboBoxUpdate->addItem(QString::fromStdString(IntervalText(position)));
  ComboBoxUpdate->setCurrentIndex(0);
}

void TMainForm::EnableChangeTimer() {
  bool on = !StartupFlag && ActionActivateWallChanger->isChecked();
  if (on && !TimerChange.isActive()) TimerChange.start();
  if (!on) TimerChange.stop();
}

void TMainForm::Reschedule() {
  // Not built yet: the schedule. Store the interval and switch the timer.
  Write(SettingsFile, keys::Interval, ComboBoxUpdate->currentIndex());
  EnableChangeTimer();
}

void TMainForm::ChangeWallpaperNow() {}  // not built yet: the rotation
void TMainForm::ChangeToIndex(int) {}
void TMainForm::ApplyStoredIndex() {}  // not built yet: re-applying the stored entry
void TMainForm::TimerChangeTimer() {}  // not built yet: due changes and the watchdog
void TMainForm::ButtonChangeClick() {}
void TMainForm::ButtonPreviousClick() {}
void TMainForm::ButtonNextClick() {}
void TMainForm::ActionChangeExecute() {}
void TMainForm::WMWinIniChange() { ReapplyIconText(); }

void TMainForm::ActionActivateWallChangerExecute() {
  // The action has already toggled its own check mark.
  bool on = ActionActivateWallChanger->isChecked();
  Write(SettingsFile, keys::AutoChangeWallpaper, on);
  EnableChangeTimer();
  ComboBoxUpdate->setEnabled(on);
  CheckBoxRandomizeWall->setEnabled(on);
}

void TMainForm::CheckBoxRandomizeWallClick() {
  Write(SettingsFile, keys::Randomize, CheckBoxRandomizeWall->isChecked());
}

void TMainForm::ComboBoxUpdateChange() { Reschedule(); }

void TMainForm::WireRotationHandlers() {
  connect(&TimerChange, &QTimer::timeout, this, Handler(&TMainForm::TimerChangeTimer));
  connect(ActionActivateWallChanger, &QAction::triggered, this,
          Handler(&TMainForm::ActionActivateWallChangerExecute));
  connect(CheckBoxRandomizeWall, &QCheckBox::clicked, this, Handler(&TMainForm::CheckBoxRandomizeWallClick));
  connect(ComboBoxUpdate, &QComboBox::activated, this, Handler(&TMainForm::ComboBoxUpdateChange));
  connect(ButtonChange, &QPushButton::clicked, this, Handler(&TMainForm::ButtonChangeClick));
  connect(ButtonNone, &QPushButton::clicked, this, Handler(&TMainForm::ButtonNoneClick));
  connect(ButtonPrevious, &QPushButton::clicked, this, Handler(&TMainForm::ButtonPreviousClick));
  connect(ButtonNext, &QPushButton::clicked, this, Handler(&TMainForm::ButtonNextClick));
  connect(ActionChange, &QAction::triggered, this, Handler(&TMainForm::ActionChangeExecute));
}

}  // namespace toviwall
