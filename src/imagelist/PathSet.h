#pragma once
// A sorted list of paths, each held once (the kind of `Candidates` and
// `KnownSet`). Paths that differ only in case name two files here and are
// both held. Lookups are bisections.
//
// Additions are gathered and sorted in once, at the next lookup, so filling the
// list with n paths costs one sort rather than n insertions.
#include <string>
#include <string_view>
#include <vector>

namespace toviwall {

class PathSet {
 public:
  void Add(std::string path);
  void Clear();

  bool Contains(std::string_view path) const;
  std::size_t Size() const;
  bool Empty() const { return Size() == 0; }
  // The paths in the list order (ComparePaths).
  const std::vector<std::string>& Items() const;

  // Removes every path that `other` holds.
  void RemoveAll(const PathSet& other);

 private:
  void Settle() const;

  mutable std::vector<std::string> items_;    // sorted, unique
  mutable std::vector<std::string> pending_;  // added since the last lookup, in order
};

}  // namespace toviwall
