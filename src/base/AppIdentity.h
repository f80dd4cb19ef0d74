#pragma once
// The program's fixed names: title, single-instance name and the messages it answers.
#include <string>

namespace toviwall {

inline constexpr const char* kTitle = "Tovi WallChanger";
inline constexpr const char* kCompany = "Tovi Solution";
inline constexpr const char* kProductRegistryKey = "Software\\Tovi Solution\\Tovi WallChanger";
// As the installed desktop entry says it; the start-up entry says the same.
inline constexpr const char* kDescription = "Changes the desktop wallpaper from a list of images";
inline constexpr const char* kIconName = "toviwall";

// The title with every blank replaced by "_".
inline std::string MutexNameFor(std::string title) {
  for (char& c : title)
    if (c == ' ') c = '_';
  return title;
}

inline std::string MutexName() { return MutexNameFor(kTitle); }
inline std::string ShowMessageName() { return "ToviMsg" + MutexName(); }
inline constexpr const char* kRefreshDesktopMessage = "RefreshDesktop";

}  // namespace toviwall
