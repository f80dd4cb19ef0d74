// Our root-window painter on a private X server, with hsetroot, feh and
// xsetroot as the other programs that set the root background.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "image/BitmapFile.h"
#include "platform/x11/X11RootWallpaper.h"
#include "platform/x11/XlibErrorTrap.h"
#include "platform/x11/XlibStripUpload.h"
#include "support/TestSession.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

using namespace test;
using platform::X11RootWallpaper;

constexpr int kWidth = 320, kHeight = 240;

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

// A picture of the root: 0xRRGGBB per pixel, row by row.
struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> data;
  std::uint32_t At(int x, int y) const { return data[static_cast<std::size_t>(y) * width + x]; }
};

class X11RootWallpaperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"hsetroot", "feh", "xsetroot"}) RequireProgram(tool);
    SessionOptions options;
    options.width = kWidth;
    options.height = kHeight;
    session = std::make_unique<Session>(options);
    dpy = XOpenDisplay(session->Display().c_str());
    ASSERT_TRUE(dpy);
    XSetErrorHandler(&IgnoreErrors);
    root = DefaultRootWindow(dpy);
    pictures = session->Root() / "pictures";
    std::filesystem::create_directories(pictures);
  }
  void TearDown() override {
    if (dpy) XCloseDisplay(dpy);
  }

  X11RootWallpaper Desktop(std::uint32_t background = 0) { return X11RootWallpaper(session->Display(), background); }

  // A 24-bit BMP (or any other format by extension) made by ImageMagick.
  std::string Picture(const std::string& name, const std::vector<std::string>& drawing) {
    std::vector<std::string> argv{"/usr/bin/convert"};
    argv.insert(argv.end(), drawing.begin(), drawing.end());
    std::string path = pictures + "/" + name;
    bool bmp = name.size() > 4 && name.substr(name.size() - 4) == ".bmp";
    argv.insert(argv.end(), {"-alpha", "off", "-type", "TrueColor", (bmp ? "BMP3:" : "") + path});
    MustRun(argv, session->Environment());
    return path;
  }
  std::string Noise(const std::string& name, int w, int h) {
    return Picture(name, {"-size", std::to_string(w) + "x" + std::to_string(h), "xc:", "+noise", "Random"});
  }

  void Tool(const std::vector<std::string>& argv) { session->MustTool(argv); }

  std::optional<Pixmap> PixmapProperty(const char* name) { return PixmapProperty(dpy, name); }
  static std::optional<Pixmap> PixmapProperty(Display* on, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(on, DefaultRootWindow(on), XInternAtom(on, name, False), 0, 1, False, XA_PIXMAP, &type,
                       &format, &n, &after, &data);
    std::optional<Pixmap> id;
    if (data && type == XA_PIXMAP && n == 1) id = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    return id;
  }
  std::optional<std::string> StringProperty(const std::string& name) {
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(dpy, root, XInternAtom(dpy, name.c_str(), False), 0, 4096, False, AnyPropertyType, &type,
                       &format, &n, &after, &data);
    std::optional<std::string> s;
    if (data && format == 8) s = std::string(reinterpret_cast<char*>(data), n);
    if (data) XFree(data);
    return s;
  }
  bool PixmapAlive(Pixmap pixmap) {
    Window r;
    int x, y;
    unsigned w, h, b, d;
    return XGetGeometry(dpy, pixmap, &r, &x, &y, &w, &h, &b, &d) != 0;
  }

  Pixels Read(Drawable drawable) { return Read(dpy, drawable); }
  static Pixels Read(Display* on, Drawable drawable) {
    Pixels p{kWidth, kHeight, {}};
    XImage* image = XGetImage(on, drawable, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image) {
      ADD_FAILURE() << "cannot read drawable " << drawable;
      return p;
    }
    p.data.reserve(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) p.data.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xffffff);
    XDestroyImage(image);
    return p;
  }
  // The picture the root background pixmap holds now.
  Pixels RootPixmap() { return RootPixmap(dpy); }
  static Pixels RootPixmap(Display* on) {
    std::optional<Pixmap> id = PixmapProperty(on, "_XROOTPMAP_ID");
    EXPECT_TRUE(id) << "no _XROOTPMAP_ID";
    return id ? Read(on, *id) : Pixels{};
  }

  static void ExpectSame(const Pixels& ours, const Pixels& theirs, const std::string& what) {
    ASSERT_EQ(ours.data.size(), theirs.data.size()) << what;
    for (int y = 0; y < ours.height; ++y)
      for (int x = 0; x < ours.width; ++x)
        if (ours.At(x, y) != theirs.At(x, y)) {
          ADD_FAILURE() << what << ": first difference at " << x << "," << y << ": ours " << std::hex << ours.At(x, y)
                        << ", reference " << theirs.At(x, y);
          return;
        }
  }

  std::unique_ptr<Session> session;
  Display* dpy = nullptr;
  Window root = 0;
  std::string pictures;
};

TEST_F(X11RootWallpaperTest, CentredPicturesMatchHsetrootPixelForPixel) {
  // Odd and even margins, pictures larger than the screen in one or both directions.
  for (auto [name, w, h] : {std::tuple{"small.bmp", 51, 37}, {"even.bmp", 100, 60}, {"wide.bmp", 401, 75},
                            {"huge.bmp", 333, 251}}) {
    const std::string file = Noise(name, w, h);
    auto desktop = Desktop();
    SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
    const Pixels ours = RootPixmap();
    ExpectSame(Read(root), ours, std::string(name) + " on the root window");
    Tool({"hsetroot", "-center", file});
    ExpectSame(ours, RootPixmap(), name);
  }
}

// The painter sends its pixels through shared memory where the server maps our
// segment, else over the connection: a server without MIT-SHM, and one that
// refuses the segment (running as another user, it may not map ours). Both
// ways give the same pixels, strips of both halves of the segment and a short
// last strip included.
TEST_F(X11RootWallpaperTest, WithoutSharedMemoryThePixelsAreTheSame) {
  std::vector<std::unique_ptr<XServer>> servers;
  servers.push_back(std::make_unique<XServer>(kWidth, kHeight, 24, std::vector<std::string>{"-extension", "MIT-SHM"}));
  if (geteuid() == 0)
    servers.push_back(std::make_unique<XServer>(
        kWidth, kHeight, 24, std::vector<std::string>{},
        std::vector<std::string>{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"}));
  auto shared = [](Display* on) {
    Pixmap target = XCreatePixmap(on, DefaultRootWindow(on), kWidth, 8, DefaultDepth(on, DefaultScreen(on)));
    const bool answer = platform::StripUpload(on, DefaultScreen(on), target, kWidth, 4).Shared();
    XFreePixmap(on, target);
    return answer;
  };
  ASSERT_TRUE(shared(dpy)) << "this server maps our segment";

  const std::string photo = Noise("photo.bmp", 301, 203), tile = Noise("tile.bmp", 51, 37),
                    span = Noise("span.bmp", kWidth, kHeight);
  const std::vector<std::pair<std::string, WallpaperStyle>> cases = {{photo, WallpaperStyle::Centred},
                                                                     {tile, WallpaperStyle::Tiled},
                                                                     {photo, WallpaperStyle::Stretched},
                                                                     {span, WallpaperStyle::Spanned}};
  std::vector<Pixels> expected;
  for (const auto& [file, style] : cases) {
    auto desktop = Desktop(0x336699);
    SetDesktopWallpaper(desktop, file, style);
    expected.push_back(RootPixmap());
  }
  for (const auto& server : servers) {
    Display* other = XOpenDisplay(server->Display().c_str());
    ASSERT_TRUE(other);
    EXPECT_FALSE(shared(other));
    for (std::size_t i = 0; i < cases.size(); ++i) {
      X11RootWallpaper desktop(server->Display(), 0x336699);
      SetDesktopWallpaper(desktop, cases[i].first, cases[i].second);
      ExpectSame(RootPixmap(other), expected[i], server->Display() + ", case " + std::to_string(i));
    }
    XCloseDisplay(other);
  }
}

TEST_F(X11RootWallpaperTest, PixelsInHandArePaintedForOneReloadOfTheirFileOnly) {
  // The file still holds an older picture, its new content being written.
  const std::string file = Noise("older.bmp", 61, 41);
  const std::string newer = Noise("newer.bmp", 61, 41);
  const auto picture = std::make_shared<const Bitmap24>(LoadBitmapFile(newer));
  auto desktop = Desktop();
  ASSERT_TRUE(desktop.TakesPictures());
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred, picture);
  const Pixels inHand = RootPixmap();
  EXPECT_EQ(StringProperty("_TOVIWALL_Wallpaper"), file);
  SetDesktopWallpaper(desktop, newer, WallpaperStyle::Centred);
  ExpectSame(inHand, RootPixmap(), "the pixels in hand");
  // Used once: the next reload reads the file; pixels of another file are not painted.
  desktop.TakePicture(newer, picture);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  const Pixels fromFile = RootPixmap();
  Tool({"hsetroot", "-center", file});
  ExpectSame(fromFile, RootPixmap(), "the file itself");
}

// A change paints the root while the picture's rows are still being made: the
// painter must wait for each row it shows, publish nothing before the reload,
// and paint again when the reload wants something else.
TEST_F(X11RootWallpaperTest, APicturePaintedAheadShowsOnlyRowsMadeAndOnlyOnceHandedOver) {
  const std::string file = Noise("ahead.bmp", 200, 150);
  const Bitmap24 whole = LoadBitmapFile(file);
  auto desktop = Desktop(0x336699);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  const Pixels expected = RootPixmap();
  const std::optional<Pixmap> before = PixmapProperty("_XROOTPMAP_ID");

  auto Follow = [&](std::uint32_t colour, int rows) {
    auto made = std::make_shared<Bitmap24>(200, 150, 0, 0, 255);  // red until made
    auto progress = std::make_shared<RowProgress>();
    desktop.SetBackgroundColour(colour);
    desktop.PaintAhead(file, WallpaperStyle::Centred, made, progress);
    for (int y = 0; y < rows; ++y) {
      std::memcpy(made->Row(y), whole.Row(y), 3 * 200);
      if (y % 10 == 9 || y + 1 == rows) {
        progress->Advance(y + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    return made;
  };
  auto made = Follow(0x996633, 150);  // the colour value of 0x336699
  EXPECT_EQ(PixmapProperty("_XROOTPMAP_ID"), before) << "nothing is shown before the reload";
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred, made);
  ExpectSame(RootPixmap(), expected, "painted ahead");

  // Given up halfway (the picture could not be made): the root keeps its picture.
  const std::optional<Pixmap> shown = PixmapProperty("_XROOTPMAP_ID");
  Follow(0x996633, 70);
  desktop.TakePicture({}, nullptr);
  EXPECT_EQ(PixmapProperty("_XROOTPMAP_ID"), shown);
  ExpectSame(RootPixmap(), expected, "the picture before");

  // The colour around it changed before the reload: painted again, in that colour.
  made = Follow(0x996633, 150);
  desktop.SetBackgroundColour(0x302010);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred, made);
  const Pixels recoloured = RootPixmap();
  Tool({"hsetroot", "-solid", "#102030", "-center", file});
  ExpectSame(recoloured, RootPixmap(), "painted again on #102030");
}

// The painter traps X errors on a thread of its own while the program's
// thread may trap its own: each sees only its errors, and the handler that was
// there before is back once no trap is left.
TEST_F(X11RootWallpaperTest, ErrorTrapsOnTwoThreadsKeepTheirOwnErrors) {
  auto trapping = [&](bool provoke, int& wrong) {
    Display* d = XOpenDisplay(session->Display().c_str());
    ASSERT_TRUE(d);
    for (int i = 0; i < 300; ++i) {
      platform::ErrorTrap trap(d);
      if (provoke) XMapWindow(d, 0x7fffffff);  // BadWindow
      else XNoOp(d);
      if ((trap.Error() != 0) != provoke) ++wrong;
    }
    XCloseDisplay(d);
  };
  int wrongThere = 0, wrongHere = 0;
  std::thread there(trapping, true, std::ref(wrongThere));
  trapping(false, wrongHere);
  there.join();
  EXPECT_EQ(wrongThere, 0);
  EXPECT_EQ(wrongHere, 0);
  EXPECT_EQ(XSetErrorHandler(&IgnoreErrors), &IgnoreErrors);
}

TEST_F(X11RootWallpaperTest, EachMonitorGetsItsOwnCentredOrStretchedPicture) {
  RequireProgram("xrandr");
  // Two side-by-side monitors on the one screen.
  Tool({"xrandr", "--setmonitor", "Left", "120/30x240/60+0+0", "screen"});
  Tool({"xrandr", "--setmonitor", "Right", "200/50x240/60+120+0", "none"});
  const std::string file = Noise("pair.bmp", 61, 41);
  auto desktop = Desktop();
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  const Pixels ours = RootPixmap();
  Tool({"hsetroot", "-center", file});
  ExpectSame(ours, RootPixmap(), "centred on two monitors");

  const std::string quarters = Picture("q.bmp", {"-size", "2x2", "xc:#ff0000", "-fill", "#0000ff", "-draw",
                                                  "point 1,1"});
  SetDesktopWallpaper(desktop, quarters, WallpaperStyle::Stretched);
  const Pixels p = RootPixmap();
  for (auto [x, y, colour] : {std::tuple{0, 0, 0xff0000u}, {119, 239, 0x0000ffu}, {120, 0, 0xff0000u},
                              {kWidth - 1, kHeight - 1, 0x0000ffu}})
    EXPECT_EQ(p.At(x, y), colour) << x << "," << y;
}

TEST_F(X11RootWallpaperTest, TilesStartAtTheTopLeftCorner) {
  // Tiles that do not divide the screen, one taller than the screen.
  for (auto [name, w, h] : {std::tuple{"tile.bmp", 51, 37}, {"tall.bmp", 7, 300}}) {
    const std::string file = Noise(name, w, h);
    auto desktop = Desktop();
    SetDesktopWallpaper(desktop, file, WallpaperStyle::Tiled);
    const Pixels ours = RootPixmap();
    ExpectSame(Read(root), ours, std::string(name) + " on the root window");
    // feh tiles from the top-left corner as we do.
    Tool({"feh", "--no-fehbg", "--bg-tile", file});
    ExpectSame(ours, RootPixmap(), std::string(name) + " against feh");
    // hsetroot centres one tile on the screen; away from that origin the tiles are the same.
    Tool({"hsetroot", "-tile", file});
    const Pixels theirs = RootPixmap();
    const int ox = (kWidth - w) / 2, oy = (kHeight - h) / 2;
    // Our pixel (x, y) is their pixel (x + ox, y + oy), moved by whole tiles into the screen.
    auto place = [](int v, int period, int size) {
      while (v < 0) v += period;
      while (v >= size && v - period >= 0) v -= period;
      return v < size ? v : -1;
    };
    int compared = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const int tx = place(x + ox, w, kWidth), ty = place(y + oy, h, kHeight);
        if (tx < 0 || ty < 0) continue;
        ++compared;
        if (ours.At(x, y) != theirs.At(tx, ty)) {
          ADD_FAILURE() << name << " against hsetroot: differs at " << x << "," << y;
          y = kHeight;
          break;
        }
      }
    EXPECT_GT(compared, kWidth * kHeight / 2) << name;
  }
}

TEST_F(X11RootWallpaperTest, CentredPictureLiesOnTheBackgroundColour) {
  const std::string file = Noise("photo.bmp", 90, 70);
  auto desktop = Desktop(0x336699);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  const Pixels ours = RootPixmap();
  Tool({"hsetroot", "-solid", "#336699", "-center", file});
  ExpectSame(ours, RootPixmap(), "photo.bmp on #336699");
}

TEST_F(X11RootWallpaperTest, StretchedPictureFillsTheScreenCornerToCorner) {
  // Four coloured quarters, enlarged and reduced.
  for (auto [w, h] : {std::pair{20, 16}, {1000, 700}}) {
    const std::string size = std::to_string(w / 2) + "x" + std::to_string(h / 2);
    const std::string file = Picture("quarters" + std::to_string(w) + ".bmp",
                                     {"(", "-size", size, "xc:#ff0000", "-size", size, "xc:#00ff00", "+append", ")",
                                      "(", "-size", size, "xc:#0000ff", "-size", size, "xc:#ffff00", "+append", ")",
                                      "-append"});
    auto desktop = Desktop(0x808080);
    SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
    const Pixels p = RootPixmap();
    ASSERT_EQ(p.data.size(), static_cast<std::size_t>(kWidth) * kHeight);
    EXPECT_EQ(p.At(0, 0), 0xff0000u) << w;
    EXPECT_EQ(p.At(kWidth - 1, 0), 0x00ff00u) << w;
    EXPECT_EQ(p.At(0, kHeight - 1), 0x0000ffu) << w;
    EXPECT_EQ(p.At(kWidth - 1, kHeight - 1), 0xffff00u) << w;
    // Each quarter of the screen is its colour away from the seams: no background shows.
    EXPECT_EQ(p.At(kWidth / 4, kHeight / 4), 0xff0000u) << w;
    EXPECT_EQ(p.At(3 * kWidth / 4, 3 * kHeight / 4), 0xffff00u) << w;
    for (std::uint32_t v : p.data) ASSERT_NE(v, 0x808080u) << w;
  }
}

TEST_F(X11RootWallpaperTest, AnUnreadablePictureLeavesTheBackgroundColour) {
  const std::string file = pictures + "/damaged.bmp";
  WriteFile(file, "BM this is no bitmap");
  auto desktop = Desktop(0x102030);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
  for (std::uint32_t v : RootPixmap().data) ASSERT_EQ(v, 0x102030u);
  EXPECT_EQ(desktop.ReadWallpaper(), file) << "the desktop holds the value it was given";
}

TEST_F(X11RootWallpaperTest, WallpaperDiffersExpectsTheFileThatApplyingHandsOver) {
  auto desktop = Desktop();
  platform::FixedScreen screen(kWidth, kHeight);
  const std::string output = OutputWallpaperFileName(session->DefaultSettingsFile());
  const std::string small = Noise("small.bmp", 100, 80), exact = Noise("exact.bmp", kWidth, kHeight),
                    large = Noise("large.bmp", 400, 100), jpeg = Noise("photo.jpg", 30, 20);
  constexpr FillingType kCenter = FillingType::Center, kStretch = FillingType::Stretch,
                        kResize = FillingType::ResizeToFit, kShrink = FillingType::ShrinkToFit;

  // The output file on the desktop: right for JPEGs whatever they are, and for
  // BMPs only where fitting made a copy.
  SetDesktopWallpaper(desktop, output, WallpaperStyle::Centred);
  EXPECT_FALSE(WallpaperDiffers(desktop, jpeg, output, kStretch, screen));
  EXPECT_FALSE(WallpaperDiffers(desktop, small, output, kResize, screen));
  EXPECT_TRUE(WallpaperDiffers(desktop, small, output, kCenter, screen));
  EXPECT_TRUE(WallpaperDiffers(desktop, small, output, kShrink, screen)) << "a small BMP is not shrunk";
  EXPECT_FALSE(WallpaperDiffers(desktop, large, output, kShrink, screen));
  EXPECT_TRUE(WallpaperDiffers(desktop, exact, output, kResize, screen)) << "a screen-sized BMP is not resized";

  // The BMP's own path on the desktop: the other way round.
  SetDesktopWallpaper(desktop, small, WallpaperStyle::Centred);
  EXPECT_TRUE(WallpaperDiffers(desktop, small, output, kResize, screen));
  EXPECT_FALSE(WallpaperDiffers(desktop, small, output, kCenter, screen));
  EXPECT_FALSE(WallpaperDiffers(desktop, small, output, kShrink, screen));
  SetDesktopWallpaper(desktop, exact, WallpaperStyle::Centred);
  EXPECT_FALSE(WallpaperDiffers(desktop, exact, output, kResize, screen));
}

TEST_F(X11RootWallpaperTest, ValuesAreRootPropertiesWrittenInTheirOrder) {
  XSelectInput(dpy, root, PropertyChangeMask);
  XSync(dpy, False);
  auto desktop = Desktop();
  const std::string file = "/srv/Pictures/Grand Canyon.bmp";
  WriteDesktopWallpaperValues(desktop, file, WallpaperStyle::Tiled);
  XSync(dpy, False);
  std::vector<std::string> order;
  while (XPending(dpy)) {
    XEvent e;
    XNextEvent(dpy, &e);
    if (e.type != PropertyNotify) continue;
    char* name = XGetAtomName(dpy, e.xproperty.atom);
    order.emplace_back(name);
    XFree(name);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"_TOVIWALL_Wallpaper", "_TOVIWALL_TileWallpaper",
                                             "_TOVIWALL_WallpaperStyle", "_TOVIWALL_WallpaperOriginX",
                                             "_TOVIWALL_WallpaperOriginY"}));
  auto values = [&] {
    std::vector<std::string> v;
    for (const char* name : platform::kRootValueProperties) v.push_back(StringProperty(name).value_or("<missing>"));
    return v;
  };
  EXPECT_EQ(values(), (std::vector<std::string>{file, "1", "1", "0", "0"}));
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Stretched);
  EXPECT_EQ(values(), (std::vector<std::string>{file, "0", "2", "0", "0"}));
  ClearWallpaper(desktop);
  EXPECT_EQ(values(), (std::vector<std::string>{"", "0", "2", "0", "0"}));
}

TEST_F(X11RootWallpaperTest, ReloadPaintsTheGivenValuesWhateverTheRootPropertiesSayNow) {
  const std::string file = Noise("given.bmp", 51, 37), other = Noise("other.bmp", 20, 10);
  auto desktop = Desktop();
  WriteDesktopWallpaperValues(desktop, file, WallpaperStyle::Centred);
  // Another program rewrites the values between our write and our reload.
  const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  for (const auto& [name, value] : {std::pair<const char*, std::string>{"_TOVIWALL_Wallpaper", other},
                                    {"_TOVIWALL_TileWallpaper", "1"}, {"_TOVIWALL_WallpaperStyle", "1"}})
    XChangeProperty(dpy, root, XInternAtom(dpy, name, False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value.data()), static_cast<int>(value.size()));
  XSync(dpy, False);
  desktop.Reload();
  const Pixels ours = RootPixmap();
  EXPECT_EQ(desktop.ReadWallpaper(), other) << "the read-back follows the root property";
  Tool({"hsetroot", "-center", file});
  ExpectSame(ours, RootPixmap(), "given.bmp centred");
}

TEST_F(X11RootWallpaperTest, NoneLeavesTheBackgroundColourOnTheRoot) {
  auto black = Desktop();
  int announced = 0;
  black.SetSettingsChangeListener([&] { ++announced; });
  ClearWallpaper(black);
  EXPECT_EQ(announced, 1);
  for (std::uint32_t p : RootPixmap().data) ASSERT_EQ(p, 0x000000u);
  // The root window shows it too, not only the published pixmap.
  auto blue = Desktop(0x336699);
  ClearWallpaper(blue);
  for (std::uint32_t p : RootPixmap().data) ASSERT_EQ(p, 0x336699u);
  for (std::uint32_t p : Read(root).data) ASSERT_EQ(p, 0x336699u);
  EXPECT_EQ(blue.ReadWallpaper(), "");
}

TEST_F(X11RootWallpaperTest, ReadBackStopsNamingOurFileWhenAnotherProgramSetsTheRoot) {
  auto desktop = Desktop();
  const std::string bmp = Noise("Sunset.bmp", 40, 30);
  const std::string other = Noise("other.png", 30, 20);
  const std::string output = OutputWallpaperFileName(session->DefaultSettingsFile());
  platform::FixedScreen screen(kWidth, kHeight);
  auto differs = [&] { return WallpaperDiffers(desktop, bmp, output, FillingType::Center, screen); };

  EXPECT_TRUE(differs()) << "nothing set yet";
  SetDesktopWallpaper(desktop, bmp, WallpaperStyle::Centred);
  EXPECT_EQ(desktop.ReadWallpaper(), bmp);
  EXPECT_FALSE(differs());
  const Pixmap first = *PixmapProperty("_XROOTPMAP_ID");
  EXPECT_EQ(PixmapProperty("ESETROOT_PMAP_ID"), first);
  EXPECT_TRUE(PixmapAlive(first)) << "the pixmap outlives the connection that made it";

  // Windows on the desktop hide parts of the root; that is no change of wallpaper.
  XSetWindowAttributes red{};
  red.background_pixel = 0xff0000;
  Window window = XCreateWindow(dpy, root, 10, 10, 200, 100, 0, CopyFromParent, InputOutput, CopyFromParent,
                                CWBackPixel, &red);
  XMapWindow(dpy, window);
  XClearWindow(dpy, window);
  XSync(dpy, False);
  EXPECT_FALSE(differs());
  XDestroyWindow(dpy, window);
  XSync(dpy, False);

  // The same path in other letter case counts as the same file.
  std::string upper = bmp;
  upper.replace(upper.size() - 10, 10, "SUNSET.BMP");
  SetDesktopWallpaper(desktop, upper, WallpaperStyle::Centred);
  EXPECT_FALSE(differs());
  EXPECT_FALSE(PixmapAlive(first)) << "our previous pixmap is freed";

  for (const std::vector<std::string>& setter :
       {std::vector<std::string>{"hsetroot", "-center", other}, {"feh", "--no-fehbg", "--bg-center", other},
        {"xsetroot", "-solid", "red"}}) {
    SetDesktopWallpaper(desktop, bmp, WallpaperStyle::Centred);
    const Pixmap ours = *PixmapProperty("_XROOTPMAP_ID");
    ASSERT_FALSE(differs());
    Tool(setter);
    EXPECT_EQ(desktop.ReadWallpaper(), std::nullopt) << setter[0];
    EXPECT_TRUE(differs()) << setter[0];
    if (setter[0] != "xsetroot") {
      EXPECT_FALSE(PixmapAlive(ours)) << setter[0] << " freed our pixmap";
    }
  }

  // Setting ours again frees what the other program left, as it freed ours.
  Tool({"hsetroot", "-center", other});
  const Pixmap theirs = *PixmapProperty("_XROOTPMAP_ID");
  SetDesktopWallpaper(desktop, bmp, WallpaperStyle::Centred);
  EXPECT_FALSE(PixmapAlive(theirs));
  EXPECT_FALSE(differs());
  std::filesystem::remove(bmp);
  EXPECT_TRUE(differs()) << "a deleted image differs";
}

// Root properties that name no live pixmap of a retained setter: a pixmap
// whose program ended without keeping it (its id is handed out again, often to
// the painter's own next connection), or another program's window.
TEST_F(X11RootWallpaperTest, OnlyARetainedSettersPixmapIsFreed) {
  const std::string file = Noise("photo.bmp", 40, 30);
  auto publish = [&](unsigned long id) {
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
      XChangeProperty(dpy, root, XInternAtom(dpy, name, False), XA_PIXMAP, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&id), 1);
    XSync(dpy, False);
  };
  auto painted = [&] {
    std::optional<Pixmap> shown = PixmapProperty("_XROOTPMAP_ID");
    return shown && PixmapAlive(*shown) && PixmapProperty("ESETROOT_PMAP_ID") == shown &&
           RootPixmap().At(kWidth / 2, kHeight / 2) != 0;
  };
  auto desktop = Desktop();

  // A pixmap whose connection closed: the next connection gets its id range.
  for (int round = 0; round < 3; ++round) {
    Display* gone = XOpenDisplay(session->Display().c_str());
    ASSERT_TRUE(gone);
    Pixmap stale = XCreatePixmap(gone, root, 8, 8, DefaultDepth(gone, DefaultScreen(gone)));
    XCloseDisplay(gone);
    publish(stale);
    SetDesktopWallpaper(desktop, file, WallpaperStyle::Centred);
    ASSERT_TRUE(painted()) << "round " << round;
  }

  // Another program's window, on a connection that must stay open.
  Display* other = XOpenDisplay(session->Display().c_str());
  ASSERT_TRUE(other);
  Window window = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 10, 10, 0, 0, 0);
  XSync(other, False);
  publish(window);
  SetDesktopWallpaper(desktop, file, WallpaperStyle::Tiled);
  EXPECT_TRUE(painted());
  XWindowAttributes attributes;
  EXPECT_TRUE(XGetWindowAttributes(dpy, window, &attributes)) << "the window's program was killed";
  XCloseDisplay(other);
}

}  // namespace
}  // namespace toviwall
