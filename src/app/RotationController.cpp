#include "app/RotationController.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "base/DateTime.h"
#include "app/Intervals.h"
#include "base/Settings.h"
#include "imagelist/ImageList.h"

namespace toviwall {

static_assert(keys::Interval.max == kIntervalCount - 1, "the stored interval is a position of the list");

namespace {

// Date-times compared to the millisecond, so 09:00:00 plus ten minutes is due
// at 09:10:00 whatever the rounding of the day fractions.
long long Millis(double days) { return std::llround(days * kSecondsPerDay * 1000.0); }

}  // namespace

RotationController::RotationController(ImageList& list, std::string settingsFile, Hooks hooks)
    : list_(list), settingsFile_(std::move(settingsFile)), hooks_(std::move(hooks)) {}

int RotationController::CurrentIndex() const { return Read(settingsFile_, keys::CurrentIndex); }

int RotationController::EntriesPerChange() const {
  return hooks_.entriesPerChange ? std::max(1, hooks_.entriesPerChange()) : 1;
}

std::vector<int> RotationController::Following(int first) const {
  std::vector<int> others;
  const int count = list_.Rows().Count();
  for (int k = 1; k < EntriesPerChange() && count > 0; ++k) others.push_back((first + k) % count);
  return others;
}

std::vector<int> RotationController::RandomOthers(int first) {
  std::vector<int> others;
  const int count = list_.Rows().Count();
  for (int k = 1; k < EntriesPerChange() && count > 0; ++k) {
    int index = RandomIndex();
    // A refilled bag may give an entry this change shows already: it goes back
    // for a later change while the list has others to show.
    for (std::size_t tries = bag_.size(); tries > 0 && k < count &&
                                          (index == first || std::count(others.begin(), others.end(), index));
         --tries) {
      bag_.push_back(index);
      index = RandomIndex();
    }
    others.push_back(index);
  }
  return others;
}

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

void RotationController::ChangeWallpaperNow() {
  if (!hooks_.randomize()) return ChangeToIndex(NextIndex());
  const int index = RandomIndex();
  ChangeTo(index, RandomOthers(index), nullptr);
}

void RotationController::ChangeFromTimer() {
  // Each entry at most once per tick: a list of broken files ends the tick.
  const int count = list_.Rows().Count();
  int index = hooks_.randomize() ? RandomIndex() : NextIndex();
  for (int tries = 0; tries < count; ++tries) {
    Failure failure;
    if (ChangeTo(index, hooks_.randomize() ? RandomOthers(index) : Following(index), &failure)) return;
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

std::vector<int> RotationController::CurrentOthers() const {
  const int current = CurrentIndex();
  std::vector<int> others;
  const std::vector<int> stored = ReadNumbers(settingsFile_, keys::MonitorIndexes);
  for (int k = 1; k < EntriesPerChange(); ++k) {
    const int last = others.empty() ? current : others.back();
    const std::size_t at = static_cast<std::size_t>(k) - 1;
    const int count = std::max(1, list_.Rows().Count());
    others.push_back(at < stored.size() && list_.Rows().Valid(stored[at]) ? stored[at]
                                                                           : ((last + 1) % count + count) % count);
  }
  return others;
}

void RotationController::ReportSkipped(const std::string& path, const std::string& reason) {
  if (reported_.insert(path).second && hooks_.entrySkipped) hooks_.entrySkipped(path, reason);
}

int RotationController::NextIndex() const {
  const WallpaperList& rows = list_.Rows();
  int selected = rows.FirstSelected();
  int a = selected >= 0 ? selected : CurrentIndex();
  // With a picture on each monitor the list goes on after the last monitor's
  // entry, unless the user selected another row than the first monitor's.
  if (EntriesPerChange() > 1 && (selected < 0 || selected == CurrentIndex())) {
    const std::vector<int> others = ReadNumbers(settingsFile_, keys::MonitorIndexes);
    if (!others.empty()) a = others.back();
  }
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

void RotationController::ChangeToIndex(int index) { ChangeTo(index, Following(index), nullptr); }

bool RotationController::ChangeTo(int index, const std::vector<int>& others, Failure* failure) {
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
  std::vector<std::string> otherPaths;
  for (int other : others) otherPaths.push_back(rows.Valid(other) ? rows.Path(other) : std::string());
  try {
    hooks_.applyWallpaper(index, others);
  } catch (const std::exception& e) {
    if (!failure) throw;
    // The reason names the file it is about; with several entries that may be another one.
    const std::string reason = e.what();
    for (const std::string& p : otherPaths)
      if (!p.empty() && reason.starts_with(p + ": ")) path = p;
    *failure = {std::move(path), reason};
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
  hooks_.applyWallpaper(to, Following(to));
  rows.ScrollIntoView(to);
  rows.SetFocus(to);
  Write(settingsFile_, keys::CurrentIndex, to);
}

void RotationController::ApplyStoredIndex() {
  WallpaperList& rows = list_.Rows();
  int i = CurrentIndex();
  std::exception_ptr failure;
  try {
    ChangeTo(i, CurrentOthers(), nullptr);
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
