// The XFCE backends against xfdesktop and xfconfd on a private X server and
// session bus: every filling style on the screen and in xfconf, None, the
// watchdog's read-back, the choice of backend, hiding the icons.
#include <gtest/gtest.h>

#include "DesktopPeers.h"
#include "platform/DesktopWallpaperChoice.h"
#include "platform/WallpaperPath.h"
#include "platform/xfce/XfceDesktopIcons.h"
#include "platform/xfce/XfconfWallpaper.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

using namespace test;
using platform::WallpaperStyle;

class XfceDesktopTest : public ::testing::Test {
 protected:
  // One xfdesktop for the suite: it takes seconds to start.
  static void SetUpTestSuite() {
    peer = new DesktopPeer;
    peer->Start({"xfdesktop", "--disable-wm-check"});
    // Its window shows once a backdrop has loaded (Debian's default picture
    // comes with a package it only recommends); it listens after a while.
    const std::string start = peer->Picture("start.bmp", kCool);
    const std::string folder = "/backdrop/screen0/monitorscreen/workspace0";
    int tries = 0;
    ready = WaitFor(
        [&] {
          // It notices changes only: the style goes back and forth.
          peer->Tool({"xfconf-query", "-c", "xfce4-desktop", "-p", folder + "/last-image", "-n", "-t", "string", "-s", start});
          peer->Tool({"xfconf-query", "-c", "xfce4-desktop", "-p", folder + "/image-style", "-n", "-t", "int", "-s",
                      ++tries % 2 ? "1" : "3"});
          return peer->WaitForDesktopWindow("xfdesktop", 1000);
        },
        60000, 0);
  }
  void SetUp() override { ASSERT_TRUE(ready) << "xfdesktop did not start:\n" << ReadFile(peer->S().Root() / "xfdesktop.log"); }
  static void TearDownTestSuite() {
    delete peer;
    peer = nullptr;
  }
  std::string Query(const std::string& property) {
    RunResult r = peer->Tool({"xfconf-query", "-c", "xfce4-desktop", "-p", property});
    return TrimLine(r.out);
  }
  static std::string TrimLine(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
  }
  static inline DesktopPeer* peer = nullptr;
  static inline bool ready = false;
  const std::string folder = "/backdrop/screen0/monitorscreen/workspace0";
};

TEST_F(XfceDesktopTest, EveryStyleShowsAndNoneLeavesTheColour) {
  platform::XfconfWallpaper desktop(peer->S().Display());
  const std::string file = peer->Picture("shown.bmp", kWarm);
  const std::pair<WallpaperStyle, const char*> styles[] = {
      {WallpaperStyle::Centred, "1"}, {WallpaperStyle::Tiled, "2"}, {WallpaperStyle::Stretched, "3"},
      {WallpaperStyle::Spanned, "6"}};
  for (auto [style, number] : styles) {
    SetDesktopWallpaper(desktop, file, style);
    EXPECT_TRUE(peer->WaitForPixels(ProbesFor(style, kWarm))) << number;
    peer->Screenshot(std::string("xfce-style") + number);
    EXPECT_EQ(Query(folder + "/image-style"), number);
    EXPECT_EQ(platform::FoldSpelling(Query(folder + "/last-image")), file);
    EXPECT_EQ(desktop.ReadWallpaper(), file);
  }
  // A new picture in the same file, as the output wallpaper file gets.
  peer->Picture("shown.bmp", kCool);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
  EXPECT_TRUE(peer->WaitForPixels(ProbesFor(WallpaperStyle::Stretched, kCool)));
  EXPECT_EQ(desktop.ReadWallpaper(), file);

  ClearWallpaper(desktop);
  EXPECT_TRUE(ShowsNoPicture(*peer, kCool));
  EXPECT_EQ(Query(folder + "/image-style"), "0");
  EXPECT_EQ(desktop.ReadWallpaper(), "");
}

TEST_F(XfceDesktopTest, WatchdogSeesXfconfQueryAndTheSessionChoosesXfce) {
  platform::XfconfWallpaper desktop(peer->S().Display());
  const std::string file = peer->Picture("watched.bmp", kWarm);
  const std::string output = OutputWallpaperFileName(peer->S().DefaultSettingsFile());
  platform::FixedScreen screen(kDesktopWidth, kDesktopHeight);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  EXPECT_FALSE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));
  peer->MustTool({"xfconf-query", "-c", "xfce4-desktop", "-p", folder + "/last-image", "-s", "/usr/share/other.png"});
  EXPECT_EQ(desktop.ReadWallpaper(), "/usr/share/other.png");
  EXPECT_TRUE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));

  peer->env.Set("XDG_CURRENT_DESKTOP", "XFCE");
  EXPECT_TRUE(dynamic_cast<platform::XfconfWallpaper*>(platform::CreateDesktopWallpaper("").get()));
  EXPECT_TRUE(dynamic_cast<platform::XfceDesktopIcons*>(platform::CreateDesktopIcons("").get()));
  // A window manager's session: the desktop window's owner decides.
  peer->env.Set("XDG_CURRENT_DESKTOP", "");
  EXPECT_TRUE(dynamic_cast<platform::XfconfWallpaper*>(platform::CreateDesktopWallpaper("").get()));
}

TEST_F(XfceDesktopTest, HidingTheIconsKeepsTheStyleFoundForShowing) {
  platform::XfceDesktopIcons icons;
  EXPECT_EQ(icons.TextColor(), platform::kWhiteColour);
  peer->MustTool({"xfconf-query", "-c", "xfce4-desktop", "-p", "/desktop-icons/style", "-n", "-t", "int", "-s", "1"});
  icons.SetHidden(true);
  EXPECT_EQ(Query("/desktop-icons/style"), "0");
  icons.SetHidden(true);
  platform::XfceDesktopIcons later;  // a later run shows them again
  later.SetHidden(false);
  EXPECT_EQ(Query("/desktop-icons/style"), "1");
  later.SetHidden(false);
  EXPECT_EQ(Query("/desktop-icons/style"), "1");
  // Icons the user turned off in xfdesktop's own settings stay off.
  peer->MustTool({"xfconf-query", "-c", "xfce4-desktop", "-p", "/desktop-icons/style", "-s", "0"});
  later.SetHidden(false);
  EXPECT_EQ(Query("/desktop-icons/style"), "0");
}

}  // namespace
}  // namespace toviwall
