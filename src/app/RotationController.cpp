#include "app/RotationController.h"

#include <cmath>
#include <exception>

#include "base/DateTime.h"
#include "app/Intervals.h"
#include "base/Settings.h"
#include "imagelist/ImageList.h"

namespace toviwall {
namespace {

// Date-times compared to the millisecond, so 09:00:00 plus ten minutes is due
// at 09:10:00 whatever the rounding of the day fractions.
long long Millis(double days) { return std::llround(days * kSecondsPerDay * 1000.0); }

}  // namespace

RotationController::RotationController(ImageList& list, std::string settingsFile, Hooks hooks)
    : list_(list), settingsFile_(std::move(settingsFile)), hooks_(std::move(hooks)) {}

int RotationController::CurrentIndex() const { return Read(settingsFile_, keys::CurrentIndex); }

bool RotationController::TimerShouldRun() const { return !hooks_.startup() && hooks_.autoChange(); }

void RotationController::TimerTick() {
  double now = hooks_.now();
  // The change is due.
  if (Millis(now) >= Millis(nextChange_)) {
    Write(settingsFile_, keys::LastChange, now);
    ChangeFromTimer();
    return;
  }
  // The watchdog: a wallpaper set by anyone else, a "None" or a deleted
  // current file is followed by the next entry.
  int i = CurrentIndex();
  if (!list_.Rows().Valid(i) || DiffersFromDesktop(i)) ChangeFromTimer();
  if (hooks_.keepIconTextColor) hooks_.keepIconTextColor();
  if (hooks_.reapplyIconText) hooks_.reapplyIconText();
}

void RotationController::ChangeWallpaperNow() { ChangeToIndex(hooks_.randomize() ? RandomIndex() : NextIndex()); }

void RotationController::ChangeFromTimer() {
  // Each entry at most once per tick: a list of broken files ends the tick.
  const int count = list_.Rows().Count();
  int index = hooks_.randomize() ? RandomIndex() : NextIndex();
  for (int tries = 0; tries < count; ++tries) {
    Failure failure;
    if (ChangeTo(index, &failure)) return;
    ReportSkipped(failure.path, failure.reason);
    if (hooks_.randomize())
      index = RandomIndex();
    else
      index = index + 1 < list_.Rows().Count() ? index + 1 : 0;
  }
}

bool RotationController::DiffersFromDesktop(int index) {
  try {
    return hooks_.wallpaperDiffers(index);
  } catch (const std::exception&) {
    return true;  // the current file went bad: the timer moves on from it
  }
}

void RotationController::ReportSkipped(const std::string& path, const std::string& reason) {
  if (reported_.insert(path).second && hooks_.entrySkipped) hooks_.entrySkipped(path, reason);
}

int RotationController::NextIndex() const {
  const WallpaperList& rows = list_.Rows();
  int selected = rows.FirstSelected();
  int a = selected >= 0 ? selected : CurrentIndex();
  // A stored position below -1 would otherwise name no entry at every change.
  return rows.Valid(a + 1) ? a + 1 : 0;
}

int RotationController::RandomIndex() {
  if (bag_.empty()) RefillBag();
  if (bag_.empty()) return -1;
  std::size_t r = hooks_.random(bag_.size());
  if (r >= bag_.size()) r = bag_.size() - 1;
  int index = bag_[r];
  bag_.erase(bag_.begin() + static_cast<std::ptrdiff_t>(r));
  if (bag_.empty()) RefillBag();
  return index;
}

void RotationController::RefillBag() {
  bag_.resize(static_cast<std::size_t>(list_.Rows().Count()));
  for (std::size_t i = 0; i < bag_.size(); ++i) bag_[i] = static_cast<int>(i);
}

void RotationController::ChangeToIndex(int index) { ChangeTo(index, nullptr); }

bool RotationController::ChangeTo(int index, Failure* failure) {
  WallpaperList& rows = list_.Rows();
  // Nothing changes during start-up or without such an entry.
  if (hooks_.startup() || rows.Empty() || !rows.Valid(index)) return true;
  // The marker leaves its row, which gets its type icon back.
  for (int i = 0; i < rows.Count(); ++i) {
    if (rows.At(i).icon != WallpaperList::kMarkerIcon) continue;
    rows.SetIcon(i, list_.CachedTypeIcon(rows.Path(i)));
    rows.Select(i, false);
  }
  // The selection moves to the new entry.
  if (int selected = rows.FirstSelected(); selected >= 0) rows.Select(selected, false);
  // Taken first: a message box during applying lets a batch change the rows.
  std::string path = rows.Path(index);
  try {
    hooks_.applyWallpaper(index);
  } catch (const std::exception& e) {
    if (!failure) throw;
    *failure = {std::move(path), e.what()};
    return false;
  }
  rows.Select(index, true);
  rows.ScrollIntoView(index);
  rows.SetFocus(index);
  rows.SetIcon(index, WallpaperList::kMarkerIcon);
  if (hooks_.reapplyIconText) hooks_.reapplyIconText();
  Reschedule();
  return true;
}

void RotationController::Reschedule() {
  double now = hooks_.now();
  double last = Read(settingsFile_, keys::LastChange, now);
  if (now < last) last = now;  // the clock was set back
  int position = hooks_.intervalPosition();
  if (position < 0 || position >= kIntervalCount) position = -1;
  Write(settingsFile_, keys::Interval, position);
  nextChange_ = last + IntervalDays(position);
  if (hooks_.switchTimer) hooks_.switchTimer(TimerShouldRun());
}

void RotationController::Step(int direction) {
  WallpaperList& rows = list_.Rows();
  if (rows.Empty()) return;
  int s = rows.FirstSelected();
  if (s >= 0) {
    int last = rows.Count() - 1;
    int target = direction < 0 ? (s <= 0 ? last : s - 1) : (s >= last ? 0 : s + 1);
    StepTo(s, target);
  }
  if (hooks_.reapplyIconText) hooks_.reapplyIconText();
  Reschedule();
}

void RotationController::Previous() { Step(-1); }
void RotationController::Next() { Step(+1); }

void RotationController::StepTo(int from, int to) {
  WallpaperList& rows = list_.Rows();
  if (!rows.Valid(to)) return;
  rows.Select(from, false);
  rows.Select(to, true);
  hooks_.applyWallpaper(to);
  rows.ScrollIntoView(to);
  rows.SetFocus(to);
  Write(settingsFile_, keys::CurrentIndex, to);
}

void RotationController::ApplyStoredIndex() {
  WallpaperList& rows = list_.Rows();
  int i = CurrentIndex();
  std::exception_ptr failure;
  try {
    ChangeToIndex(i);
  } catch (...) {
    failure = std::current_exception();
  }
  if (!rows.Valid(i)) i = 0;
  if (!rows.Empty()) {
    rows.Select(i, true);
    rows.ScrollIntoView(i);
    rows.SetFocus(i);
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace toviwall
