#include "startup/AutoStart.h"

#include <string_view>

#include "base/SettingsPaths.h"
#include "base/Utf8.h"

namespace toviwall {
namespace {

// The escapes of a desktop entry's string values.
std::string EscapeValue(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case ' ': out += i == 0 ? "\\s" : " "; break;  // a leading blank would be cut
      default: out += c;
    }
  }
  return out;
}

std::string QuoteArgument(std::string_view arg) {
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  return out + "\"";
}

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// True for a line of the [Desktop Entry] group that switches the entry off.
bool SwitchesOff(std::string_view line) {
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  const std::string_view key = Trim(line.substr(0, eq));
  const std::string_view value = Trim(line.substr(eq + 1));
  if (key == "Hidden") return value == "true" || value == "1";
  if (key == "X-GNOME-Autostart-enabled") return value == "false" || value == "0";
  return false;
}

// Calls `visit` with each line (without its line break) and whether it lies in
// the [Desktop Entry] group; `visit` answers whether to go on.
template <class Visit>
void ForEachLine(std::string_view text, Visit visit) {
  bool inEntry = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    const std::string_view trimmed = Trim(line);
    if (!trimmed.empty() && trimmed.front() == '[') inEntry = trimmed == "[Desktop Entry]";
    if (!visit(text.substr(pos, next - pos), line, inEntry && !trimmed.empty() && trimmed.front() != '#')) return;
    pos = next;
  }
}

}  // namespace

bool ProfileInUse(const std::vector<std::string>& args, bool settingsFileExists) {
  if (!settingsFileExists) return false;
  for (const std::string& arg : args)
    if (!IsSwitchArgument(arg)) return true;
  return false;
}

AutoRunEntry AutoRunEntryFor(const std::string& title, const std::string& programFile,
                             const std::string& settingsFile, bool profileInUse) {
  if (!profileInUse) return {title, {programFile}};
  std::string profile = ExtractFileName(settingsFile);
  profile.resize(profile.size() > 4 ? profile.size() - 4 : 0);
  return {title + " " + profile, {programFile, settingsFile}};
}

std::string PathNoEntryCanHold(const AutoRunEntry& entry) {
  for (const std::string& path : entry.command)
    if (!IsValidUtf8(path)) return path;
  return {};  // the name is part of the settings file's path
}

std::string DesktopEntryExec(const std::vector<std::string>& command) {
  std::vector<std::string> argv;
  if (!command.empty() && command.front().find('%') != std::string::npos)
    argv = {"sh", "-c", "exec \"$0\" \"$@\""};
  argv.insert(argv.end(), command.begin(), command.end());
  std::string line;
  for (const std::string& arg : argv) {
    if (!line.empty()) line += ' ';
    line += QuoteArgument(arg);
  }
  return EscapeValue(line);
}

std::string DesktopEntryText(const AutoRunEntry& entry, const std::string& comment, const std::string& icon) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" + EscapeValue(entry.name) + "\n"
         "Comment=" + EscapeValue(comment) + "\n"
         "Exec=" + DesktopEntryExec(entry.command) + "\n"
         "Icon=" + EscapeValue(icon) + "\n"
         "Terminal=false\n";
}

bool DesktopEntryEnabled(const std::string& text) {
  bool enabled = true;
  ForEachLine(text, [&](std::string_view, std::string_view line, bool entryKey) {
    if (entryKey && SwitchesOff(line)) enabled = false;
    return enabled;
  });
  return enabled;
}

std::string EnableDesktopEntry(const std::string& text) {
  std::string out;
  ForEachLine(text, [&](std::string_view whole, std::string_view line, bool entryKey) {
    if (!(entryKey && SwitchesOff(line))) out += whole;
    return true;
  });
  return out;
}

}  // namespace toviwall
