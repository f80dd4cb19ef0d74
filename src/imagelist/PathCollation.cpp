#include "imagelist/PathCollation.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>

#include "base/Utf8.h"

namespace toviwall {
namespace {

// Base letters of U+00C0 .. U+017F; '.' for the signs among them.
constexpr std::string_view kLatinBase =
    "aaaaaaaceeeeiiii" "dnooooo.ouuuuy.s"  // U+00C0 .. U+00DF
    "aaaaaaaceeeeiiii" "dnooooo.ouuuuy.y"  // U+00E0 .. U+00FF
    "aaaaaa" "cccccccc" "dddd" "eeeeeeeeee" "gggggggg" "hhhh" "iiiiiiiiiiii" "jj" "kkk"
    "llllllllll" "nnnnnnnnn" "oooooooo" "rrrrrr" "ssssssss" "tttttt" "uuuuuuuuuuuu" "ww" "yyy"
    "zzzzzz" "s";  // U+0100 .. U+017F
static_assert(kLatinBase.size() == 0x180 - 0xC0);

// Case mapping for every script comes from the C.UTF-8 character classes, which
// the C library always carries; without them only ASCII letters fold.
locale_t CaseLocale() {
  static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return loc;
}

char32_t Fold(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= kRawByte) return c;
  locale_t loc = CaseLocale();
  return loc ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc)) : c;
}

bool Ignorable(char32_t folded) { return folded == '-' || folded == '\'' || folded == 0xAD; }

// First-level weight of a folded, not ignorable character; never 0.
std::uint32_t Primary(char32_t f) {
  if (f < 0x80) {
    if (f >= 'a' && f <= 'z') return 0x300 + (f - 'a');
    if (f >= '0' && f <= '9') return 0x200 + (f - '0');
    return 1 + f;
  }
  if (f >= 0xC0 && f < 0x180) {
    char base = kLatinBase[f - 0xC0];
    if (base != '.') return 0x300 + static_cast<std::uint32_t>(base - 'a');
  }
  return 0x400 + f;
}

int Sign(long long d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

// Next first-level weight, 0 at the end.
std::uint32_t NextPrimary(Utf8Decoder& d) {
  while (!d.AtEnd()) {
    char32_t f = Fold(d.Next());
    if (!Ignorable(f)) return Primary(f);
  }
  return 0;
}

// Next folded character that is not ignorable, -1 at the end.
long long NextAccented(Utf8Decoder& d) {
  while (!d.AtEnd()) {
    char32_t f = Fold(d.Next());
    if (!Ignorable(f)) return f;
  }
  return -1;
}

int Compare(std::string_view a, std::string_view b, bool withCase) {
  // Every level compares sequences made character by character, so a common
  // leading run of bytes cannot decide anything: start at the last character
  // boundary before the first difference. Any byte that is not a continuation
  // byte starts a character, valid or not.
  std::size_t p = 0, n = a.size() < b.size() ? a.size() : b.size();
  while (p < n && a[p] == b[p]) ++p;
  if (p == a.size() && p == b.size()) return 0;
  auto continuation = [](std::string_view s, std::size_t i) {
    return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
  };
  while (p > 0 && (continuation(a, p) || continuation(b, p))) --p;
  a.remove_prefix(p);
  b.remove_prefix(p);

  {  // 1. base letters
    Utf8Decoder da(a), db(b);
    for (;;) {
      std::uint32_t x = NextPrimary(da), y = NextPrimary(db);
      if (x != y) return x < y ? -1 : 1;
      if (x == 0) break;
    }
  }
  {  // 2. accents
    Utf8Decoder da(a), db(b);
    for (;;) {
      long long x = NextAccented(da), y = NextAccented(db);
      if (x != y) return Sign(x - y);
      if (x < 0) break;
    }
  }
  {  // 3. hyphens and apostrophes: the whole folded text
    Utf8Decoder da(a), db(b);
    for (;;) {
      if (da.AtEnd() || db.AtEnd()) {
        if (da.AtEnd() != db.AtEnd()) return da.AtEnd() ? -1 : 1;
        break;
      }
      char32_t x = Fold(da.Next()), y = Fold(db.Next());
      if (x != y) return x < y ? -1 : 1;
    }
  }
  if (!withCase) return 0;
  {  // 4. case: the folded texts are equal, so the characters pair up
    Utf8Decoder da(a), db(b);
    while (!da.AtEnd() && !db.AtEnd()) {
      char32_t x = da.Next(), y = db.Next();
      if (x == y) continue;
      bool xLower = Fold(x) == x, yLower = Fold(y) == y;
      if (xLower != yLower) return xLower ? -1 : 1;
      return x < y ? -1 : 1;
    }
  }
  return Sign(a.compare(b));  // 5.
}

}  // namespace

int ComparePaths(std::string_view a, std::string_view b) { return Compare(a, b, true); }
int ComparePathsNoCase(std::string_view a, std::string_view b) { return Compare(a, b, false); }

}  // namespace toviwall
