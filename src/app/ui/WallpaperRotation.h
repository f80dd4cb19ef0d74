#pragma once
// Which entry becomes the wallpaper, when, and how it gets there: the change
// timer with the rotation controller, the rotation commands (Change, None,
// Previous, Next, an entry chosen in the list), applying an entry through the
// desktop's wallpaper backend and the watchdog's read-back.
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/RotationController.h"
#include "wallpaper/Composition.h"

class QAction;

namespace toviwall {

class TMainForm;

class WallpaperRotation final : public QObject {
  Q_OBJECT

 public:
  explicit WallpaperRotation(TMainForm& form);
  ~WallpaperRotation() override;

  QAction* ActionChange() const { return ActionChange_; }
  void ApplyCaptions();

  void SeedRandomGenerator();
  void ComputeOutputWallpaperFile();
  // The output file for this settings file and desktop, its folder made.
  std::string OutputWallpaperFile() const;
  void WarnIfActiveDesktop();
  // Re-applies the stored entry at start-up; a failure is a notice and start-up goes on.
  void ApplyStoredIndex();
  // The change timer runs once start-up has ended while automatic changing is on.
  void EnableChangeTimer();

  void Reschedule();
  void RefillBag();
  void ChangeWallpaperNow();
  void ChangeToIndex(int index);
  void Previous();
  void Next();
  // The "None" button: the desktop shows no picture.
  void ClearWallpaper();
  // When the next change is due (local date-time in days).
  double NextChangeTime();
  // What goes wrong without the user at hand (a tick, the start, a command from
  // outside): shown in one non-modal box that gathers the texts while it is
  // open, so the change timer goes on ticking with nobody there to press OK,
  // and failures that keep coming do not stack boxes.
  void Notice(const QString& text);
  // The desktop shows entry `index` as applying it would hand it over.
  bool DesktopShows(int index);

 private:
  RotationController& Controller();
  void ApplyWallpaper(int index, const std::vector<int>& others);
  WallpaperContext Context(int index, const std::vector<int>& others);
  // How many entries a change takes: one per monitor when each has its own.
  int EntriesPerChange();
  // The monitors changed: the pictures shown are composed again for them,
  // without counting as a change.
  void ScreenChanged();
  // True when the desktop does not show what applying `imageFile` under the
  // current filling type hands to it (the watchdog's test).
  bool WallpaperDiffers(const std::string& imageFile);
  void TimerChangeTimer();
  void NoticeSkipped(const std::string& path, const std::string& reason);
  void ActionChangeExecute();
  void WMWinIniChange();
  static int ChangeTimerIntervalMs();

  TMainForm& form_;
  QAction* ActionChange_ = nullptr;
  QTimer TimerChange;
  QTimer screenSettle_;  // RandR tells of one change in several notices
  std::unique_ptr<RotationController> rotation_;
  std::uint64_t randomSeed_ = 0;
  QPointer<QMessageBox> notice_;
  bool inTick_ = false;
};

}  // namespace toviwall
