#pragma once
// One mode of the display, as the display-mode backends report it and the
// "Display Mode" menu offers it.
#include <cstdint>

namespace toviwall {

// An empty record (all zero) stands for a mode number whose mode did not
// enter the table.
struct DisplayModeRecord {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  int refreshHz = 0;
  std::uint64_t id = 0;  // the system's own name of the mode, handed back when switching
  bool Empty() const { return width == 0 && height == 0 && bitsPerPixel == 0 && refreshHz == 0 && id == 0; }
};

// The refresh rate in whole hertz of a mode's timings, as display tools show it:
// the dot clock over the pixels of a frame (twice the lines when double-scanned,
// half when interlaced), to the hundredth as xrandr prints it, then to the nearest
// whole number (59.95 and 60.00 are both 60). 0 when the timings are empty.
int RefreshRateHz(std::uint64_t dotClock, unsigned hTotal, unsigned vTotal, bool doubleScan, bool interlace);

}  // namespace toviwall
