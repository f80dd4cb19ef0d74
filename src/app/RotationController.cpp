#include "app/RotationController.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "app/Intervals.h"
#include "app/RotationState.h"
#include "base/DateTime.h"
#include "base/Settings.h"
#include "imagelist/ImageList.h"

namespace toviwall {

static_assert(keys::Interval.max == kIntervalCount - 1, "the stored interval is a position of the list");

namespace {

// Date-times compared to the millisecond, so 09:00:00 plus ten minutes is due
// at 09:10:00 whatever the rounding of the day fractions.
long long Millis(double days) { return std::llround(days * kSecondsPerDay * 1000.0); }

}  // namespace

RotationController::RotationController(ImageList& list, Settings& settings, RotationState& state, Hooks hooks)
    : list_(list), settings_(settings), state_(state), hooks_(std::move(hooks)) {}

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
    ChangeFromTimer(now);
    return;
  }
  // The watchdog: a wallpaper set by anyone else, a "None" or a deleted
  // current file is followed by the next entry.
  int i = state_.CurrentIndex();
  if (!list_.Rows().Valid(i) || DiffersFromDesktop(i)) ChangeFromTimer(std::nullopt);
  if (hooks_.keepIconTextColor) hooks_.keepIconTextColor();
  if (hooks_.reapplyIconText) hooks_.reapplyIconText();
}

void RotationController::ChangeWallpaperNow() {
  if (!hooks_.randomize()) return ChangeToIndex(NextIndex());
  const int index = RandomIndex();
  std::optional<double> none;
  ChangeTo(index, RandomOthers(index), nullptr, none);
}

void RotationController::ChangeFromTimer(std::optional<double> dueAt) {
  // The due time is stored with the change; when none is made, by itself.
  struct StoreUnlessChanged {
    RotationState& state;
    std::optional<double>& due;
    ~StoreUnlessChanged() noexcept(false) {
      if (!due) return;
      if (std::uncaught_exceptions() == 0) {
        state.StoreFellDue(*due);
        return;
      }
      try {
        state.StoreFellDue(*due);
      } catch (...) {  // the failure on its way says more
      }
    }
  } store{state_, dueAt};
  // Each entry at most once per tick: a list of broken files ends the tick.
  const int count = list_.Rows().Count();
  int index = hooks_.randomize() ? RandomIndex() : NextIndex();
  for (int tries = 0; tries < count; ++tries) {
    Failure failure;
    if (ChangeTo(index, hooks_.randomize() ? RandomOthers(index) : Following(index), &failure, dueAt)) return;
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
  const int current = state_.CurrentIndex();
  std::vector<int> others;
  const std::vector<int> stored = state_.MonitorIndexes();
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
  const int current = state_.CurrentIndex();
  int a = selected >= 0 ? selected : current;
  // With a picture on each monitor the list goes on after the last monitor's
  // entry, unless the user selected another row than the first monitor's.
  if (EntriesPerChange() > 1 && (selected < 0 || selected == current)) {
    const std::vector<int> others = state_.MonitorIndexes();
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

void RotationController::ChangeToIndex(int index) {
  std::optional<double> none;
  ChangeTo(index, Following(index), nullptr, none);
}

RotationController::Plan RotationController::Make(int index, const std::vector<int>& others,
                                                  std::optional<double>& fellDue) {
  hooks_.applyWallpaper(index, others);
  const double at = hooks_.now();
  const Plan plan = PlanFrom(at, at);
  RotationState::Change change{.fellDue = fellDue, .index = index, .at = at, .others = {}, .interval = plan.position};
  for (int other : others)
    if (list_.Rows().Valid(other)) change.others.push_back(other);
  state_.StoreChange(change);
  fellDue.reset();
  return plan;
}

bool RotationController::ChangeTo(int index, const std::vector<int>& others, Failure* failure,
                                  std::optional<double>& fellDue) {
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
  Plan plan;
  try {
    plan = Make(index, others, fellDue);
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
  Follow(plan);
  return true;
}

RotationController::Plan RotationController::PlanFrom(double last, double now) const {
  if (now < last) last = now;  // the clock was set back
  const int position = keys::Interval.Bounded(hooks_.intervalPosition());  // -1: none selected
  return {position, last + IntervalDays(position)};
}

void RotationController::Follow(const Plan& plan) {
  nextChange_ = plan.next;
  if (hooks_.switchTimer) hooks_.switchTimer(TimerShouldRun());
}

void RotationController::Reschedule(bool storeInterval) {
  const double now = hooks_.now();
  const Plan plan = PlanFrom(state_.LastChange(now), now);
  if (storeInterval) settings_.Set(keys::Interval, plan.position);
  Follow(plan);
}

void RotationController::Step(int direction) {
  WallpaperList& rows = list_.Rows();
  if (rows.Empty()) return;
  std::optional<Plan> plan;
  int s = rows.FirstSelected();
  if (s >= 0) {
    int last = rows.Count() - 1;
    int target = direction < 0 ? (s <= 0 ? last : s - 1) : (s >= last ? 0 : s + 1);
    plan = StepTo(s, target);
  }
  if (hooks_.reapplyIconText) hooks_.reapplyIconText();
  // The change stored its schedule with it.
  if (plan) Follow(*plan);
  else Reschedule();
}

void RotationController::Previous() { Step(-1); }
void RotationController::Next() { Step(+1); }

std::optional<RotationController::Plan> RotationController::StepTo(int from, int to) {
  WallpaperList& rows = list_.Rows();
  if (!rows.Valid(to)) return std::nullopt;
  rows.Select(from, false);
  rows.Select(to, true);
  std::optional<double> none;
  const Plan plan = Make(to, Following(to), none);
  rows.ScrollIntoView(to);
  rows.SetFocus(to);
  return plan;
}

void RotationController::ApplyStoredIndex() {
  WallpaperList& rows = list_.Rows();
  int i = state_.CurrentIndex();
  std::exception_ptr failure;
  try {
    std::optional<double> none;
    ChangeTo(i, CurrentOthers(), nullptr, none);
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
