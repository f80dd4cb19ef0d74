// The LXQt backends against "pcmanfm-qt --desktop" (profile lxqt, as LXQt's
// session starts it) on a private X server and session bus: every filling
// style on the screen, a new picture in the same file, None, the watchdog's
// read-back, the choice of backend, hidden icons and caption colours.
#include <gtest/gtest.h>

#include <filesystem>

#include "DesktopPeers.h"
#include "platform/DesktopWallpaperChoice.h"
#include "platform/lxde/PcmanfmDesktopIcons.h"
#include "platform/lxde/PcmanfmWallpaper.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

using namespace test;
using platform::PcmanfmKind;
using platform::WallpaperStyle;

class LxqtDesktopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    peer = new DesktopPeer;
    config = peer->S().ConfigHome() + "/pcmanfm-qt/lxqt/settings.conf";
    std::filesystem::create_directories(std::filesystem::path(config).parent_path());
    // pcmanfm-qt 1.2 applies a --wallpaper-mode only when it differs from the
    // mode its settings had at its start; "zoom" is one we never hand it.
    WriteFile(config, "[Desktop]\nWallpaperMode=zoom\nBgColor=#203040\nFgColor=#ffffff\nShadowColor=#000000\n"
                      "HideItems=false\n");
    peer->Start({"pcmanfm-qt", "--desktop", "--profile=lxqt"});
    ready = peer->WaitForDesktopWindow("pcmanfm-qt");
  }
  static void TearDownTestSuite() {
    delete peer;
    peer = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(ready) << ReadFile(peer->S().Root() / "pcmanfm-qt.log"); }
  static std::string Key(const std::string& key) { return platform::ReadKeyFile(config)["Desktop"][key]; }

  static inline DesktopPeer* peer = nullptr;
  static inline bool ready = false;
  static inline std::string config;
};

TEST_F(LxqtDesktopTest, EveryStyleShowsAndNoneLeavesTheColour) {
  platform::PcmanfmWallpaper desktop(PcmanfmKind::Qt, peer->S().Display());
  const std::string file = peer->Picture("shown.bmp", kWarm);
  for (WallpaperStyle style : {WallpaperStyle::Centred, WallpaperStyle::Tiled, WallpaperStyle::Stretched}) {
    SetDesktopWallpaper(desktop, file, style);
    EXPECT_TRUE(peer->WaitForPixels(ProbesFor(style, kWarm))) << static_cast<int>(style);
    EXPECT_TRUE(WaitFor([&] { return desktop.ReadWallpaper() == file; }));
  }
  peer->Picture("shown.bmp", kCool);  // a new picture in the same file and style
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
  EXPECT_TRUE(peer->WaitForPixels(ProbesFor(WallpaperStyle::Stretched, kCool)));
  EXPECT_EQ(desktop.ReadWallpaper(), file);

  ClearWallpaper(desktop);
  EXPECT_TRUE(peer->WaitForPixels({{320, 240, 0x203040}, {600, 440, 0x203040}}));
}

TEST_F(LxqtDesktopTest, WatchdogSeesPcmanfmQtsOwnCommandAndTheSessionChoosesLxqt) {
  platform::PcmanfmWallpaper desktop(PcmanfmKind::Qt, peer->S().Display());
  const std::string file = peer->Picture("watched.bmp", kWarm), other = peer->Picture("other.bmp", kCool);
  const std::string output = OutputWallpaperFileName(peer->S().DefaultSettingsFile());
  platform::FixedScreen screen(kDesktopWidth, kDesktopHeight);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  EXPECT_TRUE(WaitFor([&] { return !WallpaperDiffers(desktop, file, output, FillingType::Center, screen); }));
  peer->MustTool({"pcmanfm-qt", "--set-wallpaper", other});
  EXPECT_TRUE(WaitFor([&] { return desktop.ReadWallpaper() == other; }));
  EXPECT_TRUE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));

  peer->env.Set("XDG_CURRENT_DESKTOP", "LXQt");
  EXPECT_TRUE(dynamic_cast<platform::PcmanfmWallpaper*>(platform::CreateDesktopWallpaper("").get()));
  EXPECT_TRUE(dynamic_cast<platform::PcmanfmDesktopIcons*>(platform::CreateDesktopIcons("").get()));
  peer->env.Unset("XDG_CURRENT_DESKTOP");
  EXPECT_TRUE(dynamic_cast<platform::PcmanfmWallpaper*>(platform::CreateDesktopWallpaper("").get()));
}

TEST_F(LxqtDesktopTest, IconsHideAndComeBackAndCaptionsTakeTheColour) {
  platform::PcmanfmDesktopIcons icons(PcmanfmKind::Qt, peer->S().Display());
  icons.SetHidden(true);
  EXPECT_TRUE(peer->WaitForDesktopWindow("pcmanfm-qt")) << "the desktop runs again";
  EXPECT_EQ(Key("HideItems"), "true");
  icons.SetHidden(false);
  EXPECT_TRUE(peer->WaitForDesktopWindow("pcmanfm-qt"));
  EXPECT_EQ(Key("HideItems"), "false");
  icons.ApplyTextColor(0x00FFFF, true);  // yellow
  EXPECT_EQ(Key("FgColor"), "#ffff00");
  EXPECT_EQ(Key("ShadowColor"), "#000000");
  EXPECT_TRUE(peer->WaitForDesktopWindow("pcmanfm-qt"));
  EXPECT_EQ(icons.TextColor(), 0x00FFFFu);
}

}  // namespace
}  // namespace toviwall
