#pragma once
// One output's part of the wallpaper, composed at the output's size, so that
// sway shows it pixel for pixel: what our root-window painter draws on that
// monitor's part of the root window.
#include <cstdint>

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

}  // namespace toviwall::platform
