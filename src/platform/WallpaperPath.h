#pragma once
// Some desktops reload their wallpaper only when the setting's text changes, so
// a new picture in the same file would not show. They get the same file under
// a second spelling (a "./" before its name) whenever the setting names it
// already; reading back folds the spelling away again.
#include <string>

namespace toviwall::platform {

// `file`, or its second spelling when the desktop holds `file` now (in either spelling).
inline std::string FoldSpelling(std::string path) {
  for (std::size_t at; (at = path.find("/./")) != std::string::npos;) path.erase(at, 2);
  return path;
}

inline std::string SpellingForReload(const std::string& file, const std::string& shownNow) {
  if (file.empty() || shownNow != file) return file;
  const std::size_t slash = file.rfind('/');
  if (slash == std::string::npos) return "./" + file;
  return file.substr(0, slash) + "/." + file.substr(slash);
}

}  // namespace toviwall::platform
