#include "imagelist/PathSet.h"

#include <algorithm>

#include "imagelist/PathCollation.h"

namespace toviwall {

void PathSet::Add(std::string path) { pending_.push_back(std::move(path)); }

void PathSet::Clear() {
  items_.clear();
  pending_.clear();
}

void PathSet::Settle() const {
  if (pending_.empty()) return;
  if (!std::is_sorted(pending_.begin(), pending_.end(), PathLess()))
    std::sort(pending_.begin(), pending_.end(), PathLess());
  pending_.erase(std::unique(pending_.begin(), pending_.end()), pending_.end());
  if (items_.empty()) {
    items_.swap(pending_);
    return;
  }
  std::vector<std::string> merged;
  merged.reserve(items_.size() + pending_.size());
  auto a = items_.begin(), b = pending_.begin();
  while (a != items_.end() && b != pending_.end()) {
    int c = ComparePaths(*a, *b);
    if (c <= 0) {
      if (c == 0) ++b;  // held already
      merged.push_back(std::move(*a++));
    } else {
      merged.push_back(std::move(*b++));
    }
  }
  std::move(a, items_.end(), std::back_inserter(merged));
  std::move(b, pending_.end(), std::back_inserter(merged));
  items_.swap(merged);
  pending_.clear();
}

bool PathSet::Contains(std::string_view path) const {
  Settle();
  return std::binary_search(items_.begin(), items_.end(), path, PathLess());
}

std::size_t PathSet::Size() const {
  Settle();
  return items_.size();
}

const std::vector<std::string>& PathSet::Items() const {
  Settle();
  return items_;
}

void PathSet::RemoveAll(const PathSet& other) {
  Settle();
  // Both in the same order: one walk through each, not a search per path.
  const std::vector<std::string>& drop = other.Items();
  auto d = drop.begin();
  auto kept = items_.begin();
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    int c = -1;
    while (d != drop.end() && (c = ComparePaths(*d, *it)) < 0) ++d;
    if (d != drop.end() && c == 0) continue;
    if (kept != it) *kept = std::move(*it);
    ++kept;
  }
  items_.erase(kept, items_.end());
}

}  // namespace toviwall
