// The "Display Mode" tree: which modes enter it, in what order, under which
// captions, and which items mark the mode on screen.
#include <gtest/gtest.h>

#include "system/DisplayModeTree.h"

namespace toviwall {
namespace {

DisplayModeRecord Mode(int w, int h, int bits, int hz, std::uint64_t id = 1) { return {w, h, bits, hz, id}; }

// The tree as one line per item, indented by level, with tag and mark.
std::string Dump(const std::vector<ModeItem>& items, int level = 0) {
  std::string out;
  for (const ModeItem& item : items) {
    out += std::string(2 * level, ' ') + item.caption + " [" + std::to_string(item.tag) + "]" +
           (item.marked ? " #" : "") + "\n";
    out += Dump(item.children, level + 1);
  }
  return out;
}

TEST(DisplayModeTree, UsableModesInFirstEnumeratedOrderWithDuplicatesKeepingTheFirstNumber) {
  const ModeTable table = EnumerateModes({
      Mode(800, 600, 24, 75),   // 0
      Mode(640, 400, 24, 70),   // 1: too low
      Mode(640, 480, 8, 60),    // 2: 8 bits are enough
      Mode(800, 600, 24, 60),   // 3
      Mode(1024, 768, 4, 60),   // 4: too few colours
      Mode(800, 600, 24, 60),   // 5: the same as 3
      Mode(800, 600, 16, 60),   // 6
      Mode(320, 200, 24, 70),   // 7: the last, and not usable
  });
  ASSERT_EQ(table.size(), 7u) << "the table ends with its last usable mode";
  EXPECT_TRUE(table[1].Empty());
  EXPECT_EQ(Dump(BuildDisplayModeTree(table, true)),
            "800 * 600 [-1]\n"
            "  24 bits [-1]\n"
            "    75 Hz [0]\n"
            "    60 Hz [3]\n"
            "  16 bits [-1]\n"
            "    60 Hz [6]\n"
            "640 * 480 [-1]\n"
            "  8 bits [-1]\n"
            "    60 Hz [2]\n");
  // Without refresh rates the depths are the leaves.
  EXPECT_EQ(Dump(BuildDisplayModeTree(table, false)),
            "800 * 600 [-1]\n"
            "  24 bits [0]\n"
            "  16 bits [6]\n"
            "640 * 480 [-1]\n"
            "  8 bits [2]\n");
  EXPECT_TRUE(EnumerateModes({Mode(640, 400, 24, 70)}).empty());
}

TEST(DisplayModeTree, MarksTheCurrentModeAsFarAsItMatches) {
  std::vector<ModeItem> tree =
      BuildDisplayModeTree(EnumerateModes({Mode(800, 600, 24, 75), Mode(800, 600, 24, 60), Mode(1024, 768, 24, 60)}),
                           true);
  EXPECT_EQ(MarkCurrentMode(tree, Mode(800, 600, 24, 60)), 1);
  EXPECT_EQ(Dump(tree),
            "800 * 600 [-1] #\n  24 bits [-1] #\n    75 Hz [0]\n    60 Hz [1] #\n"
            "1024 * 768 [-1]\n  24 bits [-1]\n    60 Hz [2]\n");
  // A rate the tree lacks: resolution and depth marked, no leaf; the old marks go.
  EXPECT_EQ(MarkCurrentMode(tree, Mode(1024, 768, 24, 85)), -1);
  EXPECT_EQ(Dump(tree),
            "800 * 600 [-1]\n  24 bits [-1]\n    75 Hz [0]\n    60 Hz [1]\n"
            "1024 * 768 [-1] #\n  24 bits [-1] #\n    60 Hz [2]\n");
  EXPECT_EQ(MarkCurrentMode(tree, Mode(1280, 1024, 24, 60)), -1);
  EXPECT_EQ(Dump(tree).find('#'), std::string::npos);
}

TEST(DisplayModeTree, RefreshRatesRoundAsDisplayToolsShowThem) {
  EXPECT_EQ(RefreshRateHz(65000000, 1344, 806, false, false), 60);   // 60.00
  EXPECT_EQ(RefreshRateHz(25175000, 800, 525, false, false), 60);    // 59.94
  EXPECT_EQ(RefreshRateHz(49500000, 1056, 625, false, false), 75);   // 75.00
  EXPECT_EQ(RefreshRateHz(57284000, 1152, 667, false, false), 75);   // 74.55
  EXPECT_EQ(RefreshRateHz(74250000, 2200, 1125, false, true), 60);   // 1080i: 60 fields
  EXPECT_EQ(RefreshRateHz(25175000, 800, 262, true, false), 60);     // double-scanned
  EXPECT_EQ(RefreshRateHz(29495000, 1000, 1000, false, false), 30);  // 29.495 prints 29.50
  EXPECT_EQ(RefreshRateHz(1000, 0, 0, false, false), 0);
}

}  // namespace
}  // namespace toviwall
