#pragma once
// The "Display Mode" menu as plain data: the table of the display's modes by
// mode number, the tree built from it (resolution, then colour depth, then
// refresh rate) and the marks on the items of the mode on screen.
#include <string>
#include <vector>

#include "base/DisplayMode.h"

namespace toviwall {

// Mode number n at position n.
using ModeTable = std::vector<DisplayModeRecord>;

// The modes the menu offers: at least 640 x 480 and more than 7 bits per pixel.
bool ModeUsable(const DisplayModeRecord& mode);

// The table of the system's modes (in its order): a usable mode keeps its number,
// any other leaves an empty record; the table ends with the last usable mode.
ModeTable EnumerateModes(const std::vector<DisplayModeRecord>& systemModes);

std::string ResolutionCaption(int width, int height);  // "1024 * 768"
std::string DepthCaption(int bitsPerPixel);            // "24 bits"
std::string RefreshCaption(int hertz);                 // "60 Hz"

// An item of the tree. Leaves carry their mode number as tag, submenus -1.
struct ModeItem {
  std::string caption;
  int tag = -1;
  bool marked = false;  // the check mark and the default mark go together
  std::vector<ModeItem> children;
};

// The tree of the table's usable modes in table order. With refresh rates the
// leaves are the rate items under each depth, otherwise the depth items. A mode
// whose leaf exists already is a duplicate: the first mode number keeps it.
std::vector<ModeItem> BuildDisplayModeTree(const ModeTable& table, bool withRefreshRates);

// Clears every mark, then marks the items of the mode on screen from the top down
// as far as they match. Answers the tag of the deepest marked item below the
// first level (the current mode's number for a leaf), or -1 when none is marked.
int MarkCurrentMode(std::vector<ModeItem>& tree, const DisplayModeRecord& current);

}  // namespace toviwall
