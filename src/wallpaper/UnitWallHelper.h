#pragma once
// Handing a finished BMP file to the desktop and reading back what it shows.
#include <memory>
#include <string>

#include "platform/DesktopWallpaper.h"
#include "platform/Screen.h"
#include "wallpaper/FillingType.h"

namespace toviwall {

inline constexpr const char* kOutputWallpaperName = "Tovi Wallpaper.bmp";

// The settings file's folder (with its trailing "/") followed by "Tovi Wallpaper.bmp".
std::string OutputWallpaperFileName(const std::string& settingsFile);
// The output file the desktop can be handed: OutputWallpaperFileName, unless the
// desktop cannot take that name (a folder whose name is not valid UTF-8); then
// "Tovi Wallpaper.bmp" in `otherFolder` when it can take that one.
std::string OutputWallpaperFileFor(const std::string& settingsFile, const std::string& otherFolder,
                                   const platform::DesktopWallpaper& desktop);

// The five values in their order: the file, "TileWallpaper", "WallpaperStyle"
// and the two origins.
void WriteDesktopWallpaperValues(platform::DesktopWallpaper& desktop, const std::string& file, WallpaperStyle style);
// The values, then the desktop's reload, which announces the change. `picture`,
// the file's pixels when they are at hand, goes to a desktop that paints from
// them for this reload (the others read the file). A file whose name the
// desktop cannot take is refused (std::runtime_error) before anything is written:
// the desktop would show another file.
void SetDesktopWallpaper(platform::DesktopWallpaper& desktop, const std::string& file, WallpaperStyle style,
                         std::shared_ptr<const Bitmap24> picture = nullptr);
// The "None" button: no file, stretched.
void ClearWallpaper(platform::DesktopWallpaper& desktop);


// True when the desktop does not show the file that applying `imageFile` under
// `fillingType` on `screen` would hand to it (with a composed desktop: the
// output file). The comparison ignores letter case, as the desktop's own did.
bool WallpaperDiffers(platform::DesktopWallpaper& desktop, const std::string& imageFile, const std::string& outputFile,
                      FillingType fillingType, platform::Screen& screen,
                      MonitorMode monitors = MonitorMode::OnePicture);

}  // namespace toviwall
