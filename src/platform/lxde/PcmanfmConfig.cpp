#include "platform/lxde/PcmanfmConfig.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "base/AtomicFile.h"
#include "base/SettingsPaths.h"
#include "platform/x11/X11DesktopInfo.h"

namespace toviwall::platform {
namespace {

std::string ConfigHome() { return ProcessEnvironment::UserFolders().configHome; }

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

// GLib's escapes and Qt's quotes and \xHHHH (a character); KConfig's \xHH is a
// byte and GVariant text has escapes of its own, so kde/ and gnome/ keep theirs.
std::string UnescapeKeyFileValue(const std::string& raw) {
  std::string v = raw;
  bool quoted = v.size() >= 2 && v.front() == '"' && v.back() == '"';
  if (quoted) v = v.substr(1, v.size() - 2);
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\' || i + 1 >= v.size()) {
      out += v[i];
      continue;
    }
    char e = v[++i];
    switch (e) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'x': {
        unsigned cp = 0;
        std::size_t n = 0;
        while (n < 4 && i + 1 < v.size() && Hex(v[i + 1]) >= 0) cp = cp * 16 + static_cast<unsigned>(Hex(v[++i])), ++n;
        AppendUtf8(out, cp);
        break;
      }
      default: out += e;
    }
  }
  return out;
}

std::string ProfileFromArguments(const std::vector<std::string>& args) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--profile=", 0) == 0) return a.substr(10);
    if ((a == "--profile" || a == "-p") && i + 1 < args.size()) return args[i + 1];
    if (a.rfind("-p", 0) == 0 && a.size() > 2 && a[2] != '-') return a.substr(2);
  }
  return "default";
}

PcmanfmDesktop FindPcmanfmDesktop(PcmanfmKind kind, const std::string& display) {
  PcmanfmDesktop desktop;
  desktop.kind = kind;
  desktop.program = kind == PcmanfmKind::Qt ? "pcmanfm-qt" : "pcmanfm";
  std::string profile = "default";
  if (auto owner = FindDesktopWindow(display)) {
    std::string name = owner->instance;
    for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == desktop.program) {
      desktop.pid = owner->pid ? owner->pid : -1;
      profile = ProfileFromArguments(ProcessArguments(owner->pid));
    }
  }
  desktop.profile = profile;
  if (kind == PcmanfmKind::Qt) {
    desktop.configFile = ConfigHome() + "/pcmanfm-qt/" + profile + "/settings.conf";
    desktop.section = "Desktop";
  } else {
    desktop.configFile = ConfigHome() + "/pcmanfm/" + profile + "/desktop-items-0.conf";
    desktop.section = "*";
  }
  return desktop;
}

KeyFile ReadKeyFile(const std::string& path) { return toviwall::ReadKeyFile(path, UnescapeKeyFileValue); }

void WriteKeyFileValues(const std::string& path, const std::string& section, const KeyFileValues& values) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  KeyFileValues missing = values;
  std::string current;
  std::size_t sectionEnd = std::string::npos;
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    kept.push_back(line);
    if (!line.empty() && line.front() == '[' && line.back() == ']') {
      current = line.substr(1, line.size() - 2);
      if (current == section) sectionEnd = kept.size();
      continue;
    }
    if (current != section) continue;
    sectionEnd = kept.size();
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    while (!key.empty() && key.back() == ' ') key.pop_back();
    auto it = missing.find(key);
    if (it == missing.end()) continue;
    if (it->second) {
      kept.back() = it->first + "=" + *it->second;
    } else {
      kept.pop_back();
      --sectionEnd;
    }
    missing.erase(it);
  }
  std::vector<std::string> added;
  for (const auto& [key, value] : missing)
    if (value) added.push_back(key + "=" + *value);
  if (sectionEnd == std::string::npos) {
    if (!added.empty()) kept.push_back("[" + section + "]");
    kept.insert(kept.end(), added.begin(), added.end());
  } else {
    kept.insert(kept.begin() + static_cast<long>(sectionEnd), added.begin(), added.end());
  }
  std::string text;
  for (const std::string& line : kept) text += line + "\n";
  AtomicFileWriter writer(path);
  writer.Write(text);
  writer.Commit();
}

std::string GKeyFileString(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    switch (text[i]) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case ' ': out += i == 0 ? "\\s" : " "; break;
      default: out += text[i];
    }
  }
  return out;
}

std::optional<std::uint32_t> ColourValueFromHex(const std::string& text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  std::uint32_t rgb = 0;
  for (std::size_t i = 1; i < 7; ++i) {
    if (Hex(text[i]) < 0) return std::nullopt;
    rgb = rgb * 16 + static_cast<std::uint32_t>(Hex(text[i]));
  }
  return (rgb >> 16 & 0xff) | (rgb & 0xff00) | (rgb & 0xff) << 16;
}

std::string HexFromColourValue(std::uint32_t value) {
  static const char* digits = "0123456789abcdef";
  const std::uint32_t rgb = (value & 0xff) << 16 | (value & 0xff00) | (value >> 16 & 0xff);
  std::string out = "#";
  for (int shift = 20; shift >= 0; shift -= 4) out += digits[rgb >> shift & 15];
  return out;
}

}  // namespace toviwall::platform
