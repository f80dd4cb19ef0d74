#include "base/IniFile.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "base/AtomicFile.h"
#include "base/DateTime.h"

namespace toviwall {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// The file as lines, with enough kept to write it back unchanged but for one edit.
struct IniText {
  std::string bom;  // a UTF-8 byte-order mark before the first line, kept as it was
  std::vector<std::string> lines;
  std::string eol = "\n";
  bool finalEol = true;
  std::string unread;  // from a NUL on: never read, written back as it was

  enum class Kind { Other, Section, Key };
  struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;   // section or key name
    std::string_view value;  // key value, trimmed
  };

  static Parsed Parse(std::string_view line) {
    Parsed p;
    std::string_view t = Trim(line);
    if (t.empty() || t[0] == ';') return p;
    if (t[0] == '[') {
      std::size_t close = t.find(']');
      p.kind = Kind::Section;
      p.name = Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      return p;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos || eq == 0) return p;
    p.kind = Kind::Key;
    p.name = Trim(t.substr(0, eq));
    p.value = Trim(t.substr(eq + 1));
    if (p.name.empty()) p.kind = Kind::Other;
    return p;
  }

  static IniText FromBytes(std::string bytes) {
    IniText t;
    // A NUL ends the text, as it does for the system's profile reader.
    if (auto nul = bytes.find('\0'); nul != std::string::npos) {
      t.unread = bytes.substr(nul);
      bytes.resize(nul);
    }
    if (bytes.starts_with(kUtf8Bom)) {
      t.bom = kUtf8Bom;
      bytes.erase(0, t.bom.size());
    }
    std::size_t crlf = bytes.find("\r\n");
    std::size_t lf = bytes.find('\n');
    if (crlf != std::string::npos && crlf <= lf) t.eol = "\r\n";
    std::size_t start = 0;
    while (start < bytes.size()) {
      std::size_t end = bytes.find_first_of("\r\n", start);
      if (end == std::string::npos) {
        t.lines.push_back(bytes.substr(start));
        t.finalEol = false;
        break;
      }
      t.lines.push_back(bytes.substr(start, end - start));
      start = end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
    }
    return t;
  }

  std::string ToBytes() const {
    std::string out = bom;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      out += lines[i];
      if (i + 1 < lines.size() || finalEol) out += eol;
    }
    return out + unread;
  }

  // [begin, end) line range of the first matching section's body; nullopt when absent.
  std::optional<std::pair<std::size_t, std::size_t>> FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      Parsed p = Parse(lines[i]);
      if (p.kind != Kind::Section || !EqualNoCase(p.name, section)) continue;
      std::size_t end = i + 1;
      while (end < lines.size() && Parse(lines[end]).kind != Kind::Section) ++end;
      return std::make_pair(i + 1, end);
    }
    return std::nullopt;
  }

  std::optional<std::size_t> FindKey(std::pair<std::size_t, std::size_t> range, std::string_view key) const {
    for (std::size_t i = range.first; i < range.second; ++i) {
      Parsed p = Parse(lines[i]);
      if (p.kind == Kind::Key && EqualNoCase(p.name, key)) return i;
    }
    return std::nullopt;
  }
};

std::optional<IniText> Load(const std::string& file) {
  std::string bytes;
  if (!ReadWholeFile(file, bytes)) return std::nullopt;
  return IniText::FromBytes(std::move(bytes));
}

// Cuts after the given number of UTF-8 characters.
std::string CutChars(std::string_view s, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (chars == maxChars) return std::string(s.substr(0, i));
      ++chars;
    }
  }
  return std::string(s);
}

std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

// One value, found as IniText would find it (first matching section, first
// matching key in it), but by scanning the text in place: a copy of every line
// made each read of a large file cost several times the reading itself.
std::optional<std::string> ReadRaw(const std::string& file, std::string_view section, std::string_view key) {
  std::string bytes;
  if (!ReadWholeFile(file, bytes)) return std::nullopt;
  std::string_view text(bytes.data(), std::min(bytes.find('\0'), bytes.size()));  // a NUL ends the text
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  bool inSection = false;
  // Each line ends at CR, LF or CR LF; both searches only move forward.
  std::size_t lf = text.find('\n'), cr = text.find('\r');
  for (std::size_t start = 0; start < text.size();) {
    if (lf < start) lf = text.find('\n', start);
    if (cr < start) cr = text.find('\r', start);
    const std::size_t end = std::min({lf, cr, text.size()});
    const IniText::Parsed p = IniText::Parse(text.substr(start, end - start));
    if (p.kind == IniText::Kind::Section) {
      if (inSection) return std::nullopt;  // the first matching section has no such key
      inSection = EqualNoCase(p.name, section);
    } else if (inSection && p.kind == IniText::Kind::Key && EqualNoCase(p.name, key)) {
      return CutChars(Unquote(p.value), kIniMaxValueChars);
    }
    start = end + ((end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ? 2 : 1);
  }
  return std::nullopt;
}

void Save(const std::string& file, const IniText& text) {
  try {
    WriteFileAtomically(file, text.ToBytes());
  } catch (const FileWriteError&) {
    throw SettingsWriteError(file);
  }
}

// A line break inside a value would split it into lines of its own and could forge
// other keys; the format cannot carry it.
bool Storable(std::string_view value) {
  return value.find_first_of("\r\n") == std::string_view::npos && value.find('\0') == std::string_view::npos;
}

void Put(IniText& text, std::string_view section, std::string_view key, std::string_view value) {
  std::string entry = std::string(key) + "=" + std::string(value);
  if (auto range = text.FindSection(section)) {
    if (auto at = text.FindKey(*range, key)) {
      std::string_view line = text.lines[*at];
      std::string_view name = IniText::Parse(line).name;  // keep the stored spelling of the key
      text.lines[*at] = std::string(name) + "=" + std::string(value);
    } else {
      std::size_t insert = range->second;
      while (insert > range->first && Trim(text.lines[insert - 1]).empty()) --insert;
      text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(insert), entry);
    }
  } else {
    while (!text.lines.empty() && Trim(text.lines.back()).empty()) text.lines.pop_back();
    if (!text.lines.empty()) text.lines.emplace_back();
    text.lines.push_back("[" + std::string(section) + "]");
    text.lines.push_back(entry);
    text.finalEol = true;
  }
}

void WriteAll(const std::string& file, const std::vector<IniValue>& values) {
  for (const IniValue& v : values)
    if (!Storable(v.value)) throw SettingsWriteError(file);
  IniText text;
  if (FileExists(file)) {
    auto loaded = Load(file);
    if (!loaded) throw SettingsWriteError(file);
    text = std::move(*loaded);
  }
  for (const IniValue& v : values) Put(text, v.section, v.key, v.value);
  Save(file, text);
}

void WriteRaw(const std::string& file, std::string_view section, std::string_view key, std::string_view value) {
  WriteAll(file, {IniValue{section, key, std::string(value)}});
}

}  // namespace

SettingsWriteError::SettingsWriteError(const std::string& file)
    : std::runtime_error("Unable to write to " + file) {}

bool ParseIniInteger(std::string_view s, std::int32_t& out) {
  s = Trim(s);
  if (s.empty()) return false;
  bool hex = false;
  bool negative = false;
  if (s[0] == '$') {
    hex = true;
    s.remove_prefix(1);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    hex = true;
    s.remove_prefix(2);
  } else if (s[0] == '-' || s[0] == '+') {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  if (hex) {
    if (s.size() > 8) {
      std::size_t zeros = s.find_first_not_of('0');
      if (zeros == std::string_view::npos) zeros = s.size();
      if (s.size() - zeros > 8) return false;
    }
    std::uint32_t v = 0;
    for (char c : s) {
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else return false;
      v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    out = static_cast<std::int32_t>(v);
    return true;
  }
  std::int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

bool IniReadBool(const std::string& file, std::string_view section, std::string_view key, bool def) {
  return IniReadInteger(file, section, key, def ? 1 : 0) != 0;
}

std::int32_t IniReadInteger(const std::string& file, std::string_view section, std::string_view key,
                            std::int32_t def) {
  auto raw = ReadRaw(file, section, key);
  std::int32_t v;
  if (raw && ParseIniInteger(*raw, v)) return v;
  return def;
}

std::string IniReadString(const std::string& file, std::string_view section, std::string_view key,
                          const std::string& def) {
  auto raw = ReadRaw(file, section, key);
  return raw ? *raw : CutChars(def, kIniMaxValueChars);
}

double IniReadDateTime(const std::string& file, std::string_view section, std::string_view key, double def) {
  auto raw = ReadRaw(file, section, key);
  double v;
  if (raw && !raw->empty() && TryStrToDateTime(*raw, v)) return v;
  return def;
}

std::string IniBoolText(bool value) { return value ? "1" : "0"; }
std::string IniDateTimeText(double value) { return DateTimeToStr(value); }

void IniWriteValues(const std::string& file, const std::vector<IniValue>& values) {
  if (!values.empty()) WriteAll(file, values);
}

void IniWriteBool(const std::string& file, std::string_view section, std::string_view key, bool value) {
  WriteRaw(file, section, key, IniBoolText(value));
}

void IniWriteInteger(const std::string& file, std::string_view section, std::string_view key,
                     std::int32_t value) {
  WriteRaw(file, section, key, std::to_string(value));
}

void IniWriteString(const std::string& file, std::string_view section, std::string_view key,
                    std::string_view value) {
  WriteRaw(file, section, key, value);
}

void IniWriteDateTime(const std::string& file, std::string_view section, std::string_view key, double value) {
  WriteRaw(file, section, key, IniDateTimeText(value));
}

bool IniSectionExists(const std::string& file, std::string_view section) {
  auto text = Load(file);
  if (!text) return false;
  auto range = text->FindSection(section);
  if (!range) return false;
  for (std::size_t i = range->first; i < range->second; ++i)
    if (IniText::Parse(text->lines[i]).kind == IniText::Kind::Key) return true;
  return false;
}

std::string IniReadSectionText(const std::string& file, std::string_view section) {
  auto text = Load(file);
  if (!text) return {};
  auto range = text->FindSection(section);
  if (!range) return {};
  std::vector<std::pair<std::string, std::string>> entries;
  std::vector<std::string_view> seenNames;
  for (std::size_t i = range->first; i < range->second; ++i) {
    IniText::Parsed p = IniText::Parse(text->lines[i]);
    if (p.kind != IniText::Kind::Key) continue;
    bool seen = false;
    for (auto name : seenNames) seen = seen || EqualNoCase(name, p.name);
    if (seen) continue;  // a repeated key reads as its first value
    seenNames.push_back(p.name);
    std::string value = CutChars(Unquote(p.value), kIniMaxValueChars);
    if (!value.empty()) entries.emplace_back(std::string(p.name), std::move(value));
  }
  std::string out;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i) out += "\r\n";
    out += entries[i].first + "=" + entries[i].second;
  }
  return out;
}

bool IniEraseSection(const std::string& file, std::string_view section) {
  // A refused write is tried again a few times, but never long enough to stall start-up.
  for (int attempt = 0; attempt < 5; ++attempt) {
    auto text = Load(file);
    if (!text) return true;
    auto range = text->FindSection(section);
    if (!range) return true;
    text->lines.erase(text->lines.begin() + static_cast<std::ptrdiff_t>(range->first - 1),
                      text->lines.begin() + static_cast<std::ptrdiff_t>(range->second));
    try {
      Save(file, *text);
      return true;
    } catch (const SettingsWriteError&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  return true;
}

}  // namespace toviwall
