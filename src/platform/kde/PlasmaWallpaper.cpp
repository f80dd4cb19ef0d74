#include "platform/kde/PlasmaWallpaper.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <vector>
#include <stdexcept>

#include "platform/WallpaperPath.h"
#include "platform/gnome/GSettingsWallpaper.h"

namespace toviwall::platform {
namespace {

// A JavaScript string literal.
std::string JsString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      static const char* hex = "0123456789abcdef";
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// KConfig's escapes in values: \s \t \n \r \\ and \xHH.
std::string KConfigValue(const std::string& raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\' || i + 1 >= raw.size()) {
      out += raw[i];
      continue;
    }
    char e = raw[++i];
    switch (e) {
      case 's': out += ' '; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 'x':
        if (i + 2 < raw.size() && std::isxdigit(static_cast<unsigned char>(raw[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
          out += static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
          i += 2;
        }
        break;
      default: out += e;
    }
  }
  return out;
}

std::string ShownImage() {
  std::ifstream in(PlasmaAppletsrcPath());
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return PlasmaWallpaperFromAppletsrc(text, true).value_or("");
}

}  // namespace

int PlasmaFillModeFor(WallpaperStyle style) {
  switch (style) {
    case WallpaperStyle::Tiled: return 3;
    case WallpaperStyle::Stretched: return 0;
    case WallpaperStyle::Spanned: break;  // Plasma has no such placement and is never asked for it
    case WallpaperStyle::Centred: break;
  }
  return 6;
}

std::string PlasmaWallpaperScript(const std::string& file, WallpaperStyle style) {
  std::ostringstream js;
  js << "var all = desktops();\n"
        "for (var i = 0; i < all.length; ++i) {\n"
        "  var d = all[i];\n";
  if (file.empty()) {
    js << "  d.wallpaperPlugin = \"org.kde.color\";\n";
  } else {
    js << "  d.wallpaperPlugin = \"org.kde.image\";\n"
          "  d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
          "  d.writeConfig(\"Image\", " << JsString(FileUriFor(file)) << ");\n"
          "  d.writeConfig(\"FillMode\", " << PlasmaFillModeFor(style) << ");\n";
  }
  js << "  d.reloadConfig();\n"
        "}\n";
  return js.str();
}

std::string PlasmaAppletsrcPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string dir = xdg && *xdg ? xdg : std::string(home ? home : "") + "/.config";
  return dir + "/plasma-org.kde.plasma.desktop-appletsrc";
}

std::optional<std::string> PlasmaWallpaperFromAppletsrc(const std::string& text, bool asHanded) {
  // Groups as "[Containments][7]" and "[Containments][7][Wallpaper][org.kde.image][General]".
  std::map<std::string, std::map<std::string, std::string>> groups;
  std::vector<std::string> order;
  std::istringstream in(text);
  std::string line, group;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      group = line;
      if (!groups.count(group)) order.push_back(group);
      groups[group];
      continue;
    }
    const std::size_t eq = line.find('=');
    if (group.empty() || eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    if (const std::size_t bracket = key.find('['); bracket != std::string::npos) continue;  // localised keys
    groups[group][key] = KConfigValue(line.substr(eq + 1));
  }
  // Desktop containments are those with a wallpaper plugin; the first screen's first.
  std::optional<std::string> chosen;
  bool chosenOnFirstScreen = false;
  for (const std::string& g : order) {
    if (g.rfind("[Containments][", 0) != 0 || std::count(g.begin(), g.end(), '[') != 2) continue;
    const auto& keys = groups[g];
    auto plugin = keys.find("wallpaperplugin");
    if (plugin == keys.end()) continue;
    std::string shown;
    if (plugin->second == "org.kde.image") {
      auto general = groups.find(g + "[Wallpaper][org.kde.image][General]");
      if (general == groups.end() || !general->second.count("Image")) continue;
      shown = PathFromUri(general->second.at("Image"));
      if (!asHanded) shown = FoldSpelling(shown);
    }
    auto screen = keys.find("lastScreen");
    const bool first = screen != keys.end() && screen->second == "0";
    if (!chosen || (first && !chosenOnFirstScreen)) {
      chosen = shown;
      chosenOnFirstScreen = first;
    }
  }
  return chosen;
}

void PlasmaWallpaper::WriteValues(const std::string& file, WallpaperStyle style) {
  // Plasma keeps an image it has loaded while its address stays the same.
  const std::string handed = SpellingForReload(file, ShownImage());
  QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.PlasmaShell"),
                                                     QStringLiteral("/PlasmaShell"),
                                                     QStringLiteral("org.kde.PlasmaShell"),
                                                     QStringLiteral("evaluateScript"));
  call << QString::fromStdString(PlasmaWallpaperScript(handed, style));
  QDBusMessage reply = bus_.Call(call);
  if (reply.type() == QDBusMessage::ErrorMessage)
    throw std::runtime_error("Cannot set the Plasma wallpaper: " + DBusErrorText(reply));
}

std::optional<std::string> PlasmaWallpaper::ReadWallpaper() {
  std::ifstream in(PlasmaAppletsrcPath());
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return PlasmaWallpaperFromAppletsrc(text);
}

}  // namespace toviwall::platform
