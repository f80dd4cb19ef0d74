#include "platform/xfce/XfconfWallpaper.h"

#include <QVariant>

#include <algorithm>
#include <stdexcept>

#include "platform/WallpaperPath.h"
#include "platform/x11/X11DesktopInfo.h"

namespace toviwall::platform {
namespace {

constexpr const char* kScreenFolder = "/backdrop/screen0/";

}  // namespace

int XfceImageStyleFor(const std::string& file, WallpaperStyle style) {
  if (file.empty()) return 0;
  switch (style) {
    case WallpaperStyle::Tiled: return 2;
    case WallpaperStyle::Stretched: return 3;
    case WallpaperStyle::Spanned: return 6;  // "spanning screens"
    case WallpaperStyle::Centred: break;
  }
  return 1;
}

std::vector<std::string> XfceBackdropFolders(const std::vector<std::string>& keys) {
  std::vector<std::string> folders;
  for (const std::string& key : keys) {
    if (key.rfind(std::string(kScreenFolder) + "monitor", 0) != 0) continue;
    const std::size_t ws = key.find("/workspace");
    if (ws == std::string::npos) continue;
    const std::size_t end = key.find('/', ws + 1);
    if (end == std::string::npos) continue;
    std::string folder = key.substr(0, end);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  return folders;
}

void XfconfWallpaper::WriteValues(const std::string& file, WallpaperStyle style) {
  const auto values = desktop_.GetAll("/backdrop");
  std::vector<std::string> keys;
  if (values)
    for (const auto& [key, value] : *values) keys.push_back(key);
  // The folders xfdesktop made already, and those of every monitor and
  // workspace now, which it makes only when the user opens its settings.
  std::vector<std::string> folders = XfceBackdropFolders(keys);
  std::vector<std::string> monitors = MonitorNames(display_);
  if (monitors.empty() && folders.empty()) monitors.push_back("0");
  const int workspaces = WorkspaceCount(display_);
  for (const std::string& monitor : monitors)
    for (int n = 0; n < workspaces; ++n) {
      std::string folder = std::string(kScreenFolder) + "monitor" + monitor + "/workspace" + std::to_string(n);
      if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }

  const int imageStyle = XfceImageStyleFor(file, style);
  for (const std::string& folder : folders) {
    if (!file.empty()) {
      std::string shown;
      if (values && values->count(folder + "/last-image")) shown = values->at(folder + "/last-image");
      desktop_.Set(folder + "/last-image", QString::fromStdString(SpellingForReload(file, shown)));
    }
    desktop_.Set(folder + "/image-style", imageStyle);
  }
  written_ = file;
}

std::optional<std::string> XfconfWallpaper::ReadWallpaper() {
  const auto values = desktop_.GetAll("/backdrop");
  if (!values) return std::nullopt;
  std::vector<std::string> keys;
  for (const auto& [key, value] : *values) keys.push_back(key);
  std::optional<std::string> first;
  for (const std::string& folder : XfceBackdropFolders(keys)) {
    const auto image = values->find(folder + "/last-image");
    const auto style = values->find(folder + "/image-style");
    if (image == values->end() && style == values->end()) continue;
    std::string shown = style != values->end() && style->second == "0" ? std::string()
                        : image != values->end()                          ? FoldSpelling(image->second)
                                                                          : std::string();
    if (shown != written_) return shown;
    if (!first) first = shown;
  }
  return first;
}

}  // namespace toviwall::platform
