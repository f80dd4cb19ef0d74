// The "None" button of the real program clears the desktop's wallpaper, on our
// own root-window painter and on a GNOME desktop's settings; every filling type
// reaches the desktop pcmanfm draws under a plain window manager's session.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;

class DesktopWallpaperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    SessionOptions options;
    options.width = 800;
    options.height = 600;
    session = std::make_unique<Session>(options);
    session->WriteProfile();
  }

  std::unique_ptr<Process> StartShown() {
    auto p = session->StartReady();
    session->RunProgram();
    EXPECT_TRUE(WaitFor([&] { return session->WidgetRect("ButtonNone").has_value(); }));
    return p;
  }

  std::string RootString(Display* dpy, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(dpy, DefaultRootWindow(dpy), XInternAtom(dpy, name, False), 0, 4096, False, AnyPropertyType,
                       &type, &format, &n, &after, &data);
    std::string s = data && format == 8 ? std::string(reinterpret_cast<char*>(data), n) : "<missing>";
    if (data) XFree(data);
    return s;
  }

  std::unique_ptr<Session> session;
};

TEST_F(DesktopWallpaperTest, NoneButtonPaintsTheBackgroundColourOnAPlainXSession) {
  // Something else on the root first, so the change is visible.
  ASSERT_EQ(session->Tool({"hsetroot", "-solid", "#c08040"}).exitCode, 0);
  auto p = StartShown();
  session->ClickWidget("ButtonNone");

  Display* dpy = XOpenDisplay(session->Display().c_str());
  ASSERT_TRUE(dpy);
  EXPECT_TRUE(WaitFor([&] { return RootString(dpy, "_TOVIWALL_WallpaperStyle") == "2"; }));
  EXPECT_EQ(RootString(dpy, "_TOVIWALL_Wallpaper"), "");
  EXPECT_EQ(RootString(dpy, "_TOVIWALL_TileWallpaper"), "0");
  EXPECT_EQ(RootString(dpy, "_TOVIWALL_WallpaperOriginX"), "0");
  EXPECT_EQ(RootString(dpy, "_TOVIWALL_WallpaperOriginY"), "0");

  // What the screen shows around the main window: black.
  for (auto [x, y] : {std::pair{2, 597}, {797, 2}, {2, 2}}) {
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), x, y, 1, 1, AllPlanes, ZPixmap);
    ASSERT_TRUE(image);
    EXPECT_EQ(XGetPixel(image, 0, 0) & 0xffffff, 0u) << x << "," << y;
    XDestroyImage(image);
  }
  XCloseDisplay(dpy);
  EXPECT_TRUE(p->Running());
}

TEST_F(DesktopWallpaperTest, NoneButtonClearsTheGnomeBackgroundSettings) {
  RequireProgram("gsettings");
  session->SetEnv("TOVIWALL_DESKTOP", "");
  session->SetEnv("XDG_CURRENT_DESKTOP", "GNOME");
  session->SetEnv("GSETTINGS_BACKEND", "keyfile");
  auto get = [&](const char* key) {
    RunResult r = session->MustTool({"gsettings", "get", "org.gnome.desktop.background", key});
    return r.out.substr(0, r.out.find('\n'));
  };
  ASSERT_EQ(session->Tool({"gsettings", "set", "org.gnome.desktop.background", "picture-uri", "'file:///a.png'"}).exitCode,
            0);
  auto p = StartShown();
  session->ClickWidget("ButtonNone");
  EXPECT_TRUE(WaitFor([&] { return get("picture-options") == "'none'"; })) << get("picture-options");
  EXPECT_EQ(get("picture-uri"), "''");
  EXPECT_EQ(get("picture-uri-dark"), "''");
}

TEST_F(DesktopWallpaperTest, StartsAndPaintsWhenTheRootPropertiesNameAFreedPixmap) {
  // A picture for the empty list to take from the image folder, stretched over the screen.
  session->MustTool({"/usr/bin/convert", "-size", "40x30", "xc:#ff0000", session->Home() + "/red.png"});
  Display* dpy = XOpenDisplay(session->Display().c_str());
  ASSERT_TRUE(dpy);
  const Window root = DefaultRootWindow(dpy);
  auto shown = [&]() -> unsigned long {
    XImage* image = XGetImage(dpy, root, 400, 300, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    unsigned long pixel = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return pixel;
  };
  auto run = [&] {
    auto p = session->StartReady();
    EXPECT_TRUE(WaitFor([&] { return shown() == 0xff0000; })) << ReadFile(session->LastProgramLog());
    EXPECT_FALSE(p->Wait(500).has_value()) << "the program ended: " << ReadFile(session->LastProgramLog());
    p->Signal(SIGTERM);
    EXPECT_EQ(p->Wait(10000), 0);
  };
  run();
  // What a painter that ended before keeping its pixmap leaves behind: both
  // properties name a freed pixmap, whose id range the next start's painter gets.
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(dpy, root, XInternAtom(dpy, "_XROOTPMAP_ID", False), 0, 1, False, XA_PIXMAP, &type, &format, &n,
                     &after, &data);
  ASSERT_TRUE(data && n == 1);
  XKillClient(dpy, *reinterpret_cast<unsigned long*>(data));
  XFree(data);
  XSetWindowBackground(dpy, root, 0);
  XClearWindow(dpy, root);
  XSync(dpy, False);
  for (int start = 0; start < 2; ++start) run();
  XCloseDisplay(dpy);
}

// A window manager's session (nothing in XDG_CURRENT_DESKTOP) with "pcmanfm
// --desktop": the program finds pcmanfm by its desktop window and hands it
// each filling type; the JPEG goes through the same output file every time.
TEST_F(DesktopWallpaperTest, EveryFillingTypeReachesPcmanfmsDesktopChosenByItsWindow) {
  RequireProgram("pcmanfm");
  session = std::make_unique<Session>(SessionOptions{640, 480, 24, true});
  DBusSession bus(session->Root().Path(), session->Environment());
  session->SetEnv("DBUS_SESSION_BUS_ADDRESS", bus.Address());
  session->SetEnv("TOVIWALL_DESKTOP", "");
  Process::Options options;
  options.env = session->Environment();
  options.logFile = session->Root() / "pcmanfm.log";
  auto pcmanfm = Process::Start({"pcmanfm", "--desktop"}, options);
  ASSERT_TRUE(WaitFor([&] { return !session->Tool({"xdotool", "search", "--onlyvisible", "--class", "pcmanfm"}).out.empty(); }))
      << ReadFile(options.logFile);
  const std::string picture = session->Home() + "/quarters.jpg";
  // Red, green / blue, yellow quarters.
  session->MustTool({"/usr/bin/convert", "-size", "100x80", "xc:#ff0000", "-fill", "#00ff00", "-draw",
                     "rectangle 50,0 99,39", "-fill", "#0000ff", "-draw", "rectangle 0,40 49,79", "-fill", "#ffff00",
                     "-draw", "rectangle 50,40 99,79", "-quality", "100", picture});
  Display* dpy = XOpenDisplay(session->Display().c_str());
  ASSERT_TRUE(dpy);
  auto pixel = [&](int x, int y) {
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), x, y, 1, 1, AllPlanes, ZPixmap);
    unsigned long c = image ? XGetPixel(image, 0, 0) & 0xffffff : 0;
    if (image) XDestroyImage(image);
    return c;
  };
  auto near = [](unsigned long a, unsigned long b) {
    for (int shift : {0, 8, 16})
      if (std::abs(static_cast<int>(a >> shift & 0xff) - static_cast<int>(b >> shift & 0xff)) > 40) return false;
    return true;
  };
  struct Spot {
    int x, y;
    unsigned long colour;
  };
  const unsigned long red = 0xff0000, green = 0x00ff00, blue = 0x0000ff, yellow = 0xffff00, black = 0;
  // Each set tells its placement from the others' (black is pcmanfm's background).
  const std::vector<Spot> centred{{290, 215, red},   {350, 215, green}, {290, 265, blue},
                                  {350, 265, yellow}, {200, 100, black}, {600, 440, black}};
  const std::vector<Spot> expected[5] = {
      centred,
      {{615, 405, red}, {575, 405, green}, {615, 445, blue}, {575, 445, yellow}},      // tiled from the corner
      {{200, 120, red}, {520, 120, green}, {200, 400, blue}, {520, 400, yellow}},      // stretched
      {{170, 120, red}, {470, 120, green}, {170, 360, blue}, {470, 360, yellow}, {8, 300, black}},  // 600 x 480
      centred,                                                                         // small: as it is
  };
  for (int type = 0; type < 5; ++type) {
    session->WriteProfile("Type=" + std::to_string(type) + "\nAutoChangeWallpaper=0\n[WallPaper]\nCurrentIndex=0\n");
    WriteFile(session->ConfigHome() + "/Tovi Solution/Tovi WallChanger/toviwall.lst", picture + "\r\n");
    auto p = session->StartReady();
    std::string wrong;
    EXPECT_TRUE(WaitFor(
        [&] {
          for (const Spot& s : expected[type])
            if (!near(pixel(s.x, s.y), s.colour)) {
              wrong = std::to_string(s.x) + "," + std::to_string(s.y) + " shows " + std::to_string(pixel(s.x, s.y));
              return false;
            }
          return true;
        },
        15000, 100))
        << "filling type " << type << ": " << wrong << "\n" << ReadFile(session->LastProgramLog());
    if (const char* keep = std::getenv("TOVIWALL_KEEP_SCREENSHOTS"))
      session->Screenshot(std::string(keep) + "/pcmanfm-type" + std::to_string(type) + ".png");
  }
  EXPECT_NE(ReadFile(session->ConfigHome() + "/pcmanfm/default/desktop-items-0.conf").find("Tovi Wallpaper.bmp"),
            std::string::npos);
  XCloseDisplay(dpy);
}

}  // namespace
}  // namespace toviwall
