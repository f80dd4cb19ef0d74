#pragma once
// Each output's part of the wallpaper, composed at the output's size so that a
// compositor's background painter shows it pixel for pixel: what our
// root-window painter draws on that monitor's part of the root window. The
// pictures are PNG files in a folder of ours, named from a fixed alphabet:
// sway reads a background's path as a shell would.
#include <cstdint>
#include <string>
#include <vector>

#include "image/Bitmap.h"
#include "platform/DesktopWallpaper.h"
#include "platform/Screen.h"

namespace toviwall::platform {

// `output` is the output's place in the desktop (whose top-left corner is
// (0, 0)); `background` is 0xRRGGBB. Centred: the picture in the middle of
// the output, the colour around it. Tiled: repeated from the desktop's
// top-left corner on. Stretched: rescaled to the output (Lanczos3). Spanned:
// the picture is the whole desktop and the output gets its part. No picture:
// the colour alone.
Bitmap24 OutputPicture(const Bitmap24* picture, WallpaperStyle style, const MonitorRect& output,
                       std::uint32_t background);

// $XDG_RUNTIME_DIR/toviwall; empty without a runtime folder.
std::string OutputPictureFolder();

// Makes the folder when missing; throws with the reason when its path holds
// more than letters, digits and "/._-", or it is no folder of this user's.
void EnsurePictureFolder(const std::string& folder);

// Writes one PNG file per output into the folder (each composed on a thread of
// its own), named after this process and `serial` (a new one for each
// change); answers their paths, in the outputs' order. Throws ImageError or
// FileWriteError.
std::vector<std::string> WriteOutputPictures(const std::string& folder, unsigned long serial, const Bitmap24& picture,
                                             WallpaperStyle style, const std::vector<MonitorRect>& outputs,
                                             std::uint32_t background);

// Removes the folder's pictures other than `keep`.
void RemoveOldPictures(const std::string& folder, const std::vector<std::string>& keep);

// "#rrggbb".
std::string HexColour(std::uint32_t rgb);

}  // namespace toviwall::platform
