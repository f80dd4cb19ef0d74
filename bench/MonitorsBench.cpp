// The desktop composed for one and for two 4K monitors (3840 x 2160 each) from
// 6000 x 4000 JPEG photographs under Zoom, set as the root window's picture on
// a private Xvfb, against feh --bg-fill given the same files (one per monitor)
// and ImageMagick composing the same picture into a BMP file.
//
//   toviwall_bench_monitors [--runs N] [--data FOLDER]
//
// Every command runs as a whole process (ours is this program started again
// with --compose, which does what a change does: compose, write the output
// file, paint and publish the root pixmap). One warm-up, then N rounds taking
// the programs in turn. Each row gives the median wall time, the largest peak
// resident memory and our median divided by that program's. Then the composing
// alone, inside this process (wall and processor time), and the two-monitor
// times divided by the one-monitor ones.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BenchProcess.h"
#include "ProgramChange.h"
#include "platform/Screen.h"
#include "support/TestSession.h"

namespace {

using namespace toviwall;
using namespace toviwall::bench;
namespace fs = std::filesystem;

const char* kFeh = "/usr/bin/feh";
constexpr int kWidth = 3840, kHeight = 2160;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The monitors as the bench's X server has them.
class LayoutScreen final : public platform::Screen {
 public:
  explicit LayoutScreen(platform::ScreenLayout layout) : layout_(std::move(layout)) {}
  platform::ScreenSize PrimaryScreenSize() override {
    return {layout_.monitors[0].width, layout_.monitors[0].height};
  }
  platform::ScreenLayout Layout() override { return layout_; }

 private:
  platform::ScreenLayout layout_;
};

platform::ScreenLayout SideBySide(int monitors) {
  platform::ScreenLayout layout{kWidth * monitors, kHeight, {}};
  for (int i = 0; i < monitors; ++i) layout.monitors.push_back({kWidth * i, 0, kWidth, kHeight});
  return layout;
}

// --compose DISPLAY OUTPUT FILE...: one change, as the program makes it.
int Compose(int argc, char** argv) {
  if (argc < 5) return 2;
  const std::string display = argv[2], output = argv[3];
  std::vector<std::string> files(argv + 4, argv + argc);
  LayoutScreen screen(SideBySide(static_cast<int>(files.size())));
  ChangeOnRoot(display, {.imageFile = files[0],
                         .fillingType = FillingType::Zoom,
                         .outputFile = output,
                         .screen = screen,
                         .monitors = MonitorMode::EachMonitor,
                         .otherImageFiles = std::vector<std::string>(files.begin() + 1, files.end())});
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--compose") == 0) return Compose(argc, argv);
  int runs = 5;
  const fs::path self = fs::canonical("/proc/self/exe");
  fs::path data = DataFolder();
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--data" && i + 1 < argc) data = argv[++i];
    else {
      std::fprintf(stderr, "usage: toviwall_bench_monitors [--runs N] [--data FOLDER]\n");
      return 2;
    }
  }
  for (const char* tool : {kConvert, kFeh, "/usr/bin/Xvfb", "/usr/bin/xrandr"})
    if (access(tool, X_OK) != 0) {
      std::fprintf(stderr, "toviwall_bench_monitors: needs %s; run scripts/setup\n", tool);
      return 1;
    }
  fs::create_directories(data);
  // The render benchmark's photograph, and a second one made from it.
  const std::string first = Photograph(data), second = data / "photo-flopped.jpg";
  if (!fs::exists(second)) {
    MustRun({kConvert, first, "-flop", "-quality", "90", "-sampling-factor", "2x2", second + ".tmp.jpg"});
    fs::rename(second + ".tmp.jpg", second);
  }
  const fs::path out = data / "out";
  fs::create_directories(out);
  std::printf("toviwall_bench_monitors: %d runs after one warm-up, %u processors; inputs in %s\n", runs,
              std::max(1u, std::thread::hardware_concurrency()), data.c_str());

  const std::string size = std::to_string(kWidth) + "x" + std::to_string(kHeight);
  auto magick = [&](const std::string& file) {
    return std::vector<std::string>{"(", file, "-filter", "Lanczos", "-resize", size + "^", "-gravity", "center",
                                    "-extent", size, ")"};
  };
  double ours[3] = {};
  for (int monitors : {1, 2}) {
    test::XServer x(kWidth * monitors, kHeight, 24);
    const test::Env env{{"DISPLAY", x.Display()}, {"PATH", "/usr/bin:/bin"}};
    if (monitors == 2) {
      const std::string geometry = std::to_string(kWidth) + "/600x" + std::to_string(kHeight) + "/340+";
      test::MustRun({"xrandr", "--setmonitor", "Left", geometry + "0+0", "screen"}, env);
      test::MustRun({"xrandr", "--setmonitor", "Right", geometry + std::to_string(kWidth) + "+0", "none"}, env);
    }
    setenv("DISPLAY", x.Display().c_str(), 1);
    std::vector<std::string> files{first};
    if (monitors == 2) files.push_back(second);
    std::vector<std::string> mine{self.string(), "--compose", x.Display(), out / "Tovi Wallpaper.bmp"};
    std::vector<std::string> feh{kFeh, "--no-fehbg", "--bg-fill"};
    std::vector<std::string> im{kConvert};
    for (const auto& f : files) {
      mine.push_back(f);
      feh.push_back(f);
      const auto part = magick(f);
      im.insert(im.end(), part.begin(), part.end());
    }
    if (monitors == 2) im.push_back("+append");
    im.push_back(out / "magick.bmp");
    ours[monitors] = Race(std::to_string(monitors) + " x " + size + " monitor" + (monitors == 2 ? "s" : "") +
                              " from 6000x4000 JPEGs, Zoom, to the root window",
                          {{"toviwall (compose, BMP file, root pixmap)", mine},
                           {"feh --bg-fill (one file per monitor)", feh},
                           {"ImageMagick resize^ extent (BMP file)", im}},
                          runs);
  }
  // The composing alone: decoding and resampling into the desktop's picture.
  std::printf("\ncomposing alone, in this process (Zoom, %s a monitor)\n  %-40s %10s %10s\n", size.c_str(),
              "monitors", "median s", "cpu s");
  double composed[3] = {};
  for (int monitors : {1, 2}) {
    std::vector<std::string> files{first, second};
    files.resize(static_cast<std::size_t>(monitors));
    std::vector<double> wall, cpu;
    for (int round = -1; round < runs; ++round) {
      const auto start = Clock::now();
      const double cpuStart = CpuSeconds();
      const Bitmap24 desktop =
          ComposeDesktop(files, MonitorMode::EachMonitor, FillingType::Zoom, SideBySide(monitors), 0);
      if (round < 0) continue;
      wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
      cpu.push_back(CpuSeconds() - cpuStart);
    }
    composed[monitors] = Median(wall);
    std::printf("  %-40d %10.3f %10.3f\n", monitors, Median(wall), Median(cpu));
  }
  std::printf("\ntwo monitors / one monitor: composing %.2f, the whole change %.2f\n", composed[2] / composed[1],
              ours[1] > 0 ? ours[2] / ours[1] : 0.0);
  return 0;
}
