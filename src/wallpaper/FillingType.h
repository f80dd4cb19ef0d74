#pragma once
// The filling types of the "Filling" box, as the settings file stores them, and
// the desktop wallpaper style each one hands over; the monitor modes.
#include "base/SettingsKeys.h"
#include "platform/DesktopWallpaper.h"

namespace toviwall {

using platform::WallpaperStyle;

// The numbers are what "Type" holds in the settings file and the box's index.
// Zoom fills the screen with the aspect ratio kept, cutting what overflows;
// FitBlurred fits the picture as Resize to Fit does and fills the rest of the
// screen with a blurred, zoomed copy of it.
enum class FillingType { Center = 0, Tile = 1, Stretch = 2, ResizeToFit = 3, ShrinkToFit = 4, Zoom = 5, FitBlurred = 6 };
// The types the box offers, and so the values "Type" is read as.
inline constexpr int kFillingTypeCount = 7;
static_assert(keys::Type.max == kFillingTypeCount - 1 && keys::Monitors.max == 2);

// The fitting types hand over a picture already fitted to the screen, centred.
constexpr WallpaperStyle StyleFor(FillingType type) {
  switch (type) {
    case FillingType::Center:
    case FillingType::ResizeToFit:
    case FillingType::ShrinkToFit:
    case FillingType::Zoom:
    case FillingType::FitBlurred: return WallpaperStyle::Centred;
    case FillingType::Tile: return WallpaperStyle::Tiled;
    case FillingType::Stretch: return WallpaperStyle::Stretched;
  }
  return WallpaperStyle::Stretched;
}

// A value outside the box (a hand-edited or damaged file) reads as "Stretch", the default.
constexpr FillingType FillingTypeFromStored(int value) {
  return value >= 0 && value < kFillingTypeCount ? static_cast<FillingType>(value) : FillingType::Stretch;
}

constexpr int StoredValue(FillingType type) { return static_cast<int>(type); }

// The English name, as --status and the help give it.
constexpr const char* FillingTypeName(FillingType type) {
  switch (type) {
    case FillingType::Center: return "Center";
    case FillingType::Tile: return "Tile";
    case FillingType::Stretch: return "Stretch";
    case FillingType::ResizeToFit: return "Resize to Fit";
    case FillingType::ShrinkToFit: return "Shrink to Fit";
    case FillingType::Zoom: return "Zoom";
    case FillingType::FitBlurred: return "Fit with blurred background";
  }
  return "Stretch";
}

// "Monitors": one picture for the desktop as the desktop places it, a picture
// of its own on each monitor, or one picture across all of them. The last two
// compose one picture of the whole desktop's size.
enum class MonitorMode { OnePicture = 0, EachMonitor = 1, Span = 2 };

// Anything but 1 and 2 is the one picture (also a missing key).
constexpr MonitorMode MonitorModeFromStored(int value) {
  return value == 1 ? MonitorMode::EachMonitor : value == 2 ? MonitorMode::Span : MonitorMode::OnePicture;
}

}  // namespace toviwall
