#include <gtest/gtest.h>

#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

TEST(OutputWallpaperFileName, SitsBesideTheSettingsFile) {
  EXPECT_EQ(OutputWallpaperFileName("/home/ann/.config/Tovi Solution/Tovi WallChanger/toviwall.ini"),
            "/home/ann/.config/Tovi Solution/Tovi WallChanger/Tovi Wallpaper.bmp");
  EXPECT_EQ(OutputWallpaperFileName("/profiles.d/work.ini"), "/profiles.d/Tovi Wallpaper.bmp");
}

TEST(ActiveDesktopWarning, NamesTheProgramTwiceOnThreeLines) {
  EXPECT_EQ(ActiveDesktopWarningText(),
            "Tovi WallChanger detects that Active Desktop is active.\n\nSome features of Tovi WallChanger may not "
            "function properly\nwith this setting is active.");
}

}  // namespace
}  // namespace toviwall
