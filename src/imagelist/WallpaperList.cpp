#include "imagelist/WallpaperList.h"

#include <algorithm>

#include "imagelist/PathCollation.h"

namespace toviwall {

WallpaperList::~WallpaperList() {
  if (observer_) observer_->ListGone();
}

void WallpaperList::RowsChanged() {
  if (observer_) observer_->RowsReset();
}

void WallpaperList::BeginBatch() { inBatch_ = true; }

void WallpaperList::Append(std::string path, int icon) {
  added_.push_back(Row{std::move(path), icon, false});
  if (!inBatch_) EndBatch();
}

void WallpaperList::EndBatch() {
  inBatch_ = false;
  if (added_.empty()) return;
  auto less = [](const Row& a, const Row& b) { return ComparePaths(a.path, b.path) < 0; };
  auto same = [](const Row& a, const Row& b) { return a.path == b.path; };
  // Stable, so of a path appended twice the first row stays.
  if (!std::is_sorted(added_.begin(), added_.end(), less)) std::stable_sort(added_.begin(), added_.end(), less);
  added_.erase(std::unique(added_.begin(), added_.end(), same), added_.end());

  std::vector<Row> merged;
  merged.reserve(rows_.size() + added_.size());
  int newFocus = -1;
  auto a = rows_.begin();
  auto b = added_.begin();
  auto takeOld = [&] {
    if (focus_ == static_cast<int>(a - rows_.begin())) newFocus = static_cast<int>(merged.size());
    merged.push_back(std::move(*a++));
  };
  while (a != rows_.end() && b != added_.end()) {
    int c = ComparePaths(a->path, b->path);
    if (c < 0) {
      takeOld();
    } else if (c == 0) {
      ++b;  // a row of that path exists already
    } else {
      merged.push_back(std::move(*b++));
    }
  }
  while (a != rows_.end()) takeOld();
  std::move(b, added_.end(), std::back_inserter(merged));
  rows_.swap(merged);
  added_.clear();
  focus_ = newFocus;
  RowsChanged();
}

int WallpaperList::IndexOf(const std::string& path) const {
  auto it = std::lower_bound(rows_.begin(), rows_.end(), path,
                             [](const Row& r, const std::string& p) { return ComparePaths(r.path, p) < 0; });
  return it != rows_.end() && it->path == path ? static_cast<int>(it - rows_.begin()) : -1;
}

void WallpaperList::SetIcon(int index, int icon) {
  if (!Valid(index) || rows_[index].icon == icon) return;
  rows_[index].icon = icon;
  if (observer_) observer_->RowChanged(index);
}

void WallpaperList::Select(int index, bool selected) {
  if (!Valid(index) || rows_[index].selected == selected) return;
  rows_[index].selected = selected;
  if (observer_) observer_->RowChanged(index);
}

void WallpaperList::SelectAll() {
  for (Row& r : rows_) r.selected = true;
  if (observer_) observer_->SelectionReset();
}

int WallpaperList::FirstSelected() const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].selected) return static_cast<int>(i);
  return -1;
}

int WallpaperList::SelectedCount() const {
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; }));
}

std::vector<int> WallpaperList::SelectedRows() const {
  std::vector<int> out;
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].selected) out.push_back(static_cast<int>(i));
  return out;
}

void WallpaperList::SetFocus(int index) {
  focus_ = Valid(index) ? index : -1;
  if (observer_) observer_->FocusChanged(focus_);
}

void WallpaperList::ScrollIntoView(int index) {
  if (Valid(index) && observer_) observer_->ScrollIntoView(index);
}

void WallpaperList::RemoveSelected() {
  if (inBatch_) return;
  std::vector<Row> kept;
  kept.reserve(rows_.size());
  int newFocus = -1;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].selected) continue;
    if (focus_ == static_cast<int>(i)) newFocus = static_cast<int>(kept.size());
    kept.push_back(std::move(rows_[i]));
  }
  rows_.swap(kept);
  focus_ = newFocus;
  RowsChanged();
}

void WallpaperList::Remove(int index) {
  if (inBatch_ || !Valid(index)) return;
  rows_.erase(rows_.begin() + index);
  if (focus_ == index) focus_ = -1;
  else if (focus_ > index) --focus_;
  RowsChanged();
}

void WallpaperList::ViewSelected(int index, bool selected) {
  if (Valid(index)) rows_[index].selected = selected;
}

void WallpaperList::ViewFocused(int index) { focus_ = Valid(index) ? index : -1; }

}  // namespace toviwall
