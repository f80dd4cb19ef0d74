#pragma once
// One change as the program makes it with its own root-window painter: the
// picture composed, the output file written, the root pixmap painted and
// published (_XROOTPMAP_ID). For benchmarks that run it as a process of their own.
#include <string>

#include "platform/x11/X11RootWallpaper.h"
#include "wallpaper/Composition.h"

namespace toviwall::bench {

inline void ChangeOnRoot(const std::string& display, WallpaperContext c) {
  platform::X11RootWallpaper desktop(display);
  c.desktop = &desktop;
  ApplyWallpaper(c);
}

}  // namespace toviwall::bench
