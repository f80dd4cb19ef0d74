// The LXDE backends against "pcmanfm --desktop" on a private X server, as
// LXDE's session starts it (profile LXDE) and as a window manager's session
// would: every filling style on the screen and in its settings, None, the
// watchdog's read-back, the choice of backend, every icon hidden (the user's
// files too) and shown again as found, and caption colours.
#include <gtest/gtest.h>

#include <filesystem>

#include "DesktopPeers.h"
#include "platform/DesktopWallpaperChoice.h"
#include "platform/local/FoundSettings.h"
#include "platform/lxde/PcmanfmDesktopIcons.h"
#include "platform/lxde/PcmanfmWallpaper.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

using namespace test;
using platform::PcmanfmKind;
using platform::WallpaperStyle;

class LxdeDesktopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    peer = new DesktopPeer;
    config = peer->S().ConfigHome() + "/pcmanfm/LXDE/desktop-items-0.conf";
    std::filesystem::create_directories(std::filesystem::path(config).parent_path());
    WriteFile(config, "[*]\nwallpaper_mode=color\ndesktop_bg=#203040\ndesktop_fg=#ffffff\ndesktop_shadow=#000000\n"
                      "show_documents=1\nshow_trash=1\nshow_mounts=0\n");
    peer->Start({"pcmanfm", "--desktop", "--profile", "LXDE"});
    ready = peer->WaitForDesktopWindow("pcmanfm");
  }
  static void TearDownTestSuite() {
    delete peer;
    peer = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(ready) << ReadFile(peer->S().Root() / "pcmanfm.log"); }
  static std::string Key(const std::string& key) {
    auto file = platform::ReadKeyFile(config);
    return file["*"][key];
  }

  static inline DesktopPeer* peer = nullptr;
  static inline bool ready = false;
  static inline std::string config;
};

TEST_F(LxdeDesktopTest, EveryStyleShowsAndNoneLeavesTheColour) {
  platform::PcmanfmWallpaper desktop(PcmanfmKind::Gtk, peer->S().Display());
  const std::string file = peer->Picture("shown.bmp", kWarm);
  const std::pair<WallpaperStyle, const char*> styles[] = {
      {WallpaperStyle::Centred, "center"}, {WallpaperStyle::Tiled, "tile"}, {WallpaperStyle::Stretched, "stretch"},
      {WallpaperStyle::Spanned, "screen"}};
  for (auto [style, mode] : styles) {
    SetDesktopWallpaper(desktop, file, style);
    EXPECT_TRUE(peer->WaitForPixels(ProbesFor(style, kWarm))) << mode;
    EXPECT_TRUE(WaitFor([&] { return Key("wallpaper_mode") == mode; })) << Key("wallpaper_mode");
    EXPECT_EQ(Key("wallpaper"), file);
    EXPECT_EQ(desktop.ReadWallpaper(), file);
  }
  peer->Picture("shown.bmp", kCool);  // a new picture in the same file
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
  EXPECT_TRUE(peer->WaitForPixels(ProbesFor(WallpaperStyle::Stretched, kCool)));

  ClearWallpaper(desktop);
  EXPECT_TRUE(peer->WaitForPixels({{320, 240, 0x203040}, {600, 440, 0x203040}}));
  EXPECT_TRUE(WaitFor([&] { return Key("wallpaper_mode") == "color"; }));
  EXPECT_EQ(desktop.ReadWallpaper(), "");
}

TEST_F(LxdeDesktopTest, WatchdogSeesPcmanfmsOwnCommandAndTheDesktopWindowChoosesLxde) {
  platform::PcmanfmWallpaper desktop(PcmanfmKind::Gtk, peer->S().Display());
  const std::string file = peer->Picture("watched.bmp", kWarm), other = peer->Picture("other.bmp", kCool);
  const std::string output = OutputWallpaperFileName(peer->S().DefaultSettingsFile());
  platform::FixedScreen screen(kDesktopWidth, kDesktopHeight);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  EXPECT_TRUE(WaitFor([&] { return !WallpaperDiffers(desktop, file, output, FillingType::Center, screen); }));
  peer->MustTool({"pcmanfm", "--set-wallpaper=" + other});
  EXPECT_TRUE(WaitFor([&] { return desktop.ReadWallpaper() == other; }));
  EXPECT_TRUE(WallpaperDiffers(desktop, file, output, FillingType::Center, screen));

  // A window manager alone (no desktop named): the desktop window's owner decides.
  EXPECT_TRUE(dynamic_cast<platform::PcmanfmWallpaper*>(platform::CreateDesktopWallpaper("").get()));
  EXPECT_TRUE(dynamic_cast<platform::PcmanfmDesktopIcons*>(platform::CreateDesktopIcons("").get()));
  peer->env.Set("XDG_CURRENT_DESKTOP", "LXDE");
  EXPECT_TRUE(dynamic_cast<platform::PcmanfmWallpaper*>(platform::CreateDesktopWallpaper("").get()));
  peer->env.Unset("XDG_CURRENT_DESKTOP");
}

TEST_F(LxdeDesktopTest, EveryIconHidesAndComesBackAsFoundAndCaptionsTakeTheColour) {
  platform::PcmanfmDesktopIcons icons(PcmanfmKind::Gtk, peer->S().Display());
  platform::PcmanfmWallpaper desktop(PcmanfmKind::Gtk, peer->S().Display());
  ClearWallpaper(desktop);  // the plain colour, so that any icon shows
  // The user's own files on the desktop, beside Trash.
  std::filesystem::create_directories(peer->S().Home() + "/Desktop");
  for (const char* name : {"notes.txt", "plan.txt", "list.txt"}) WriteFile(peer->S().Home() + "/Desktop/" + name, "x");
  auto iconPixels = [&] { return peer->PixelsUnlike(0, 0, 160, kDesktopHeight, 0x203040); };
  EXPECT_TRUE(WaitFor([&] { return iconPixels() > 2000; }, 15000, 200)) << "the files are not shown";
  EXPECT_EQ(icons.TextColor(), 0xFFFFFFu);

  icons.SetHidden(true);
  EXPECT_TRUE(peer->WaitForDesktopWindow("pcmanfm")) << "the desktop runs again";
  EXPECT_EQ(Key("show_documents") + Key("show_trash") + Key("show_mounts"), "000");
  EXPECT_EQ(Key("folder"), platform::StateFolder() + "/empty-desktop");
  EXPECT_TRUE(WaitFor([&] { return iconPixels() == 0; }, 15000, 200)) << iconPixels() << " pixels of icons left";
  peer->Screenshot("lxde-icons-hidden");

  icons.SetHidden(false);
  EXPECT_TRUE(peer->WaitForDesktopWindow("pcmanfm"));
  EXPECT_EQ(Key("show_documents") + Key("show_trash") + Key("show_mounts"), "110");
  EXPECT_EQ(platform::ReadKeyFile(config)["*"].count("folder"), 0u) << "the desktop folder is pcmanfm's own again";
  EXPECT_TRUE(WaitFor([&] { return iconPixels() > 2000; }, 15000, 200)) << "the files are not back";

  // With no desktop running only its file changes: a desktop folder of the
  // user's own (a leading blank, a backslash) comes back exactly as written.
  platform::PcmanfmDesktopIcons idle(PcmanfmKind::Gtk, ":2147");  // no X server there
  const std::string idleConfig = peer->S().ConfigHome() + "/pcmanfm/default/desktop-items-0.conf";
  const std::string own = "folder=\\sMy Desk\\\\top\n";
  std::filesystem::create_directories(std::filesystem::path(idleConfig).parent_path());
  WriteFile(idleConfig, "[*]\nshow_trash=1\n" + own);
  idle.SetHidden(true);
  EXPECT_EQ(platform::ReadKeyFile(idleConfig)["*"]["folder"], platform::StateFolder() + "/empty-desktop");
  idle.SetHidden(false);
  EXPECT_NE(ReadFile(idleConfig).find(own), std::string::npos) << ReadFile(idleConfig);

  // Red captions with a shadow that sets them off; the Trash icon's caption shows it.
  icons.ApplyTextColor(0x0000FF, true);
  EXPECT_EQ(Key("desktop_fg"), "#ff0000");
  EXPECT_EQ(Key("desktop_shadow"), "#ffffff");
  EXPECT_EQ(icons.TextColor(), 0x0000FFu);
  EXPECT_TRUE(peer->WaitForDesktopWindow("pcmanfm"));
  EXPECT_TRUE(WaitFor([&] {
    for (int y = 0; y < 200; y += 1)
      for (int x = 0; x < 120; x += 1)
        if (peer->Pixel(x, y) == 0xFF0000) return true;
    return false;
  }, 15000, 200)) << "no red caption pixel";
  peer->Screenshot("lxde-red-captions");
}

}  // namespace
}  // namespace toviwall
