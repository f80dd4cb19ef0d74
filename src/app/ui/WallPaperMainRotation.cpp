// The change timer and the rotation commands.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>

#include "base/DateTime.h"
#include "base/ui/Dialogs.h"
#include "app/Intervals.h"
#include "base/Settings.h"
#include "app/ui/WallPaperMain.h"

namespace toviwall {

// 30 seconds. TOVIWALL_TICK_MS (a positive number of milliseconds) shortens it
// for tests.
int TMainForm::ChangeTimerIntervalMs() {
  if (const char* text = std::getenv("TOVIWALL_TICK_MS")) {
    char* end = nullptr;
    long ms = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && ms > 0 && ms <= 30000) return static_cast<int>(ms);
  }
  return 30000;
}

void TMainForm::SeedRandomGenerator() {
  randomSeed_ = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

RotationController& TMainForm::Rotation() {
  if (rotation_) return *rotation_;
  RotationController::Hooks h;
  h.now = [] { return NowLocal(); };
  auto generator = std::make_shared<std::mt19937_64>(randomSeed_);
  h.random = [generator](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(*generator); };
  h.applyWallpaper = [this](int index) { ApplyWallpaper(index); };
  h.wallpaperDiffers = [this](int index) { return WallpaperDiffers(imageList_.Rows().Path(index)); };
  h.reapplyIconText = [this] { ReapplyIconText(); };
  h.switchTimer = [this](bool) { EnableChangeTimer(); };
  h.startup = [this] { return StartupFlag; };
  h.autoChange = [this] { return ActionActivateWallChanger->isChecked(); };
  h.randomize = [this] { return CheckBoxRandomizeWall->isChecked(); };
  h.intervalPosition = [this] { return ComboBoxUpdate->currentIndex(); };
  rotation_ = std::make_unique<RotationController>(imageList_, SettingsFile, std::move(h));
  return *rotation_;
}

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

void TMainForm::Reschedule() { Rotation().Reschedule(); }
void TMainForm::RefillBag() { Rotation().RefillBag(); }
void TMainForm::ChangeWallpaperNow() { Rotation().ChangeWallpaperNow(); }
void TMainForm::ChangeToIndex(int index) { Rotation().ChangeToIndex(index); }
void TMainForm::TimerChangeTimer() { Rotation().TimerTick(); }
void TMainForm::ButtonChangeClick() { ChangeWallpaperNow(); }
void TMainForm::ActionChangeExecute() { ChangeWallpaperNow(); }
void TMainForm::ButtonPreviousClick() { Rotation().Previous(); }
void TMainForm::ButtonNextClick() { Rotation().Next(); }
void TMainForm::WMWinIniChange() { ReapplyIconText(); }

void TMainForm::ApplyStoredIndex() {
  // An entry that cannot be applied is reported, and start-up goes on: the
  // change timer still starts, so the rotation moves past it.
  RunHandler([this] { Rotation().ApplyStoredIndex(); });
}

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
