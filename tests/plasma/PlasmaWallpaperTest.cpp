// The KDE Plasma backend against plasmashell itself: every style and None on
// the screen and in Plasma's file, a new picture in the same file, the
// read-back while Plasma's file lags behind, Plasma's own tool noticed, its
// errors passed on, the choice of backend, and a change asked for while
// Plasma is still starting.
#include <gtest/gtest.h>

#include <cstdio>

#include "PlasmaDesktop.h"
#include "platform/DesktopWallpaperChoice.h"
#include "platform/WallpaperPath.h"
#include "platform/kde/PlasmaWallpaper.h"
#include "platform/local/SessionBus.h"
#include "platform/null/NullPlatform.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

using namespace test;
using platform::WallpaperStyle;

class PlasmaWallpaperTest : public ::testing::Test {
 protected:
  void StartPlasma() {
    plasma.StartShell();
    ASSERT_TRUE(plasma.WaitForDesktop());
    std::printf("plasmashell: its name after %.2f s, a desktop after %.2f s\n", plasma.NameSeconds(),
                plasma.DesktopSeconds());
  }
  std::string Uri(const std::string& path) { return "file://" + path; }

  PlasmaDesktop plasma;
  DesktopPeer& peer = plasma.Peer();
};

TEST_F(PlasmaWallpaperTest, EveryStyleAndNoneShowAndTheReadBackFollowsPlasmaNotItsLateFile) {
  ASSERT_NO_FATAL_FAILURE(StartPlasma());
  platform::PlasmaWallpaper desktop;
  const std::string file = peer.Picture("shown.bmp", kWarm);
  const std::pair<WallpaperStyle, const char*> styles[] = {
      {WallpaperStyle::Centred, "6"}, {WallpaperStyle::Tiled, "3"}, {WallpaperStyle::Stretched, "0"}};
  for (auto [style, fillMode] : styles) {
    SetDesktopWallpaper(desktop, file, style);
    EXPECT_TRUE(peer.WaitForPixels(PlasmaProbesFor(style, kWarm))) << fillMode;
    peer.Screenshot(std::string("plasma-fillmode") + fillMode);
    EXPECT_EQ(plasma.Stored("FillMode"), fillMode);
    EXPECT_EQ(plasma.Stored("wallpaperplugin"), "org.kde.image");
    EXPECT_EQ(platform::FoldSpelling(plasma.Stored("Image")), Uri(file));
    EXPECT_EQ(desktop.ReadWallpaper(), file);
  }
  // New pictures in the same file, as the output wallpaper file gets them:
  // Plasma shows each, the read-back still names the file.
  for (const Quadrants& q : {kCool, kWarm, kCool}) {
    peer.Picture("shown.bmp", q);
    SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
    EXPECT_TRUE(peer.WaitForPixels(PlasmaProbesFor(WallpaperStyle::Stretched, q)));
    EXPECT_EQ(desktop.ReadWallpaper(), file);
  }

  // None: Plasma's own colour; its file follows some ten seconds later.
  ClearWallpaper(desktop);
  EXPECT_EQ(desktop.ReadWallpaper(), "");
  EXPECT_TRUE(peer.WaitForPixels({{320, 240, kPlasmaDefaultColour}, {100, 100, kPlasmaDefaultColour}}));
  // And back to a picture before the file has caught up.
  ASSERT_TRUE(WaitFor([&] { return plasma.Stored("wallpaperplugin") == "org.kde.color"; }, 30000, 100));
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  EXPECT_EQ(desktop.ReadWallpaper(), file);
  EXPECT_EQ(plasma.Stored("wallpaperplugin"), "org.kde.color");
  EXPECT_TRUE(peer.WaitForPixels(PlasmaProbesFor(WallpaperStyle::Centred, kCool)));
}

TEST_F(PlasmaWallpaperTest, PlasmasOwnToolIsNoticedErrorsArePassedOnAndTheSessionChoosesPlasma) {
  ASSERT_NO_FATAL_FAILURE(StartPlasma());
  platform::PlasmaWallpaper desktop;
  const std::string file = peer.Picture("watched.bmp", kWarm);
  const std::string output = OutputWallpaperFileName(peer.S().DefaultSettingsFile());
  platform::FixedScreen screen(kDesktopWidth, kDesktopHeight);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  EXPECT_FALSE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));
  const std::string other = peer.Picture("other.bmp", kCool);
  peer.MustTool({"plasma-apply-wallpaperimage", other});
  EXPECT_EQ(desktop.ReadWallpaper(), other);
  EXPECT_TRUE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));
  EXPECT_TRUE(peer.WaitForPixels(PlasmaProbesFor(WallpaperStyle::Centred, kCool)));

  // Plasma's message, without the script's backtrace.
  platform::SessionBus bus;
  try {
    platform::RunPlasmaScript(bus, "desktops()[0].setWallpaper('x');");
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    const std::string message = e.what();
    EXPECT_EQ(message.rfind("Error: TypeError: ", 0), 0u) << message;
    EXPECT_NE(message.find("setWallpaper"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }

  peer.env.Set("XDG_CURRENT_DESKTOP", "KDE");
  EXPECT_TRUE(dynamic_cast<platform::PlasmaWallpaper*>(platform::CreateDesktopWallpaper("").get()));
  EXPECT_TRUE(dynamic_cast<platform::NullDesktopIcons*>(platform::CreateDesktopIcons("").get()));
  // A session that names no desktop: plasmashell draws the desktop window.
  peer.env.Set("XDG_CURRENT_DESKTOP", "");
  EXPECT_TRUE(dynamic_cast<platform::PlasmaWallpaper*>(platform::CreateDesktopWallpaper("").get()));
}

// For a moment after its name appears Plasma has no desktop and a script
// changes nothing: the change waits for the desktop instead of passing as done.
TEST_F(PlasmaWallpaperTest, AChangeAskedForWhilePlasmaStartsShowsAndWithoutPlasmaTheFileIsRead) {
  platform::PlasmaWallpaper desktop;
  const std::string file = peer.Picture("early.bmp", kWarm);
  plasma.StartShell();
  const double asked = SteadySeconds();
  const std::string desktops = plasma.Script("print(desktops().length)");
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
  std::printf("a change asked for as plasmashell took its name (%s desktops then) took %.2f s\n", desktops.c_str(),
              SteadySeconds() - asked);
  EXPECT_TRUE(peer.WaitForPixels(PlasmaProbesFor(WallpaperStyle::Stretched, kWarm)));
  EXPECT_EQ(desktop.ReadWallpaper(), file);

  // Ended, Plasma leaves its file with the picture; a change says why it fails.
  plasma.StopShell();
  EXPECT_EQ(plasma.Stored("wallpaperplugin"), "org.kde.image");
  EXPECT_EQ(desktop.ReadWallpaper(), file);
  try {
    desktop.WriteValues(file, WallpaperStyle::Tiled);
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find(kPlasmaName), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace toviwall
