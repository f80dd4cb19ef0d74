// The GNOME family's backend against the real gsettings command, its keyfile
// backend in a private home; and the choice of backend from the session.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/DesktopWallpaperChoice.h"
#include "platform/gnome/GSettingsWallpaper.h"
#include "platform/x11/X11RootWallpaper.h"
#include "support/TestSession.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

using namespace platform;
using test::TempDir;

TEST(FileUri, EscapesEverythingButPlainPathCharactersAndComesBack) {
  EXPECT_EQ(FileUriFor("/home/ann/My Pictures/Tovi Wallpaper.bmp"),
            "file:///home/ann/My%20Pictures/Tovi%20Wallpaper.bmp");
  EXPECT_EQ(FileUriFor("/a/50%'s #1?.bmp"), "file:///a/50%25%27s%20%231%3F.bmp");
  EXPECT_EQ(FileUriFor("/a/\xc3\xa9t\xc3\xa9.bmp"), "file:///a/%C3%A9t%C3%A9.bmp");
  for (std::string path : {"/x y/z.bmp", "/50%25/%zz/\\'\"", "/\xff\x01/~-_.bmp", "/"})
    EXPECT_EQ(PathFromUri(FileUriFor(path)), path);
  EXPECT_EQ(PathFromUri("file://localhost/srv/a%20b.bmp"), "/srv/a b.bmp");
  EXPECT_EQ(PathFromUri("FILE:///srv/a.bmp"), "/srv/a.bmp");
  EXPECT_EQ(PathFromUri("file:///bad%2"), "/bad%2");
  // Not a file on this machine: the URI stays as it is, so it names none of ours.
  EXPECT_EQ(PathFromUri("file://server/share/a.bmp"), "file://server/share/a.bmp");
  EXPECT_EQ(PathFromUri("resource:///org/gnome/a.png"), "resource:///org/gnome/a.png");
}

TEST(GVariantText, ReadsWhatGSettingsPrints) {
  EXPECT_EQ(ParseGVariantString("'file:///a%20b.bmp'\n"), "file:///a%20b.bmp");
  EXPECT_EQ(ParseGVariantString("''\n"), "");
  EXPECT_EQ(ParseGVariantString("\"it's \\\"q\\\" \\\\\"\n"), "it's \"q\" \\");
  EXPECT_EQ(ParseGVariantString("'tab\\tx \\u00e9 \\U0001F600'"), "tab\tx \xc3\xa9 \xf0\x9f\x98\x80");
  EXPECT_EQ(ParseGVariantString("@s 'x'"), "x");
  EXPECT_EQ(ParseGVariantString("nothing"), std::nullopt);
  EXPECT_EQ(ParseGVariantString("'open"), std::nullopt);
  EXPECT_EQ(ParseGVariantString("'\\u00'"), std::nullopt);
  for (std::string s : {"", "a'b", "back\\slash", "'", "\\'"}) EXPECT_EQ(ParseGVariantString(GVariantString(s)), s);
}

TEST(DesktopBackendChoice, FollowsTheSessionThenTheDesktopWindowAndTheOverride) {
  auto kind = [](const char* over, const char* xdg, const char* session, const char* owner = "") {
    return ChooseDesktopBackend(over, xdg, session, owner).kind;
  };
  using K = DesktopBackendKind;
  EXPECT_EQ(kind("", "GNOME", ""), K::Gnome);
  EXPECT_EQ(kind("", "ubuntu:GNOME", "ubuntu"), K::Gnome);
  EXPECT_EQ(kind("", "Unity", ""), K::Gnome);
  EXPECT_EQ(kind("", "Budgie:GNOME", ""), K::Gnome);
  EXPECT_EQ(kind("", "GNOME-Flashback:GNOME", ""), K::Gnome);
  EXPECT_EQ(kind("", "X-Cinnamon", "cinnamon"), K::Cinnamon);
  EXPECT_EQ(kind("", "", "gnome-xorg"), K::Gnome);
  EXPECT_EQ(kind("", "", "budgie-desktop"), K::Gnome);
  EXPECT_EQ(kind("", "", "cinnamon"), K::Cinnamon);
  EXPECT_EQ(kind("", "XFCE", "gnome"), K::Xfce);
  EXPECT_EQ(kind("", "MATE", ""), K::Mate);
  EXPECT_EQ(kind("", "LXDE", ""), K::Lxde);
  EXPECT_EQ(kind("", "LXQt", ""), K::Lxqt);
  EXPECT_EQ(kind("", "KDE", "plasma"), K::Kde);
  EXPECT_EQ(kind("", "", "plasmawayland"), K::Kde);
  EXPECT_EQ(kind("", "", "LXDE"), K::Lxde);
  // The session names nothing we know: whoever draws the desktop window, by WM_CLASS.
  EXPECT_EQ(kind("", "i3", "", "pcmanfm Pcmanfm"), K::Lxde);
  EXPECT_EQ(kind("", "", "openbox", "pcmanfm-qt pcmanfm-qt"), K::Lxqt);
  EXPECT_EQ(kind("", "", "", "xfdesktop Xfdesktop"), K::Xfce);
  EXPECT_EQ(kind("", "", "", "desktop_window Caja"), K::Mate);
  EXPECT_EQ(kind("", "", "", "plasmashell plasmashell"), K::Kde);
  EXPECT_EQ(kind("", "", "", "nemo-desktop Nemo-desktop"), K::Cinnamon);
  EXPECT_EQ(kind("", "XFCE", "", "pcmanfm Pcmanfm"), K::Xfce) << "the session comes first";
  // Nothing draws a desktop, or something we do not know: our own painter.
  EXPECT_EQ(kind("", "", ""), K::X11Painter);
  EXPECT_EQ(kind("", "", "openbox"), K::X11Painter);
  EXPECT_EQ(kind("", "Hyprland", "", "conky Conky"), K::X11Painter);
  // The override wins, whatever its letter case; an unknown one is ignored.
  EXPECT_EQ(kind("x11", "GNOME", "gnome"), K::X11Painter);
  EXPECT_EQ(kind("GNOME", "XFCE", ""), K::Gnome);
  EXPECT_EQ(kind("cinnamon", "", ""), K::Cinnamon);
  const std::pair<const char*, K> named[] = {{"xfce", K::Xfce}, {"MATE", K::Mate}, {"lxde", K::Lxde},
                                             {"lxqt", K::Lxqt}, {"kde", K::Kde}};
  for (auto [name, k] : named) EXPECT_EQ(kind(name, "GNOME", "", "xfdesktop"), k) << name;
  EXPECT_EQ(kind("windows", "GNOME", ""), K::Gnome);
  EXPECT_TRUE(ChooseDesktopBackend("gnome", "", "").forced);
  EXPECT_FALSE(ChooseDesktopBackend("", "GNOME", "").forced);
}

// A private home whose GNOME settings live in a key file.
class GSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RequireProgram("gsettings");
    Set("HOME", dir.Path());
    Set("XDG_CONFIG_HOME", dir / ".config");
    Set("GSETTINGS_BACKEND", "keyfile");
    keys = GSettingsWallpaper::Probe(kGnomeBackgroundSchema);
    ASSERT_TRUE(keys) << "the schema " << kGnomeBackgroundSchema << " is missing; run scripts/setup";
  }
  void TearDown() override {
    for (auto& [name, old] : saved) {
      if (old) setenv(name.c_str(), old->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }
  void Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    setenv(name.c_str(), value.c_str(), 1);
  }
  // The gsettings command in the same private home the backend uses.
  static test::Env GSettingsEnv() {
    test::Env env;
    for (const char* name : {"PATH", "HOME", "XDG_CONFIG_HOME", "GSETTINGS_BACKEND", "XDG_DATA_DIRS"})
      if (const char* v = std::getenv(name)) env[name] = v;
    return env;
  }
  std::string Get(const std::string& key) {
    test::RunResult r = test::Run({"gsettings", "get", kGnomeBackgroundSchema, key}, GSettingsEnv());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out.substr(0, r.out.find('\n'));
  }
  void Put(const std::string& key, const std::string& value) {
    test::RunResult r = test::Run({"gsettings", "set", kGnomeBackgroundSchema, key, value}, GSettingsEnv());
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }

  TempDir dir;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
  std::optional<GSettingsWallpaper::Keys> keys;
};

TEST_F(GSettingsTest, EachStyleSetsTheBackgroundKeysAndTheReloadAnnounces) {
  GSettingsWallpaper desktop(*keys);
  EXPECT_TRUE(keys->darkUri);
  int announced = 0;
  desktop.SetSettingsChangeListener([&] { ++announced; });
  const std::string file = dir / "My Pictures/sea & 'sky' 100%.bmp";

  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  const std::string uri = "'file://" + dir.Path() + "/My%20Pictures/sea%20%26%20%27sky%27%20100%25.bmp'";
  EXPECT_EQ(Get("picture-uri"), uri);
  EXPECT_EQ(Get("picture-uri-dark"), uri);
  EXPECT_EQ(Get("picture-options"), "'centered'");
  EXPECT_EQ(desktop.ReadWallpaper(), file);
  EXPECT_EQ(announced, 1);

  SetDesktopWallpaper(desktop, file, WallpaperStyle::Tiled);
  EXPECT_EQ(Get("picture-options"), "'wallpaper'");
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
  EXPECT_EQ(Get("picture-options"), "'stretched'");
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Spanned);
  EXPECT_EQ(Get("picture-options"), "'spanned'");
  EXPECT_EQ(announced, 4);

  ClearWallpaper(desktop);
  EXPECT_EQ(Get("picture-uri"), "''");
  EXPECT_EQ(Get("picture-uri-dark"), "''");
  EXPECT_EQ(Get("picture-options"), "'none'");
  EXPECT_EQ(desktop.ReadWallpaper(), "");
  EXPECT_EQ(announced, 5);
}

TEST_F(GSettingsTest, ReadBackFeedsWallpaperDiffers) {
  GSettingsWallpaper desktop(*keys);
  const std::string bmp = dir / "Photos/Beach.bmp", png = dir / "Photos/Sun.png";
  const std::string output = OutputWallpaperFileName(dir / "profile/toviwall.ini");
  std::filesystem::create_directories(dir / "Photos");
  test::WriteFile(bmp, "BM");
  test::WriteFile(png, "png");
  platform::FixedScreen screen(1280, 1024);

  SetDesktopWallpaper(desktop, bmp, WallpaperStyle::Centred);
  EXPECT_FALSE(WallpaperDiffers(desktop, bmp, output, FillingType::Center, screen));
  SetDesktopWallpaper(desktop, dir / "PHOTOS/beach.BMP", WallpaperStyle::Centred);
  EXPECT_FALSE(WallpaperDiffers(desktop, bmp, output, FillingType::Center, screen)) << "letter case is ignored";
  std::filesystem::rename(bmp, dir / "Photos/Beach2.bmp");
  EXPECT_TRUE(WallpaperDiffers(desktop, bmp, output, FillingType::Center, screen)) << "a deleted image differs";
  EXPECT_TRUE(WallpaperDiffers(desktop, png, output, FillingType::Center, screen));

  // A PNG is shown through the output file, whatever that file was made from.
  SetDesktopWallpaper(desktop, output, WallpaperStyle::Stretched);
  EXPECT_FALSE(WallpaperDiffers(desktop, png, output, FillingType::Stretch, screen));

  // The user picks another picture, or none, in the desktop's own settings.
  Put("picture-uri", "'file:///usr/share/backgrounds/other.png'");
  EXPECT_EQ(desktop.ReadWallpaper(), "/usr/share/backgrounds/other.png");
  EXPECT_TRUE(WallpaperDiffers(desktop, png, output, FillingType::Stretch, screen));
  SetDesktopWallpaper(desktop, output, WallpaperStyle::Stretched);
  Put("picture-options", "'none'");
  EXPECT_EQ(desktop.ReadWallpaper(), "");
  EXPECT_TRUE(WallpaperDiffers(desktop, png, output, FillingType::Stretch, screen));
}

TEST_F(GSettingsTest, SessionPicksTheBackendWhenItsSchemaIsInstalled) {
  Set("TOVIWALL_DESKTOP", "");
  Set("DESKTOP_SESSION", "");
  Set("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
  EXPECT_TRUE(dynamic_cast<GSettingsWallpaper*>(CreateDesktopWallpaper("").get()));
  Set("TOVIWALL_DESKTOP", "x11");
  EXPECT_TRUE(dynamic_cast<X11RootWallpaper*>(CreateDesktopWallpaper("").get()));

  // Cinnamon keeps its wallpaper in its own schema; without it, our painter.
  ASSERT_FALSE(GSettingsWallpaper::Probe(kCinnamonBackgroundSchema)) << "this machine has Cinnamon's schema";
  Set("TOVIWALL_DESKTOP", "");
  Set("XDG_CURRENT_DESKTOP", "X-Cinnamon");
  EXPECT_TRUE(dynamic_cast<X11RootWallpaper*>(CreateDesktopWallpaper("").get()));
  // Asked for by name, it is used anyway and says what is wrong.
  Set("TOVIWALL_DESKTOP", "cinnamon");
  auto forced = CreateDesktopWallpaper("");
  ASSERT_TRUE(dynamic_cast<GSettingsWallpaper*>(forced.get()));
  try {
    forced->WriteValues("/a.bmp", WallpaperStyle::Centred);
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find(kCinnamonBackgroundSchema), std::string::npos) << e.what();
  }
  EXPECT_EQ(forced->ReadWallpaper(), std::nullopt);
}

}  // namespace
}  // namespace toviwall
