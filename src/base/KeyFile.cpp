#include "base/KeyFile.h"

#include "base/AtomicFile.h"

namespace toviwall {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

KeyFile ParseKeyFile(std::string_view text, const Unescape& unescape) {
  KeyFile file;
  std::string group;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      group = std::string(line.substr(1, line.size() - 2));
      if (file.emplace(group, std::map<std::string, std::string>{}).second) file.order.push_back(group);
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, eq));
    if (key.find('[') != std::string_view::npos) continue;
    std::string_view value = line.substr(eq + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (file.emplace(group, std::map<std::string, std::string>{}).second) file.order.push_back(group);
    file[group][std::string(key)] = unescape(std::string(value));
  }
  return file;
}

KeyFile ReadKeyFile(const std::string& path, const Unescape& unescape) {
  std::string text;
  if (!ReadWholeFile(path, text)) return {};
  return ParseKeyFile(text, unescape);
}

}  // namespace toviwall
