#include "base/UnitLanguage.h"

#include <iterator>

#include "base/AtomicFile.h"

namespace toviwall {
namespace {

// One after another from 10001.
constexpr const char* kDefaults[] = {
#include "base/LanguageDefaults.inc"
};
static_assert(std::size(kDefaults) < 10150 - kFirstString, "the numbered block from 10150 follows");

// The block from 10150, each text with its number.
struct NumberedText {
  int number;
  const char* text;
};
constexpr NumberedText kNumberedDefaults[] = {
#include "base/LanguageDefaults10150.inc"
};

bool IsBlankOrControl(unsigned char c) { return c <= ' ' || c == 0x7F; }

std::string_view TrimBlanksAndControls(std::string_view s) {
  while (!s.empty() && IsBlankOrControl(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && IsBlankOrControl(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string_view CutUtf8(std::string_view s, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (chars == maxChars) return s.substr(0, i);
      ++chars;
    }
  }
  return s;
}

}  // namespace

LanguageTable::LanguageTable() {
  for (int i = 0; i < kStringCount; ++i) strings_[i] = Default(kFirstString + i);
}

const char* LanguageTable::Default(int number) {
  if (number < kFirstString || number > kLastString) return "";
  if (static_cast<std::size_t>(number - kFirstString) < std::size(kDefaults)) return kDefaults[number - kFirstString];
  for (const NumberedText& t : kNumberedDefaults)
    if (t.number == number) return t.text;
  return "";
}

const std::string& LanguageTable::operator[](int number) const {
  static const std::string empty;
  if (number < kFirstString || number > kLastString) return empty;
  return strings_[number - kFirstString];
}

bool LanguageTable::LoadFile(const std::string& path) {
  std::string content;
  if (!FileExists(path) || !ReadWholeFile(path, content)) return false;
  if (content.rfind("\xEF\xBB\xBF", 0) == 0) content.erase(0, 3);
  std::array<bool, kStringCount> seen{};
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = content.size();
    std::string_view line(content.data() + pos, end - pos);
    pos = end + 1;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view digits = TrimBlanksAndControls(line.substr(0, eq));
    if (digits.size() != 5) continue;
    int number = 0;
    bool ok = true;
    for (char c : digits) {
      ok = ok && c >= '0' && c <= '9';
      number = number * 10 + (c - '0');
    }
    if (!ok || !Known(number) || seen[number - kFirstString]) continue;
    std::string_view text = TrimBlanksAndControls(CutUtf8(line.substr(eq + 1), kMaxLanguageStringChars));
    if (text.empty()) continue;  // a blank string keeps the English one
    seen[number - kFirstString] = true;
    strings_[number - kFirstString] = std::string(text);
  }
  return true;
}

LanguageTable& LanguageStrings() {
  static LanguageTable table;
  return table;
}

void LoadLanguageStrings() { LanguageStrings().LoadFile(kLanguageFileName); }

const std::string& S(int number) { return LanguageStrings()[number]; }

std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 32);
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    char kind = format[i + 1];
    if (kind == '%') {
      out += '%';
      ++i;
    } else if (kind == 's' || kind == 'd') {
      ++i;
      if (next != args.end()) {
        if (auto* text = std::get_if<std::string_view>(&*next)) out += *text;
        else out += std::to_string(std::get<long long>(*next));
        ++next;
      }
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace toviwall
