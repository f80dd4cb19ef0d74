// The "None" button of the real program clears the desktop's wallpaper, on our
// own root-window painter and on a GNOME desktop's settings.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <filesystem>

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

}  // namespace
}  // namespace toviwall
