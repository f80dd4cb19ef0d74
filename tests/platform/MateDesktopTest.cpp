// The MATE backends against caja drawing the desktop, with MATE's schemas and
// dconf on a private X server and session bus: every filling style on the
// screen and in org.mate.background, a new picture in the same file, None, the
// watchdog's read-back, the choice of backend, a name that is not UTF-8,
// hiding the icons.
#include <gtest/gtest.h>

#include "DesktopPeers.h"
#include "platform/DesktopWallpaperChoice.h"
#include "platform/gnome/GSettingsDesktopIcons.h"
#include "platform/mate/MateBackgroundWallpaper.h"
#include "wallpaper/Composition.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

using namespace test;
using platform::WallpaperStyle;

class MateDesktopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    peer = new DesktopPeer;
    peer->Start({"caja", "--no-default-window", "--force-desktop"});
    ready = peer->WaitForDesktopWindow("desktop_window");
  }
  static void TearDownTestSuite() {
    delete peer;
    peer = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(ready) << ReadFile(peer->S().Root() / "caja.log"); }
  static std::string Get(const std::string& key) {
    std::string out = peer->MustTool({"gsettings", "get", "org.mate.background", key}).out;
    return out.substr(0, out.find('\n'));
  }

  static inline DesktopPeer* peer = nullptr;
  static inline bool ready = false;
};

TEST_F(MateDesktopTest, EveryStyleShowsAndNoneLeavesTheColours) {
  platform::MateBackgroundWallpaper desktop;
  const std::string file = peer->Picture("shown.bmp", kWarm);
  const std::pair<WallpaperStyle, const char*> styles[] = {{WallpaperStyle::Centred, "'centered'"},
                                                           {WallpaperStyle::Tiled, "'wallpaper'"},
                                                           {WallpaperStyle::Stretched, "'stretched'"},
                                                           {WallpaperStyle::Spanned, "'spanned'"}};
  for (auto [style, options] : styles) {
    SetDesktopWallpaper(desktop, file, style);
    EXPECT_TRUE(peer->WaitForPixels(ProbesFor(style, kWarm))) << options;
    EXPECT_EQ(Get("picture-options"), options);
    EXPECT_EQ(desktop.ReadWallpaper(), file);
  }
  peer->Picture("shown.bmp", kCool);  // a new picture in the same file and style
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
  EXPECT_TRUE(peer->WaitForPixels(ProbesFor(WallpaperStyle::Stretched, kCool)));
  EXPECT_EQ(desktop.ReadWallpaper(), file);

  ClearWallpaper(desktop);
  EXPECT_TRUE(ShowsNoPicture(*peer, kCool));
  EXPECT_EQ(Get("picture-filename"), "''");
  EXPECT_EQ(desktop.ReadWallpaper(), "");
}

TEST_F(MateDesktopTest, WatchdogSeesGSettingsAndTheSessionChoosesMate) {
  platform::MateBackgroundWallpaper desktop;
  const std::string file = peer->Picture("watched.bmp", kWarm), other = peer->Picture("other.bmp", kCool);
  const std::string output = OutputWallpaperFileName(peer->S().DefaultSettingsFile());
  platform::FixedScreen screen(kDesktopWidth, kDesktopHeight);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  EXPECT_FALSE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));
  peer->MustTool({"gsettings", "set", "org.mate.background", "picture-filename", other});
  EXPECT_EQ(desktop.ReadWallpaper(), other);
  EXPECT_TRUE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));

  peer->env.Set("XDG_CURRENT_DESKTOP", "MATE");
  EXPECT_TRUE(dynamic_cast<platform::MateBackgroundWallpaper*>(platform::CreateDesktopWallpaper("").get()));
  EXPECT_TRUE(dynamic_cast<platform::GSettingsDesktopIcons*>(platform::CreateDesktopIcons("").get()));
  peer->env.Unset("XDG_CURRENT_DESKTOP");
  EXPECT_TRUE(dynamic_cast<platform::MateBackgroundWallpaper*>(platform::CreateDesktopWallpaper("").get()));
}

TEST_F(MateDesktopTest, APictureWhoseNameIsNotUtf8IsShownAsACopyAndNeverHandedOverChanged) {
  platform::MateBackgroundWallpaper desktop;
  const std::string shown = peer->Picture("plain.bmp", kWarm);
  SetDesktopWallpaper(desktop, shown, WallpaperStyle::Centred);
  const std::string latin1 = peer->Picture("caf\xE9.bmp", kCool);
  // gsettings would store U+FFFD in its place: another file, reported as set.
  EXPECT_THROW(SetDesktopWallpaper(desktop, latin1, WallpaperStyle::Centred), std::runtime_error);
  EXPECT_EQ(desktop.ReadWallpaper(), shown);

  // Applied as an entry, it reaches the desktop as the output file.
  platform::FixedScreen screen(kDesktopWidth, kDesktopHeight);
  const std::string output = peer->S().Root() / "Tovi Wallpaper.bmp";
  ApplyWallpaper(WallpaperContext{
      .imageFile = latin1,
      .fillingType = FillingType::Center,
      .outputFile = output,
      .screen = screen,
      .desktop = &desktop,
  });
  EXPECT_EQ(desktop.ReadWallpaper(), output);
  EXPECT_TRUE(peer->WaitForPixels(ProbesFor(WallpaperStyle::Centred, kCool)));
  EXPECT_FALSE(WallpaperDiffers(desktop, latin1, output, FillingType::Center, screen));
}

// Caja ends with its desktop when nothing else is open; showing starts it again.
TEST_F(MateDesktopTest, HidingTheIconsEndsCajasDesktopAndShowingBringsItBack) {
  platform::GSettingsDesktopIcons icons(platform::kCajaIcons, peer->S().Display());
  EXPECT_EQ(icons.TextColor(), platform::kWhiteColour);
  icons.SetHidden(true);
  EXPECT_EQ(Get("show-desktop-icons"), "false");
  EXPECT_TRUE(peer->WaitForDesktopWindow(""));
  icons.SetHidden(false);
  EXPECT_EQ(Get("show-desktop-icons"), "true");
  EXPECT_TRUE(peer->WaitForDesktopWindow("desktop_window"));
}

}  // namespace
}  // namespace toviwall
