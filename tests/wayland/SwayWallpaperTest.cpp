// The sway backend against a headless sway 1.7 with two outputs of different
// sizes, its pixels read with grim; then the real program in that Wayland
// session. sway refuses to run as root: it runs as nobody, and so does the
// program; the backend driven here in-process (as root) reaches sway's socket
// all the same, and its pictures lie in a folder nobody's swaybg can read.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <thread>
#include <filesystem>
#include <map>
#include <sstream>
#include <memory>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/sway/SwayScreen.h"
#include "platform/sway/SwaySession.h"
#include "platform/sway/SwayWallpaper.h"
#include "platform/wayland/SwaybgWallpaper.h"
#include "support/TestSession.h"
#include "wallpaper/Composition.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

using namespace test;
namespace fs = std::filesystem;

const std::vector<std::string> kNobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
constexpr std::uint32_t kBackground = 0x204060;  // 0xRRGGBB

// Four quadrants of 60 x 40 (a width of 120 puts the second output, at x 800,
// 80 columns into the tile).
struct Quadrants {
  std::uint32_t topLeft, topRight, bottomLeft, bottomRight;
};
constexpr Quadrants kWarm{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
constexpr Quadrants kCool{0xFF00FF, 0x00FFFF, 0x800000, 0x008080};

std::string Hex(std::uint32_t c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", c);
  return text;
}

struct Probe {
  std::string output;
  int x, y;
  std::uint32_t colour;
};

// sway's messages arrive in pieces and several at once; anything else is an error, not a hang.
TEST(SwayIpcFraming, PiecesAndRunsOfMessagesAndGarbage) {
  auto frame = [](std::uint32_t type, const std::string& payload) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    return std::string("i3-ipc") + std::string(reinterpret_cast<const char*>(&length), 4) +
           std::string(reinterpret_cast<const char*>(&type), 4) + payload;
  };
  const std::string both = frame(platform::kSwayWorkspaceEvent, R"({"change":"reload"})") + frame(3, "[]");
  std::string buffer = both.substr(0, 20);
  platform::SwayFrame f;
  EXPECT_FALSE(platform::TakeSwayFrame(buffer, f));
  buffer += both.substr(20);
  ASSERT_TRUE(platform::TakeSwayFrame(buffer, f));
  EXPECT_EQ(f.type, platform::kSwayWorkspaceEvent);
  EXPECT_EQ(f.payload, R"({"change":"reload"})");
  ASSERT_TRUE(platform::TakeSwayFrame(buffer, f));
  EXPECT_EQ(f.payload, "[]");
  EXPECT_TRUE(buffer.empty());
  std::string garbage = "HTTP/1.1 400 Bad Request\r\n";
  EXPECT_THROW(platform::TakeSwayFrame(garbage, f), platform::SwayIpcError);
  std::string huge = frame(0, "").replace(6, 4, "\xff\xff\xff\xff");
  EXPECT_THROW(platform::TakeSwayFrame(huge, f), platform::SwayIpcError);
}

class SwayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* tool : {"sway", "swaybg", "grim", "setpriv"}) RequireProgram(tool);
    root = new TempDir("toviwall-sway");
    ::chmod(root->Path().c_str(), 0755);
    for (const char* folder : {"run", "home", "pictures", "ours"}) {
      fs::create_directories(*root / folder);
      ::chmod((*root / folder).c_str(), 0755);
    }
    for (const char* folder : {"run", "home"}) ASSERT_EQ(::chown((*root / folder).c_str(), 65534, 65534), 0);
    ::chmod((*root / "run").c_str(), 0700);
    WriteFile(*root / "sway.conf",
              "xwayland disable\noutput HEADLESS-1 resolution 800x600 position 0 0 bg #336699 solid_color\n");
    Process::Options options;
    options.env = {{"PATH", "/usr/bin:/bin"},
                   {"HOME", *root / "home"},
                   {"XDG_RUNTIME_DIR", *root / "run"},
                   {"WLR_BACKENDS", "headless"},
                   {"WLR_LIBINPUT_NO_DEVICES", "1"},
                   {"WLR_RENDERER", "pixman"}};
    options.logFile = *root / "sway.log";
    std::vector<std::string> argv = kNobody;
    argv.insert(argv.end(), {"sway", "-c", *root / "sway.conf"});
    sway = Process::Start(argv, options).release();
    ASSERT_TRUE(WaitFor([] { return !Socket().empty(); }, 10000)) << ReadFile(*root / "sway.log");
    Swaymsg({"create_output"});
    Swaymsg({"output HEADLESS-2 resolution 1024x768 position 800 0"});
  }
  static void TearDownTestSuite() {
    delete sway;
    delete root;
  }

  void SetUp() override {
    session = std::make_shared<platform::SwaySession>(Socket());
    screen = std::make_unique<platform::SwayScreen>(session);
    desktop = std::make_unique<platform::SwayWallpaper>(session, *root / "ours");
    desktop->SetBackgroundColour((kBackground >> 16) | (kBackground & 0xff00) | (kBackground & 0xff) << 16);
  }

  static std::string Socket() {
    for (const auto& entry : fs::directory_iterator(*root / "run"))
      if (entry.path().filename().string().starts_with("sway-ipc.")) return entry.path();
    return {};
  }
  static void Swaymsg(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"swaymsg", "-s", Socket()};
    argv.insert(argv.end(), args.begin(), args.end());
    MustRun(argv, {{"PATH", "/usr/bin:/bin"}});
  }

  static std::string Picture(const std::string& name, const Quadrants& q) {
    const std::string path = *root / ("pictures/" + name);
    MustRun({"/usr/bin/convert", "-size", "120x80", "xc:" + Hex(q.topLeft), "-fill", Hex(q.topRight), "-draw",
             "rectangle 60,0 119,39", "-fill", Hex(q.bottomLeft), "-draw", "rectangle 0,40 59,79", "-fill",
             Hex(q.bottomRight), "-draw", "rectangle 60,40 119,79", "-alpha", "off", "-type", "TrueColor", path},
            {{"PATH", "/usr/bin:/bin"}});
    return path;
  }

  // The output as grim sees it: 0xRRGGBB per pixel, row by row (a PPM, which
  // costs grim no compressing while the tests poll).
  struct Grab {
    int width = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  };
  static Grab Grabbed(const std::string& output) {
    const std::string file = *root / ("grab-" + output + ".ppm");
    MustRun({"grim", "-o", output, "-t", "ppm", file}, {{"PATH", "/usr/bin:/bin"}, {"WAYLAND_DISPLAY", *root / "run/wayland-1"}});
    const std::string ppm = ReadFile(file);
    std::istringstream in(ppm);
    std::string magic;
    int height = 0, maxValue = 0;
    Grab g;
    in >> magic >> g.width >> height >> maxValue;
    in.get();
    const std::size_t at = static_cast<std::size_t>(in.tellg());
    if (magic != "P6" || maxValue != 255 || ppm.size() < at + 3 * static_cast<std::size_t>(g.width) * height)
      throw std::runtime_error("grim wrote no PPM picture of " + output);
    for (std::size_t i = at; i + 2 < ppm.size(); i += 3)
      g.pixels.push_back(static_cast<std::uint8_t>(ppm[i]) << 16 | static_cast<std::uint8_t>(ppm[i + 1]) << 8 |
                         static_cast<std::uint8_t>(ppm[i + 2]));
    return g;
  }

  // Waits until every probe shows its colour (each channel within 6: Lanczos3
  // rounding), taking sway's events meanwhile unless told not to; the message
  // names the first that does not.
  static ::testing::AssertionResult Shows(const std::vector<Probe>& probes, int timeoutMs = 5000, bool events = true) {
    std::string wrong;
    // WaitFor's pump takes events too: without events, only sleep between looks.
    auto waitFor = [&](const std::function<bool()>& condition, int ms, int pollMs) {
      if (events) return WaitFor(condition, ms, pollMs);
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
      while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
      }
      return true;
    };
    const bool ok = waitFor(
        [&] {
          if (events) QCoreApplication::processEvents();
          std::map<std::string, Grab> grabs;
          for (const Probe& p : probes) {
            if (!grabs.count(p.output)) grabs.emplace(p.output, Grabbed(p.output));
            const std::uint32_t seen = grabs.at(p.output).At(p.x, p.y);
            auto near = [&](int shift) { return std::abs(int(seen >> shift & 0xff) - int(p.colour >> shift & 0xff)) <= 6; };
            if (!near(16) || !near(8) || !near(0)) {
              wrong = p.output + " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ") shows " + Hex(seen) +
                      ", not " + Hex(p.colour);
              return false;
            }
          }
          return true;
        },
        timeoutMs, 100);
    return ok ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << wrong;
  }

  // Applies the entries as the program does: composed by the wallpaper code,
  // handed over through the backend.
  void Apply(const std::vector<std::string>& images, FillingType type, MonitorMode monitors = MonitorMode::OnePicture) {
    WallpaperContext c{.imageFile = images.front(),
                       .fillingType = type,
                       .outputFile = *root / "ours/Tovi Wallpaper.bmp",
                       .screen = *screen,
                       .desktop = desktop.get(),
                       .monitors = monitors,
                       .otherImageFiles = {images.begin() + 1, images.end()},
                       .background = (kBackground >> 16) | (kBackground & 0xff00) | (kBackground & 0xff) << 16};
    ApplyWallpaper(c);
  }

  static inline TempDir* root = nullptr;
  static inline Process* sway = nullptr;
  std::shared_ptr<platform::SwaySession> session;
  std::unique_ptr<platform::SwayScreen> screen;
  std::unique_ptr<platform::SwayWallpaper> desktop;
};

TEST_F(SwayTest, EveryFillingTypeAndNoneOnTwoOutputsOfDifferentSizes) {
  const std::string warm = Picture("warm.png", kWarm), cool = Picture("cool.bmp", kCool);
  const Quadrants& q = kWarm;
  const std::uint32_t bg = kBackground;
  ASSERT_EQ(screen->Layout(), (platform::ScreenLayout{1824, 768, {{0, 0, 800, 600}, {800, 0, 1024, 768}}}));

  // Centred on each output, pixel for pixel (the same rounding as the painter's).
  Apply({warm}, FillingType::Center);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 340, 260, q.topLeft}, {"HEADLESS-1", 339, 260, bg}, {"HEADLESS-1", 459, 339, q.bottomRight},
                     {"HEADLESS-1", 460, 339, bg}, {"HEADLESS-1", 400, 260, q.topRight}, {"HEADLESS-2", 452, 344, q.topLeft},
                     {"HEADLESS-2", 451, 344, bg}, {"HEADLESS-2", 571, 423, q.bottomRight}, {"HEADLESS-2", 0, 0, bg}}));
  // Shrink to Fit leaves a small picture as it is.
  Apply({warm}, FillingType::ShrinkToFit);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 340, 260, q.topLeft}, {"HEADLESS-1", 339, 260, bg}, {"HEADLESS-2", 571, 423, q.bottomRight}}));
  // Tiled from the desktop's top-left corner: the second output starts 80 columns in.
  Apply({warm}, FillingType::Tile);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 0, 0, q.topLeft}, {"HEADLESS-1", 59, 39, q.topLeft}, {"HEADLESS-1", 60, 40, q.bottomRight},
                     {"HEADLESS-1", 799, 599, q.topRight}, {"HEADLESS-2", 39, 0, q.topRight},
                     {"HEADLESS-2", 40, 0, q.topLeft}, {"HEADLESS-2", 40, 40, q.bottomLeft}}));
  // Stretched to each output.
  Apply({warm}, FillingType::Stretch);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 200, 150, q.topLeft}, {"HEADLESS-1", 600, 450, q.bottomRight},
                     {"HEADLESS-2", 256, 192, q.topLeft}, {"HEADLESS-2", 768, 576, q.bottomRight},
                     {"HEADLESS-2", 1020, 5, q.topRight}}));
  // Fitted to the primary (leftmost) output, centred on both.
  Apply({warm}, FillingType::ResizeToFit);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 400, 10, bg}, {"HEADLESS-1", 200, 150, q.topLeft}, {"HEADLESS-1", 600, 450, q.bottomRight},
                     {"HEADLESS-2", 10, 400, bg}, {"HEADLESS-2", 312, 247, q.topLeft}, {"HEADLESS-2", 1000, 400, bg}}));
  // Zoom covers the primary output; the second shows that picture centred.
  Apply({warm}, FillingType::Zoom);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 2, 2, q.topLeft}, {"HEADLESS-1", 797, 597, q.bottomRight},
                     {"HEADLESS-2", 10, 10, bg}, {"HEADLESS-2", 122, 94, q.topLeft}}));
  // A picture on each output, each at its size.
  Apply({warm, cool}, FillingType::Stretch, MonitorMode::EachMonitor);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 200, 150, kWarm.topLeft}, {"HEADLESS-1", 600, 450, kWarm.bottomRight},
                     {"HEADLESS-2", 256, 192, kCool.topLeft}, {"HEADLESS-2", 768, 576, kCool.bottomRight}}));
  // One picture across both: 1824 x 768, its quadrants 912 x 384.
  Apply({cool}, FillingType::Stretch, MonitorMode::Span);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 10, 10, kCool.topLeft}, {"HEADLESS-1", 790, 590, kCool.bottomLeft},
                     {"HEADLESS-2", 50, 10, kCool.topLeft}, {"HEADLESS-2", 200, 10, kCool.topRight},
                     {"HEADLESS-2", 200, 700, kCool.bottomRight}}));
  EXPECT_FALSE(WallpaperDiffers(*desktop, cool, *root / "ours/Tovi Wallpaper.bmp", FillingType::Stretch, *screen,
                                MonitorMode::Span));

  ClearWallpaper(*desktop);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 400, 300, bg}, {"HEADLESS-2", 10, 10, bg}, {"HEADLESS-2", 512, 384, bg}}));
  // The pictures of earlier changes are gone.
  std::size_t pictures = 0;
  for (const auto& entry : fs::directory_iterator(*root / "ours")) pictures += entry.path().extension() == ".png";
  EXPECT_EQ(pictures, 0u);
}

TEST_F(SwayTest, AHostileFileNameIsShownAndRunsNothing) {
  // Run by a shell, each would leave a file in sway's home.
  const std::string trap = *root / "home/ran";
  const std::string hostile = *root / "pictures/a`cd;touch ran1`$(cd;touch ran2)'\"b.png";
  fs::rename(Picture("plain.png", kCool), hostile);
  Apply({hostile}, FillingType::Stretch);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 200, 150, kCool.topLeft}, {"HEADLESS-2", 768, 576, kCool.bottomRight}}));
  EXPECT_FALSE(Exists(trap + "1"));
  EXPECT_FALSE(Exists(trap + "2"));
  // Our own folder's name is what sway gets: one it would expand is refused, saying why.
  platform::SwayWallpaper unsafe(session, *root / "our $(pictures)");
  unsafe.WriteValues(Picture("plain.bmp", kCool), WallpaperStyle::Stretched);
  try {
    unsafe.Reload();
    ADD_FAILURE() << "a folder sway would expand was used";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("shell"), std::string::npos) << e.what();
  }
}

TEST_F(SwayTest, TheWallpaperComesBackAfterSwayReloads) {
  Apply({Picture("warm.png", kWarm)}, FillingType::Stretch);
  ASSERT_TRUE(Shows({{"HEADLESS-1", 200, 150, kWarm.topLeft}}));
  Swaymsg({"reload"});
  // The configuration's colour first (the backend hears of the reload only
  // once events are taken), then ours again, with nobody asking.
  ASSERT_TRUE(Shows({{"HEADLESS-1", 200, 150, 0x336699}}, 5000, false));
  EXPECT_TRUE(Shows({{"HEADLESS-1", 200, 150, kWarm.topLeft}, {"HEADLESS-2", 768, 576, kWarm.bottomRight}}, 8000));
  EXPECT_EQ(desktop->ReadWallpaper(), *root / "ours/Tovi Wallpaper.bmp");
}

// swaybg processes started from `folder` (as the swaybg painter starts them).
std::vector<pid_t> SwaybgsIn(const std::string& folder) {
  std::vector<pid_t> pids;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code error;
    if (ReadFile(entry.path() / "comm") == "swaybg\n" && fs::read_symlink(entry.path() / "cwd", error) == folder)
      pids.push_back(std::stoi(name));
  }
  return pids;
}

// The swaybg this test's sway started for its own background: it has sway's runtime folder.
std::vector<pid_t> SwaysOwnSwaybg(const std::string& runtime) {
  std::vector<pid_t> pids;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string environment = ReadFile(entry.path() / "environ");
    if (ReadFile(entry.path() / "comm") == "swaybg\n" &&
        environment.find(std::string("XDG_RUNTIME_DIR=") + runtime + '\0') != std::string::npos)
      pids.push_back(std::stoi(name));
  }
  return pids;
}

// Another wlroots compositor, without sway's IPC: sway reached only as a
// Wayland compositor. swaybg paints each output's picture; it stays after the
// painter is gone, and the next one (a later start) replaces it.
TEST_F(SwayTest, SwaybgPaintsWhereThereIsNoSwayIpc) {
  ScopedEnv env;
  env.Set("WAYLAND_DISPLAY", *root / "run/wayland-1");
  ASSERT_TRUE(platform::HasLayerShell());
  const std::string folder = *root / "swaybg";
  // sway's own background (its configuration's colour) would cover ours.
  for (pid_t pid : SwaysOwnSwaybg(*root / "run")) ::kill(pid, SIGTERM);
  ASSERT_TRUE(WaitFor([&] { return SwaysOwnSwaybg(*root / "run").empty(); }));
  const auto outputs = [] {
    return std::vector<platform::NamedOutput>{{"HEADLESS-1", {0, 0, 800, 600}}, {"HEADLESS-2", {800, 0, 1024, 768}}};
  };
  const std::uint32_t colour = (kBackground >> 16) | (kBackground & 0xff00) | (kBackground & 0xff) << 16;
  const std::string cool = Picture("cool.bmp", kCool);
  {
    platform::SwaybgWallpaper painter(outputs, folder);
    painter.SetBackgroundColour(colour);
    SetDesktopWallpaper(painter, cool, WallpaperStyle::Stretched);
    EXPECT_TRUE(Shows({{"HEADLESS-1", 200, 150, kCool.topLeft}, {"HEADLESS-2", 768, 576, kCool.bottomRight}}));
    EXPECT_EQ(painter.ReadWallpaper(), cool);
    ClearWallpaper(painter);
    EXPECT_TRUE(Shows({{"HEADLESS-1", 200, 150, kBackground}, {"HEADLESS-2", 768, 576, kBackground}}));
    EXPECT_TRUE(WaitFor([&] { QCoreApplication::processEvents(); return SwaybgsIn(folder).size() == 1; }));
  }
  EXPECT_TRUE(Shows({{"HEADLESS-2", 768, 576, kBackground}}));
  platform::SwaybgWallpaper later(outputs, folder);
  SetDesktopWallpaper(later, Picture("warm.bmp", kWarm), WallpaperStyle::Tiled);
  EXPECT_TRUE(Shows({{"HEADLESS-1", 10, 10, kWarm.topLeft}, {"HEADLESS-2", 40, 40, kWarm.bottomLeft}}));
  EXPECT_TRUE(WaitFor([&] { QCoreApplication::processEvents(); return SwaybgsIn(folder).size() == 1; }));
  for (pid_t pid : SwaybgsIn(folder)) ::kill(pid, SIGTERM);
  Swaymsg({"output HEADLESS-1 bg #336699 solid_color"});
}

// The real program in the sway session, as nobody: Qt on Wayland, the main
// window at start (no tray host), --next reaching the outputs, and a quick
// watchdog that leaves the picture alone although sway cannot tell it back.
TEST_F(SwayTest, TheProgramInTheWaylandSession) {
  const std::string home = *root / "home";
  fs::create_directories(home + "/pics");
  fs::copy_file(Picture("warm.png", kWarm), home + "/pics/1.png", fs::copy_options::overwrite_existing);
  fs::copy_file(Picture("cool.png", kCool), home + "/pics/2.png", fs::copy_options::overwrite_existing);
  const std::string settings = home + "/.config/Tovi Solution/Tovi WallChanger/toviwall.ini";
  fs::create_directories(fs::path(settings).parent_path());
  WriteFile(settings, "[Option]\nImage Folder=" + home + "/pics\nType=2\n");
  MustRun({"chown", "-R", "65534:65534", home}, {{"PATH", "/usr/bin:/bin"}});
  const Env env{{"PATH", "/usr/bin:/bin"},
                {"HOME", home},
                {"XDG_CONFIG_HOME", home + "/.config"},
                {"XDG_RUNTIME_DIR", *root / "run"},
                {"WAYLAND_DISPLAY", "wayland-1"},
                {"SWAYSOCK", Socket()},
                {"XDG_SESSION_TYPE", "wayland"},
                {"XDG_CURRENT_DESKTOP", "sway"},
                {"LANG", "C.UTF-8"},
                {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (*root / "no-bus")},
                {"TOVIWALL_TICK_MS", "100"}};
  auto toviwall = [&](std::vector<std::string> args) {
    std::vector<std::string> argv = kNobody;
    argv.push_back(BinaryDir() + "/toviwall");
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  };
  Process::Options options{env, home, *root / "toviwall.log", {}};
  auto program = Process::Start(toviwall({}), options);
  // The list fills from the folder; the first entry shows, stretched.
  ASSERT_TRUE(Shows({{"HEADLESS-1", 200, 150, kWarm.topLeft}, {"HEADLESS-2", 768, 576, kWarm.bottomRight}}, 15000))
      << ReadFile(*root / "toviwall.log");
  // Without a tray the main window shows after five seconds.
  EXPECT_TRUE(WaitFor(
      [&] {
        return test::Run({"swaymsg", "-s", Socket(), "-t", "get_tree"}, {{"PATH", "/usr/bin:/bin"}}).out.find(
                   "\"app_id\": \"toviwall\"") != std::string::npos;
      },
      10000, 100))
      << ReadFile(*root / "toviwall.log");

  MustRun(toviwall({"--next"}), env);
  // (The window stands in the middle of HEADLESS-1.)
  EXPECT_TRUE(Shows({{"HEADLESS-1", 20, 20, kCool.topLeft}, {"HEADLESS-2", 768, 576, kCool.bottomRight}}, 2000));
  // Twenty ticks of the watchdog: sway cannot say what it shows, which must
  // not count as another program's wallpaper.
  // wallpaper, row, rows and shown
  auto status = [&] {
    const std::string out = MustRun(toviwall({"--status"}), env).out;
    return out.substr(0, out.find("filling="));
  };
  const std::string before = status();
  const auto pictures = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(*root / "run/toviwall")) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> shown = pictures();
  const double until = SteadySeconds() + 2.0;
  while (SteadySeconds() < until) {
    ASSERT_EQ(pictures(), shown);
    ::usleep(50000);
  }
  EXPECT_EQ(status(), before);
  EXPECT_NE(before.find("shown=yes"), std::string::npos) << before;
  MustRun(toviwall({"--exit"}), env);
  EXPECT_EQ(program->Wait(10000), 0) << ReadFile(*root / "toviwall.log");
}

}  // namespace
}  // namespace toviwall
