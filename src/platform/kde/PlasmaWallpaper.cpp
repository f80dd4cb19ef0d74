#include "platform/kde/PlasmaWallpaper.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <vector>
#include <stdexcept>
#include <thread>

#include "base/KeyFile.h"
#include "base/SettingsPaths.h"
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

// KConfig's escapes in values: \s \t \n \r \\ and \xHH, a byte (GLib's and Qt's
// \xHHHH is a character: lxde/ unescapes its own).
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

// Plasma's words without the script backtrace it adds ("Error: ... at line 1\n\nBacktrace: ...").
std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string AppletsrcText() {
  std::ifstream in(PlasmaAppletsrcPath());
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool IsCount(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// The first screen's desktop (the first desktop when none has a screen yet):
// its plugin, a newline, its image plugin's Image. Nothing while Plasma has no
// desktop. desktopForScreen() is not used: it makes a desktop when there is none.
constexpr const char* kReadScript =
    "var all = desktops(), d = all[0];\n"
    "for (var i = 0; i < all.length; ++i)\n"
    "  if (all[i].screen == 0) { d = all[i]; break; }\n"
    "if (d) {\n"
    "  d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
    "  print(d.wallpaperPlugin + \"\\n\" + d.readConfig(\"Image\"));\n"
    "}\n";

// Plasma has no desktop during its first second or so (three on a first start).
constexpr auto kStartingWait = std::chrono::seconds(10);
constexpr auto kStartingRetry = std::chrono::milliseconds(100);

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
  js << "var all = desktops();\n";
  if (!file.empty())
    js << "var image = " << JsString(FileUriFor(file)) << ";\n"
       << "var again = " << JsString(FileUriFor(SpellingForReload(file, file))) << ";\n";
  js << "for (var i = 0; i < all.length; ++i) {\n"
        "  var d = all[i];\n";
  if (file.empty()) {
    js << "  d.wallpaperPlugin = \"org.kde.color\";\n";
  } else {
    // Plasma keeps the picture it has while Image and FillMode stay the same.
    js << "  d.wallpaperPlugin = \"org.kde.image\";\n"
          "  d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
          "  d.writeConfig(\"Image\", d.readConfig(\"Image\") == image ? again : image);\n"
          "  d.writeConfig(\"FillMode\", " << PlasmaFillModeFor(style) << ");\n";
  }
  js << "  d.reloadConfig();\n"
        "}\n"
        "print(all.length);\n";
  return js.str();
}

std::string PlasmaAppletsrcPath() {
  return ProcessEnvironment::UserFolders().configHome + "/plasma-org.kde.plasma.desktop-appletsrc";
}

std::optional<std::string> PlasmaWallpaperFromAppletsrc(const std::string& text) {
  // Groups as "Containments][7" and "Containments][7][Wallpaper][org.kde.image][General".
  KeyFile groups = ParseKeyFile(text, KConfigValue);
  // Desktop containments are those with a wallpaper plugin; the first screen's first.
  std::optional<std::string> chosen;
  bool chosenOnFirstScreen = false;
  for (const std::string& g : groups.order) {
    if (g.rfind("Containments][", 0) != 0 || std::count(g.begin(), g.end(), '[') != 1) continue;
    const auto& keys = groups[g];
    auto plugin = keys.find("wallpaperplugin");
    if (plugin == keys.end()) continue;
    std::string shown;
    if (plugin->second == "org.kde.image") {
      auto general = groups.find(g + "][Wallpaper][org.kde.image][General");
      if (general == groups.end() || !general->second.count("Image")) continue;
      shown = FoldSpelling(PathFromUri(general->second.at("Image")));
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

std::string RunPlasmaScript(SessionBus& bus, const std::string& script) {
  QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.plasmashell"),
                                                     QStringLiteral("/PlasmaShell"),
                                                     QStringLiteral("org.kde.PlasmaShell"),
                                                     QStringLiteral("evaluateScript"));
  call.setAutoStartService(false);  // never start a shell of our own
  call << QString::fromStdString(script);
  const QDBusMessage reply = bus.Call(call);
  if (reply.type() == QDBusMessage::ErrorMessage) throw std::runtime_error(FirstLine(DBusErrorText(reply)));
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
    throw std::runtime_error("plasmashell gave no answer");
  return reply.arguments().front().toString().toStdString();
}

void PlasmaWallpaper::WriteValues(const std::string& file, WallpaperStyle style) {
  const std::string script = PlasmaWallpaperScript(file, style);
  const auto deadline = std::chrono::steady_clock::now() + kStartingWait;
  const std::string failed = "Cannot set the Plasma wallpaper: ";
  for (;;) {
    std::string changed;
    try {
      changed = RunPlasmaScript(bus_, script);
    } catch (const std::exception& e) {
      throw std::runtime_error(failed + e.what());
    }
    if (changed != "0") {
      if (IsCount(changed)) return;
      throw std::runtime_error(failed + "plasmashell answered \"" + changed + "\"");
    }
    if (std::chrono::steady_clock::now() >= deadline)
      throw std::runtime_error(failed + "Plasma shows no desktop yet, nothing was changed");
    std::this_thread::sleep_for(kStartingRetry);
  }
}

std::optional<std::string> PlasmaWallpaper::ReadWallpaper() {
  std::string answer;
  try {
    answer = RunPlasmaScript(bus_, kReadScript);
  } catch (const std::exception&) {
  }
  // No Plasma, or one still starting: what it keeps in its file.
  if (answer.empty()) return PlasmaWallpaperFromAppletsrc(AppletsrcText());
  const std::size_t newline = answer.find('\n');
  if (answer.compare(0, newline, "org.kde.image") != 0) return std::string();
  const std::string image = newline == std::string::npos ? std::string() : answer.substr(newline + 1);
  if (image.empty()) return std::nullopt;  // Plasma's own default picture
  return FoldSpelling(PathFromUri(image));
}

}  // namespace toviwall::platform
