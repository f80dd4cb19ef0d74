// Several monitors in the real program on a plain X session: a picture of its
// own on each monitor, zoomed and compared with ImageMagick's fill-and-crop,
// changing together; one picture across both; and on Xorg with the dummy
// driver, whose second output can be switched on and off, the desktop composed
// again when a monitor goes or comes. The pixels are read from the root pixmap
// the program publishes.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>

#include "base/IniFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;

// 0xRRGGBB pixels of a rectangle, row by row.
struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> data;
  std::uint32_t At(int x, int y) const { return data[static_cast<std::size_t>(y) * width + x]; }
};

int Channel(std::uint32_t c, int shift) { return static_cast<int>(c >> shift & 0xff); }

// The pixmap read may be freed meanwhile by the next one published.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

class MonitorsTest : public ::testing::Test {
 protected:
  void Open() {
    dpy = XOpenDisplay(session->Display().c_str());
    ASSERT_TRUE(dpy);
    XSetErrorHandler(&IgnoreErrors);
  }
  void TearDown() override {
    if (dpy) XCloseDisplay(dpy);
  }

  std::string Picture(const std::string& name, const std::vector<std::string>& drawing) {
    std::filesystem::create_directories(session->Home() + "/pics");
    const std::string file = session->Home() + "/pics/" + name;
    std::vector<std::string> argv{"/usr/bin/convert"};
    argv.insert(argv.end(), drawing.begin(), drawing.end());
    argv.push_back(file);
    session->MustTool(argv);
    return file;
  }
  void WriteList(const std::vector<std::string>& files) {
    std::string list;
    for (const auto& f : files) list += f + "\r\n";
    const std::string ini = session->DefaultSettingsFile();
    std::filesystem::create_directories(std::filesystem::path(ini).parent_path());
    WriteFile(ini.substr(0, ini.size() - 4) + ".lst", list);
  }
  int Stored(const char* section, const char* key) {
    return IniReadInteger(session->DefaultSettingsFile(), section, key, -99);
  }
  std::string StoredText(const char* section, const char* key) {
    return IniReadString(session->DefaultSettingsFile(), section, key, "<none>");
  }

  std::optional<Pixmap> RootPixmap() {
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(dpy, DefaultRootWindow(dpy), XInternAtom(dpy, "_XROOTPMAP_ID", False), 0, 1, False, XA_PIXMAP,
                       &type, &format, &n, &after, &data);
    std::optional<Pixmap> id;
    if (data && type == XA_PIXMAP && n == 1) id = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    return id;
  }
  // A rectangle of the published root pixmap; empty when there is none (yet).
  Pixels Read(int x, int y, int w, int h) {
    Pixels p{w, h, {}};
    std::optional<Pixmap> pixmap = RootPixmap();
    if (!pixmap) return {};
    XImage* image = XGetImage(dpy, *pixmap, x, y, w, h, AllPlanes, ZPixmap);
    if (!image) return {};
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c) p.data.push_back(static_cast<std::uint32_t>(XGetPixel(image, c, r)) & 0xffffff);
    XDestroyImage(image);
    return p;
  }
  std::pair<unsigned, unsigned> PixmapSize() {
    std::optional<Pixmap> pixmap = RootPixmap();
    Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    if (!pixmap || !XGetGeometry(dpy, *pixmap, &root, &x, &y, &w, &h, &border, &depth)) return {0, 0};
    return {w, h};
  }

  // ImageMagick's fill and crop of `file` to w x h.
  Pixels Zoomed(const std::string& file, int w, int h) {
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    RunResult r = session->MustTool({"/usr/bin/convert", file, "-filter", "Lanczos", "-resize", size + "^", "-gravity",
                                     "center", "-extent", size, "-depth", "8", "rgb:-"});
    Pixels p{w, h, {}};
    if (r.out.size() != static_cast<std::size_t>(w) * h * 3) return p;
    for (std::size_t i = 0; i < r.out.size(); i += 3)
      p.data.push_back(static_cast<std::uint32_t>(static_cast<unsigned char>(r.out[i])) << 16 |
                       static_cast<std::uint32_t>(static_cast<unsigned char>(r.out[i + 1])) << 8 |
                       static_cast<unsigned char>(r.out[i + 2]));
    return p;
  }
  // The resampling filters differ a little (sample positions, ImageMagick's
  // windowing), a wrong placement a lot: the pictures are smooth gradients.
  static ::testing::AssertionResult Close(const Pixels& ours, const Pixels& theirs) {
    if (ours.data.size() != theirs.data.size() || ours.data.empty())
      return ::testing::AssertionFailure() << "sizes differ: " << ours.data.size() << " / " << theirs.data.size();
    long total = 0;
    int worst = 0;
    for (std::size_t i = 0; i < ours.data.size(); ++i)
      for (int shift : {0, 8, 16}) {
        const int d = std::abs(Channel(ours.data[i], shift) - Channel(theirs.data[i], shift));
        total += d;
        worst = std::max(worst, d);
      }
    const double mean = static_cast<double>(total) / (3.0 * static_cast<double>(ours.data.size()));
    if (mean <= 1.0 && worst <= 6) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "mean difference " << mean << ", largest " << worst;
  }
  // What `toviwall --status` tells of the running program.
  std::map<std::string, std::string> StatusLines() {
    std::map<std::string, std::string> keys;
    std::istringstream lines(session->MustTool({BinaryDir() + "/toviwall", "--status"}).out);
    for (std::string line; std::getline(lines, line);)
      if (const auto eq = line.find('='); eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    return keys;
  }
  bool WaitClose(int x, int y, const Pixels& expected) {
    return WaitFor([&] { return Close(Read(x, y, expected.width, expected.height), expected); }, 15000, 100);
  }

  std::unique_ptr<Session> session;
  Display* dpy = nullptr;
};

TEST_F(MonitorsTest, EachMonitorShowsItsOwnZoomedEntryChangingTogetherOrOnePictureAcrossBoth) {
  RequireProgram("xrandr");
  RequireProgram("xdotool");
  session = std::make_unique<Session>(SessionOptions{.width = 640, .height = 240});
  session->MustTool({"xrandr", "--setmonitor", "Left", "320/80x240/60+0+0", "screen"});
  session->MustTool({"xrandr", "--setmonitor", "Right", "320/80x240/60+320+0", "none"});
  // Gradients across the side each one overflows, so a crop in the wrong place
  // shows; the list keeps its entries in path order.
  const std::string wide = Picture("a-wide.png", {"-size", "200x400", "gradient:#ff0000-#0000ff", "-rotate", "90"});
  const std::string tall = Picture("b-tall.png", {"-size", "200x300", "gradient:#00ff00-#202020"});
  const std::string round = Picture("c-round.png", {"-size", "300x300", "radial-gradient:#ffff00-#800080"});
  WriteList({wide, tall, round});
  // No keys of its own yet but "Type" 5; Ctrl+Alt+W changes.
  session->WriteProfile("Type=5\nMonitors=1\nAutoChangeWallpaper=0\n[Hotkey]\nChangeWallMod=3\nChangeWallVir=87\n");
  Open();
  auto program = session->StartReady();

  // The stored entry on the first monitor, the next one on the second.
  EXPECT_TRUE(WaitClose(0, 0, Zoomed(wide, 320, 240))) << ReadFile(session->LastProgramLog());
  EXPECT_TRUE(WaitClose(320, 0, Zoomed(tall, 320, 240)));
  EXPECT_TRUE(WaitFor([&] { return StoredText("WallPaper", "MonitorIndexes") == "1"; }));
  EXPECT_EQ(Stored("WallPaper", "CurrentIndex"), 0);
  // The rest of the program knows Zoom, and the read-back sees the composed picture.
  std::map<std::string, std::string> status = StatusLines();
  EXPECT_EQ(status["filling"], "Zoom");
  EXPECT_EQ(status["shown"], "yes");

  // A change takes the next two in list order, after the second monitor's.
  session->Xdotool({"key", "ctrl+alt+w"});
  EXPECT_TRUE(WaitClose(0, 0, Zoomed(round, 320, 240)));
  EXPECT_TRUE(WaitClose(320, 0, Zoomed(wide, 320, 240)));
  EXPECT_TRUE(WaitFor([&] { return Stored("WallPaper", "CurrentIndex") == 2; }));
  EXPECT_TRUE(WaitFor([&] { return StoredText("WallPaper", "MonitorIndexes") == "0"; }));

  // One picture across both monitors: the current entry filling the pair.
  program->Signal(SIGTERM);
  ASSERT_EQ(program->Wait(10000), 0);
  IniWriteInteger(session->DefaultSettingsFile(), "Option", "Monitors", 2);
  program = session->StartReady();
  EXPECT_TRUE(WaitClose(0, 0, Zoomed(round, 640, 240)));
  EXPECT_TRUE(WaitFor([&] { return StoredText("WallPaper", "MonitorIndexes") == ""; }));
}

TEST_F(MonitorsTest, ASettingsFileWithoutTheNewKeysShowsOnePictureOnEveryMonitorAsBefore) {
  RequireProgram("xrandr");
  session = std::make_unique<Session>(SessionOptions{.width = 640, .height = 240});
  session->MustTool({"xrandr", "--setmonitor", "Left", "320/80x240/60+0+0", "screen"});
  session->MustTool({"xrandr", "--setmonitor", "Right", "320/80x240/60+320+0", "none"});
  const std::string tall = Picture("tall.png", {"-size", "100x300", "gradient:#00ff00-#202020"});
  WriteList({tall, Picture("wide.png", {"-size", "300x100", "gradient:#ff0000-#0000ff"})});
  session->WriteProfile("Type=3\nAutoChangeWallpaper=0\n");
  const std::string before = ReadFile(session->DefaultSettingsFile());
  Open();
  auto program = session->StartReady();
  // The one fitted picture centred on each monitor, the background black.
  EXPECT_TRUE(WaitFor([&] { return Read(160, 120, 1, 1).data.size() == 1 && Read(160, 120, 1, 1).data[0] != 0; }))
      << ReadFile(session->LastProgramLog());
  const Pixels left = Read(0, 0, 320, 240), right = Read(320, 0, 320, 240);
  EXPECT_EQ(left.data, right.data);
  EXPECT_EQ(left.At(2, 120), 0u);
  program->Signal(SIGTERM);
  ASSERT_EQ(program->Wait(10000), 0);
  // Nothing of the new keys is written.
  const std::string after = ReadFile(session->DefaultSettingsFile());
  for (const char* key : {"Monitors", "BackgroundColor", "MonitorIndexes"})
    EXPECT_EQ(after.find(key), std::string::npos) << key << " in\n" << after << "\nwas\n" << before;
}

TEST_F(MonitorsTest, AMonitorSwitchedOffOrOnIsComposedAgainWithoutAChange) {
  RequireProgram("xrandr");
  session = std::make_unique<Session>(SessionOptions{
      .xorgConfig = DummyXorgConfig({"\"640x480\" 25.175 640 656 752 800 480 490 492 525 -hsync -vsync",
                                     "\"400x300\" 20.00 400 416 480 528 300 301 304 316 +hsync +vsync"},
                                    1100, 600)});
  auto second = [&](bool on) {
    if (on) session->MustTool({"xrandr", "--output", "DUMMY1", "--mode", "400x300", "--right-of", "DUMMY0"});
    else session->MustTool({"xrandr", "--output", "DUMMY1", "--off"});
  };
  session->Tool({"xrandr", "--addmode", "DUMMY1", "400x300"});
  second(true);
  // The list keeps its entries in path order.
  const std::string red = Picture("a-red.png", {"-size", "40x30", "xc:#ff0000"});
  const std::string green = Picture("b-green.png", {"-size", "40x30", "xc:#00ff00"});
  WriteList({red, green});
  // Center: the small pictures in the middle of each monitor on a grey background.
  session->WriteProfile("Type=0\nMonitors=1\nBackgroundColor=8421504\nAutoChangeWallpaper=0\n");
  Open();
  auto program = session->StartReady();
  auto near = [&](int x, int y, std::uint32_t colour) {
    return WaitFor([&] { return Read(x, y, 1, 1).data == std::vector<std::uint32_t>{colour}; }, 15000, 50);
  };
  EXPECT_TRUE(near(320, 240, 0xff0000)) << ReadFile(session->LastProgramLog());
  EXPECT_TRUE(near(640 + 200, 150, 0x00ff00));
  EXPECT_TRUE(near(10, 10, 0x808080));
  // The change is stored once the output file is whole, a moment after the paint.
  EXPECT_TRUE(WaitFor([&] { return StoredText("WallPaper", "LastChange") != "<none>"; }));
  const std::string lastChange = StoredText("WallPaper", "LastChange");

  // Switched off and on again, the second monitor gets its picture back.
  second(false);
  EXPECT_TRUE(WaitFor([&] { return PixmapSize() == std::pair{640u, 480u}; }));
  EXPECT_TRUE(near(320, 240, 0xff0000));
  second(true);
  EXPECT_TRUE(WaitFor([&] { return PixmapSize() == std::pair{1040u, 480u}; }));
  EXPECT_TRUE(near(640 + 200, 150, 0x00ff00));
  // Composed again, not changed: the stored entries and time stay.
  EXPECT_EQ(Stored("WallPaper", "CurrentIndex"), 0);
  EXPECT_EQ(StoredText("WallPaper", "MonitorIndexes"), "1");
  EXPECT_EQ(StoredText("WallPaper", "LastChange"), lastChange);
  EXPECT_TRUE(program->Running());
}

}  // namespace
}  // namespace toviwall
