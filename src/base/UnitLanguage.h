#pragma once
// The numbered texts the program shows: 10001 to 10105 as every translation
// file knows them, then the texts of later additions, in blocks of numbers
// (10106 to 10145 for notices and warnings, from 10150 on for the system
// commands and the hot keys' refusals). The English table is built in; a
// "WallLang.lng" file in the working folder (UTF-8 lines "NNNNN=text") can
// replace any of them. Loaded once, read-only afterwards.
#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace toviwall {

inline constexpr int kFirstString = 10001;
// The numbers a text may have; those between the blocks have none.
inline constexpr int kLastString = 10199;
inline constexpr int kStringCount = kLastString - kFirstString + 1;
inline constexpr std::size_t kMaxLanguageStringChars = 349;
inline constexpr const char* kLanguageFileName = "WallLang.lng";

class LanguageTable {
 public:
  LanguageTable();  // the English table

  // Replaces every string the file holds (after cutting to 349 characters and
  // trimming blanks and control characters); the others stay English. A missing
  // or unreadable file leaves the whole table English. Answers whether a file was read.
  bool LoadFile(const std::string& path);

  const std::string& operator[](int number) const;

  // The English text of a number; "" for a number without a text.
  static const char* Default(int number);
  static bool Known(int number) { return *Default(number) != '\0'; }

 private:
  std::array<std::string, kStringCount> strings_;
};

// The process-wide table.
LanguageTable& LanguageStrings();
// Loads "WallLang.lng" from the working folder into the process-wide table.
void LoadLanguageStrings();
// Shorthand for LanguageStrings()[number].
const std::string& S(int number);

// Fills "%s" and "%d" placeholders in order ("%%" is a percent sign). A language
// file controls the format, so this never reads more arguments than it was given
// and prints each argument by its own type whatever placeholder stands for it.
using FormatArg = std::variant<std::string_view, long long>;
std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace toviwall
