#include "platform/lxde/PcmanfmWallpaper.h"

#include <stdexcept>

#include "platform/WallpaperPath.h"
#include "platform/local/RunTool.h"

namespace toviwall::platform {
namespace {

std::string Value(const KeyFile& file, const std::string& section, const std::string& key) {
  auto s = file.find(section);
  if (s == file.end()) return {};
  auto k = s->second.find(key);
  return k == s->second.end() ? std::string() : k->second;
}

}  // namespace

std::string PcmanfmModeFor(const std::string& file, WallpaperStyle style) {
  if (file.empty()) return "color";
  switch (style) {
    case WallpaperStyle::Tiled: return "tile";
    case WallpaperStyle::Stretched: return "stretch";
    case WallpaperStyle::Spanned: return "screen";  // pcmanfm: across all monitors
    case WallpaperStyle::Centred: break;
  }
  return "center";
}

PcmanfmWallpaper::PcmanfmWallpaper(PcmanfmKind kind, std::string display)
    : display_(std::move(display)), desktop_(FindPcmanfmDesktop(kind, display_)) {}

void PcmanfmWallpaper::WriteValues(const std::string& file, WallpaperStyle style) {
  // Without its desktop running the command would start a program of its own.
  desktop_ = FindPcmanfmDesktop(desktop_.kind, display_);
  if (!desktop_.pid)
    throw std::runtime_error("Cannot set the wallpaper: " + desktop_.program +
                             " does not draw the desktop (start it with \"" + desktop_.program + " --desktop\")");
  const bool qt = desktop_.kind == PcmanfmKind::Qt;
  const std::string shown = Value(ReadKeyFile(desktop_.configFile), desktop_.section, qt ? "Wallpaper" : "wallpaper");
  // pcmanfm-qt acts only on a changed file name; an unchanged one gets the second spelling.
  std::string handed = qt ? SpellingForReload(file.empty() ? FoldSpelling(shown) : file, shown) : file;
  std::vector<std::string> args;
  if (!handed.empty()) args.push_back("--set-wallpaper=" + handed);
  args.push_back("--wallpaper-mode=" + PcmanfmModeFor(file, style));
  ToolResult r = RunTool(desktop_.program, args);
  if (!r.ok) throw std::runtime_error("Cannot set the " + desktop_.program + " wallpaper: " + TrimLine(r.err));
}

std::optional<std::string> PcmanfmWallpaper::ReadWallpaper() {
  const KeyFile file = ReadKeyFile(desktop_.configFile);
  if (!file.count(desktop_.section)) return std::nullopt;
  if (desktop_.kind == PcmanfmKind::Qt) return FoldSpelling(Value(file, desktop_.section, "Wallpaper"));
  if (Value(file, desktop_.section, "wallpaper_mode") == "color") return std::string();
  return Value(file, desktop_.section, "wallpaper");
}

}  // namespace toviwall::platform
