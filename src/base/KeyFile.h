#pragma once
// Key files as the desktops keep their settings (GLib's and Qt's, KConfig's):
// "[group]" lines, then "key=value" lines; '#' and ';' begin comments, blanks
// around a key and before its value do not count, and localised keys
// ("Name[de]") are left out. Each format escapes its values its own way, so
// the reader is handed the unescaping: GLib's and Qt's \xHHHH is a character,
// KConfig's \xHH a byte, and GVariant text (gsettings) is no key file at all.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace toviwall {

// Group by name ("Containments][7" for KConfig's "[Containments][7]"), then key.
struct KeyFile : std::map<std::string, std::map<std::string, std::string>> {
  std::vector<std::string> order;  // the groups as the file has them
};

using Unescape = std::function<std::string(const std::string& raw)>;
KeyFile ParseKeyFile(std::string_view text, const Unescape& unescape);
// An unreadable or missing file reads as an empty one.
KeyFile ReadKeyFile(const std::string& path, const Unescape& unescape);

}  // namespace toviwall
