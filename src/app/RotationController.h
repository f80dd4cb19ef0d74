#pragma once
// Which entry of the image list becomes the wallpaper, and when: the schedule
// (last change plus the chosen interval), list order or the shuffle bag, the
// commands Change, Previous and Next, the watchdog of the change timer and the
// re-application of the stored entry at start-up.
//
// Plain logic. The clock, the random source, the wallpaper itself and the
// state of the window's controls come in through Hooks, so tests can run days
// of ticks at once; the program passes the real clock. What a change stores
// goes to the settings file in one write, through RotationState.
#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace toviwall {

class ImageList;
class RotationState;
class Settings;

class RotationController {
 public:
  struct Hooks {
    std::function<double()> now;                           // local date-time in days
    std::function<std::size_t(std::size_t n)> random;      // uniform in 0 .. n-1
    // Makes entry `index` the wallpaper (with a picture on each monitor, on the
    // first monitor, and `others` on the next ones); raises when an image
    // cannot be used. The controller stores the change once it is made.
    std::function<void(int index, const std::vector<int>& others)> applyWallpaper;
    // How many entries one change shows (one per monitor when each has its own);
    // empty: one.
    std::function<int()> entriesPerChange;
    // The desktop no longer shows what applyWallpaper handed it for the entry.
    std::function<bool(int index)> wallpaperDiffers;
    // An entry met by the timer could not be applied (`reason` is the failure's
    // text) and the rotation went on past it; once per file and run.
    std::function<void(const std::string& path, const std::string& reason)> entrySkipped;
    std::function<void()> keepIconTextColor;  // the watchdog's caption colour check
    std::function<void()> reapplyIconText;
    std::function<void(bool on)> switchTimer;
    // The controls and flags the rotation reads.
    std::function<bool()> startup;
    std::function<bool()> autoChange;
    std::function<bool()> randomize;
    std::function<int()> intervalPosition;  // -1: none selected
  };

  RotationController(ImageList& list, Settings& settings, RotationState& state, Hooks hooks);

  // One tick of the change timer: the due change, otherwise the watchdog. An
  // entry that cannot be applied is reported through entrySkipped and the
  // following one (shuffled: another one) is tried, so nobody has to be there
  // for the desktop to go on changing. The user's own commands raise instead.
  void TimerTick();
  void ChangeWallpaperNow();
  int NextIndex() const;
  int RandomIndex();  // -1 when the list is empty
  void RefillBag();
  void ChangeToIndex(int index);
  // The schedule from the stored last change and the interval chosen, which
  // is stored too (unless the caller has just stored it).
  void Reschedule(bool storeInterval = true);
  void Previous();
  void Next();
  // Start-up: the stored entry becomes the wallpaper again and is selected. The
  // selection is made even when applying raises; the error is raised after it.
  void ApplyStoredIndex();

  // The rows the further monitors show now: those stored, as many as a change
  // takes now, a monitor more taking the row after the last.
  std::vector<int> CurrentOthers() const;

  // entrySkipped, unless the file was reported in this run already.
  void ReportSkipped(const std::string& path, const std::string& reason);

  // On exactly when start-up has ended and automatic changing is on.
  bool TimerShouldRun() const;
  double NextChangeTime() const { return nextChange_; }
  const std::vector<int>& Bag() const { return bag_; }

 private:
  int EntriesPerChange() const;
  // The entries for the further monitors: the rows after `first` in list order,
  // or (shuffled) more draws from the bag.
  std::vector<int> Following(int first) const;
  std::vector<int> RandomOthers(int first);
  // The next change: the interval position in use and when it falls due.
  struct Plan {
    int position = -1;
    double next = 0;
  };
  Plan PlanFrom(double last, double now) const;
  // The plan comes into force: the due time, and the timer switched to match.
  void Follow(const Plan& plan);
  void Step(int direction);
  // Previous and Next: the plan stored with the change, none without row `to`.
  std::optional<Plan> StepTo(int from, int to);
  // Applies and stores; the plan of the change stored with it.
  Plan Make(int index, const std::vector<int>& others, std::optional<double>& fellDue);
  // The timer's change; `dueAt`: it fell due then (else the watchdog asked for it).
  void ChangeFromTimer(std::optional<double> dueAt);
  bool DiffersFromDesktop(int index);
  struct Failure {
    std::string path, reason;
  };
  // ChangeToIndex; with `failure`, an entry that cannot be applied is described
  // there (and false answered) instead of raising. A change that is made
  // stores `fellDue` with it and empties it.
  bool ChangeTo(int index, const std::vector<int>& others, Failure* failure, std::optional<double>& fellDue);

  ImageList& list_;
  Settings& settings_;
  RotationState& state_;
  Hooks hooks_;
  double nextChange_ = 0;
  std::vector<int> bag_;
  std::set<std::string> reported_;
};

}  // namespace toviwall
