#pragma once
// Which entry becomes the wallpaper, when, and how it gets there: the change
// timer with the rotation controller, the rotation commands (Change, None,
// Previous, Next, an entry chosen in the list), applying an entry through the
// desktop's wallpaper backend and the watchdog's read-back. The filling type,
// the monitors, the colour around pictures, the order and the interval are
// read from the settings at each use.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/RotationController.h"
#include "wallpaper/Composition.h"

class QAction;

namespace toviwall {
namespace platform {
class DesktopWallpaper;
class Screen;
}  // namespace platform

struct AppPaths;
struct ProcessEnvironment;
struct RunState;
class DesktopIconCaptions;
class ImageList;
class NoticeBox;
class RotationState;
class Settings;

class WallpaperRotation final : public QObject {
  Q_OBJECT

 public:
  struct Parts {
    Settings& settings;
    ImageList& list;
    RotationState& state;
    RunState& run;
    AppPaths& paths;
    const ProcessEnvironment& env;
    platform::DesktopWallpaper& desktop;
    platform::Screen& screen;
    DesktopIconCaptions& captions;
    NoticeBox& notice;
  };
  // The Change action belongs to `owner`'s window.
  WallpaperRotation(QWidget& owner, Parts parts);
  ~WallpaperRotation() override;

  QAction* ActionChange() const { return ActionChange_; }
  // Next and Previous for the tray and the hot keys.
  QAction* ActionNext() const { return ActionNext_; }
  QAction* ActionPrevious() const { return ActionPrevious_; }
  void ApplyCaptions();

  void SeedRandomGenerator();
  // The output file for this settings file and desktop, its folder made.
  std::string OutputWallpaperFile() const;
  // Re-applies the stored entry at start-up; a failure is a notice and start-up goes on.
  void ApplyStoredIndex();
  // The change timer runs once start-up has ended while automatic changing is on.
  void EnableChangeTimer();

  void Reschedule();
  // A new interval was chosen (and stored): the schedule counts it from the last change.
  void IntervalChosen();
  void RefillBag();
  void ChangeWallpaperNow();
  void ChangeToIndex(int index);
  void Previous();
  void Next();
  // Next or Previous from the selected row, or from the current wallpaper when
  // none is selected (where no list is in sight: the tray, hot keys, commands).
  void Step(bool forward);
  // The "None" button: the desktop shows no picture.
  void ClearWallpaper();
  // When the next change is due (local date-time in days).
  double NextChangeTime() const { return controller_.NextChangeTime(); }
  // When the timer will change the wallpaper; none while it does not run.
  std::optional<double> ScheduledChange() const;
  // The file name of the current entry; empty without one.
  std::string CurrentFileName() const;
  // The desktop shows entry `index` as applying it would hand it over.
  bool DesktopShows(int index);
  // The monitors as the desktop can take them: one picture where it cannot lay
  // one across monitors.
  MonitorMode Monitors() const;

 signals:
  // The current entry, the schedule or the timer's state may have changed.
  void scheduleChanged();

 private:
  RotationController::Hooks Hooks();
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
  static int ChangeTimerIntervalMs();

  Parts parts_;
  QAction* ActionChange_ = nullptr;
  QAction* ActionNext_ = nullptr;
  QAction* ActionPrevious_ = nullptr;
  QTimer TimerChange;
  QTimer screenSettle_;  // RandR tells of one change in several notices
  std::mt19937_64 random_;
  RotationController controller_;
  bool inTick_ = false;
};

}  // namespace toviwall
