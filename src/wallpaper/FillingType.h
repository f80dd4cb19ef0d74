#pragma once
// The filling types of the "Filling" box, as the settings file stores them, and
// the desktop wallpaper style each one hands over.
#include "platform/DesktopWallpaper.h"

namespace toviwall {

using platform::WallpaperStyle;

// The numbers are what "Type" holds in the settings file and the box's index.
enum class FillingType { Center = 0, Tile = 1, Stretch = 2, ResizeToFit = 3, ShrinkToFit = 4 };

// The fitting types hand over a picture already fitted to the screen, centred.
constexpr WallpaperStyle StyleFor(FillingType type) {
  switch (type) {
    case FillingType::Center:
    case FillingType::ResizeToFit:
    case FillingType::ShrinkToFit: return WallpaperStyle::Centred;
    case FillingType::Tile: return WallpaperStyle::Tiled;
    case FillingType::Stretch: return WallpaperStyle::Stretched;
  }
  return WallpaperStyle::Stretched;
}

// A value outside 0..4 (a hand-edited or damaged file) reads as "Stretch", the default.
constexpr FillingType FillingTypeFromStored(int value) {
  return value >= 0 && value <= 4 ? static_cast<FillingType>(value) : FillingType::Stretch;
}

constexpr int StoredValue(FillingType type) { return static_cast<int>(type); }

}  // namespace toviwall
