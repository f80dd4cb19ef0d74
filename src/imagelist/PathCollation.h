#pragma once
// The order of paths in the image list and in its working lists.
//
// One fixed collation, the same on every machine whatever LC_COLLATE says, so
// that a stored list position ("CurrentIndex") keeps naming the same entry when
// the user's locale changes. It follows the word sort of the desktop the
// program came from, for the characters paths use:
//   1. letters compared without case and accents (Latin-1 and Latin Extended-A
//      letters count as their base letter); hyphen and apostrophe ignored;
//      punctuation and blanks before digits, digits before letters, other
//      characters after the Latin letters by code point;
//   2. then accents;
//   3. then hyphens and apostrophes;
//   4. (case-sensitive order only) then case, lower case first;
//   5. then the bytes, so only identical paths compare equal.
// Paths are UTF-8; a byte that is not part of a valid sequence sorts after all
// characters, by its value.
#include <string_view>

namespace toviwall {

// The list order: <0, 0, >0. Zero only for identical byte strings.
int ComparePaths(std::string_view a, std::string_view b);
// The same order without case: zero exactly when the paths differ at most in case.
int ComparePathsNoCase(std::string_view a, std::string_view b);

inline bool SamePathNoCase(std::string_view a, std::string_view b) { return ComparePathsNoCase(a, b) == 0; }

struct PathLess {
  bool operator()(std::string_view a, std::string_view b) const { return ComparePaths(a, b) < 0; }
};
struct PathLessNoCase {
  bool operator()(std::string_view a, std::string_view b) const { return ComparePathsNoCase(a, b) < 0; }
};

}  // namespace toviwall
