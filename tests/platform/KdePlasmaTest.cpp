// The KDE Plasma backend against a stand-in for plasmashell on a private
// session bus (Plasma itself is too large to install for the tests): its
// evaluateScript runs our script against a model of Plasma 5.27's scripting
// API with node and keeps the appletsrc file as Plasma does. Every style and
// None on every desktop containment, a new picture in the same file, the
// watchdog's read-back, the choice of backend, Plasma's error passed on.
#include <gtest/gtest.h>

#include "DesktopPeers.h"
#include "platform/DesktopWallpaperChoice.h"
#include "platform/WallpaperPath.h"
#include "platform/kde/PlasmaWallpaper.h"
#include "platform/lxde/PcmanfmConfig.h"
#include "platform/local/SessionBus.h"
#include "platform/null/NullPlatform.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

using namespace test;
using platform::WallpaperStyle;

constexpr const char* kAppletsrc =
    "[Containments][1]\nformfactor=2\nlastScreen=0\nlocation=4\nplugin=org.kde.panel\n\n"
    "[Containments][2]\nactivityId=5e1f\nformfactor=0\nlastScreen=0\nlocation=0\nplugin=org.kde.plasma.folder\n"
    "wallpaperplugin=org.kde.image\n\n"
    "[Containments][2][Wallpaper][org.kde.image][General]\nImage=file:///usr/share/wallpapers/Next/\n\n"
    "[Containments][7]\nactivityId=5e1f\nformfactor=0\nlastScreen=1\nlocation=0\nplugin=org.kde.plasma.folder\n"
    "wallpaperplugin=org.kde.color\n";

class KdePlasmaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("node");
    appletsrc = platform::PlasmaAppletsrcPath();
    ASSERT_EQ(appletsrc, peer.S().ConfigHome() + "/plasma-org.kde.plasma.desktop-appletsrc");
    WriteFile(appletsrc, kAppletsrc);
    plasma = &peer.Start({BinaryDir() + "/toviwall-plasma-double", appletsrc, record,
                SourceDir() + "/tests/programs/plasma-scripting-5.27.js"});
    platform::SessionBus bus;
    ASSERT_TRUE(WaitFor([&] { return bus.HasOwner("org.kde.PlasmaShell"); }))
        << ReadFile(peer.S().Root() / "toviwall-plasma-double.log");
  }
  std::string Group(int containment, const std::string& key) {
    return platform::ReadKeyFile(appletsrc)["Containments][" + std::to_string(containment) + "][Wallpaper][org.kde.image][General"][key];
  }
  std::string Plugin(int containment) {
    return platform::ReadKeyFile(appletsrc)["Containments][" + std::to_string(containment)]["wallpaperplugin"];
  }

  DesktopPeer peer;
  Process* plasma = nullptr;
  std::string appletsrc;
  std::string record = peer.S().Root() / "scripts.js";
};

TEST_F(KdePlasmaTest, EveryStyleAndNoneReachEveryDesktopContainment) {
  platform::PlasmaWallpaper desktop;
  const std::string file = peer.S().Root() / "My Pictures/sea & \"sky\".bmp";
  const std::string uri = "file://" + peer.S().Root().Path() + "/My%20Pictures/sea%20%26%20%22sky%22.bmp";
  const std::pair<WallpaperStyle, const char*> styles[] = {
      {WallpaperStyle::Centred, "6"}, {WallpaperStyle::Tiled, "3"}, {WallpaperStyle::Stretched, "0"}};
  for (auto [style, fillMode] : styles) {
    SetDesktopWallpaper(desktop, file, style);
    for (int containment : {2, 7}) {
      EXPECT_EQ(Plugin(containment), "org.kde.image");
      EXPECT_EQ(Group(containment, "FillMode"), fillMode);
      EXPECT_EQ(platform::FoldSpelling(Group(containment, "Image")), uri);
    }
    EXPECT_EQ(desktop.ReadWallpaper(), file);
  }
  // Plasma keeps an image while its address stays: the same file comes as a new address.
  const std::string before = Group(2, "Image");
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
  EXPECT_NE(Group(2, "Image"), before);
  EXPECT_EQ(desktop.ReadWallpaper(), file);
  EXPECT_EQ(platform::ReadKeyFile(appletsrc)["Containments][1"].count("wallpaperplugin"), 0u) << "the panel is no desktop";

  ClearWallpaper(desktop);
  EXPECT_EQ(Plugin(2), "org.kde.color");
  EXPECT_EQ(Plugin(7), "org.kde.color");
  EXPECT_EQ(desktop.ReadWallpaper(), "");
  EXPECT_NE(ReadFile(record).find("desktops()"), std::string::npos);
}

TEST_F(KdePlasmaTest, WatchdogSeesAnotherScriptAndPlasmasErrorsArePassedOn) {
  platform::PlasmaWallpaper desktop;
  const std::string file = peer.Picture("watched.bmp", kWarm);
  const std::string output = OutputWallpaperFileName(peer.S().DefaultSettingsFile());
  platform::FixedScreen screen(kDesktopWidth, kDesktopHeight);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  EXPECT_FALSE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));
  // What Plasma's own wallpaper tools send.
  peer.MustTool({"dbus-send", "--session", "--print-reply", "--dest=org.kde.PlasmaShell", "/PlasmaShell",
                 "org.kde.PlasmaShell.evaluateScript",
                 "string:var d = desktops()[0]; d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];"
                 " d.writeConfig('Image', 'file:///usr/share/wallpapers/Other.png');"});
  EXPECT_EQ(desktop.ReadWallpaper(), "/usr/share/wallpapers/Other.png");
  EXPECT_TRUE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));
  // The model refuses what Plasma 5.27 lacks.
  RunResult wrong = peer.Tool({"dbus-send", "--session", "--print-reply", "--dest=org.kde.PlasmaShell",
                               "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript",
                               "string:desktops()[0].setWallpaper('x');"});
  EXPECT_NE(wrong.exitCode, 0);
  EXPECT_NE(wrong.err.find("setWallpaper"), std::string::npos) << wrong.err;

  peer.env.Set("XDG_CURRENT_DESKTOP", "KDE");
  EXPECT_TRUE(dynamic_cast<platform::PlasmaWallpaper*>(platform::CreateDesktopWallpaper("").get()));
  EXPECT_TRUE(dynamic_cast<platform::NullDesktopIcons*>(platform::CreateDesktopIcons("").get()));

  // Without plasmashell: the bus's own words.
  plasma->Kill();
  try {
    desktop.WriteValues(file, WallpaperStyle::Tiled);
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("org.kde.PlasmaShell"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace toviwall
