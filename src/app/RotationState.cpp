#include "app/RotationState.h"

#include "base/Settings.h"
#include "imagelist/WallpaperList.h"

namespace toviwall {

int RotationState::CurrentIndex() const { return settings_.Get(keys::CurrentIndex); }

double RotationState::LastChange(double now) const { return settings_.Get(keys::LastChange, now); }

std::vector<int> RotationState::MonitorIndexes() const { return settings_.GetNumbers(keys::MonitorIndexes); }

void RotationState::StoreChange(const Change& change) {
  // In the order separate writes had: the due time, the entry and its time,
  // the further monitors' rows (a file that never had them never gets the
  // key), the schedule's interval.
  Settings::Batch batch;
  if (change.fellDue) batch.Add(keys::LastChange, *change.fellDue);
  batch.Add(keys::CurrentIndex, change.index).Add(keys::LastChange, change.at);
  if (change.others != MonitorIndexes()) batch.AddNumbers(keys::MonitorIndexes, change.others);
  batch.Add(keys::Interval, change.interval);
  settings_.Set(batch);
}

void RotationState::StoreFellDue(double at) { settings_.Set(keys::LastChange, at); }

void RotationState::StoreMonitorIndexes(const std::vector<int>& rows) {
  if (rows != MonitorIndexes()) settings_.SetNumbers(keys::MonitorIndexes, rows);
}

void RotationState::RowsMoving() {
  auto remember = [this](int index) { return Remembered{index, rows_.Valid(index) ? rows_.Path(index) : ""}; };
  current_ = remember(CurrentIndex());
  others_.clear();
  for (int index : MonitorIndexes()) others_.push_back(remember(index));
}

void RotationState::RowsMoved() {
  if (!current_) return;
  auto now = [this](const Remembered& r) {
    const int at = r.path.empty() ? -1 : rows_.IndexOf(r.path);
    return at >= 0 ? at : r.index;
  };
  const int current = now(*current_);
  std::vector<int> before, after;
  for (const Remembered& r : others_) {
    before.push_back(r.index);
    after.push_back(now(r));
  }
  Settings::Batch batch;
  if (current != current_->index) batch.Add(keys::CurrentIndex, current);
  if (after != before) batch.AddNumbers(keys::MonitorIndexes, after);
  current_.reset();
  others_.clear();
  if (!batch.Empty()) settings_.Set(batch);
}

}  // namespace toviwall
