// The thumbnail of a 6000 x 4000 JPEG photograph, as the preview window and the
// open dialog make it (212 x 159 control, picture 210 x 140), against libvips'
// vipsthumbnail and ImageMagick's -thumbnail on the same file in one run, each
// as a whole process; then our rendering alone inside the process, with and
// without the decoding hint.
//
//   toviwall_bench_thumbnail [--runs N] [--data FOLDER]
//
// The photograph is the render benchmark's (made once in the data folder).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BenchProcess.h"
#include "image/BitmapFile.h"
#include "image/ImageConvert.h"
#include "image/MyStretch.h"
#include "preview/ThumbnailRender.h"

namespace {

using namespace toviwall;
using namespace toviwall::bench;
namespace fs = std::filesystem;

constexpr PixelSize kControl{212, 159};
const char* kVipsThumbnail = "/usr/bin/vipsthumbnail";

ThumbnailLook LookOf(int quality) {
  ThumbnailLook look;
  look.quality = static_cast<ThumbnailQuality>(quality);
  return look;
}

// One thumbnail written as a BMP file, as one process of the race.
int RenderOne(const std::string& source, const std::string& output, int quality) {
  RenderedThumbnail t = RenderThumbnail(source, kControl, LookOf(quality), (CpuFlags() & kCpuHasMmx) != 0);
  Bitmap24 out(t.pixels.Width(), t.pixels.Height());
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x)
      for (int c = 0; c < 3; ++c) out.Row(y)[3 * x + c] = t.pixels.Row(y)[4 * x + c];
  SaveBitmapFile(out, output);
  return 0;
}

template <class F>
double MedianSeconds(int runs, F work) {
  std::vector<double> times;
  for (int r = 0; r <= runs; ++r) {
    auto start = Clock::now();
    work();
    if (r > 0) times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--render") {
    try {
      return RenderOne(argv[2], argv[3], std::atoi(argv[4]));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
  }
  int runs = 9;
  fs::path data = DataFolder();
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--data" && i + 1 < argc) data = argv[++i];
    else {
      std::fprintf(stderr, "usage: toviwall_bench_thumbnail [--runs N] [--data FOLDER]\n");
      return 2;
    }
  }
  for (const char* tool : {kConvert, kVipsThumbnail})
    if (access(tool, X_OK) != 0) {
      std::fprintf(stderr, "toviwall_bench_thumbnail: needs %s; run scripts/setup\n", tool);
      return 1;
    }
  const std::string self = fs::canonical("/proc/self/exe").string();
  const std::string jpg = Photograph(data);
  const fs::path out = data / "out";
  fs::create_directories(out);
  auto o = [&](const char* name) { return (out / name).string(); };

  std::printf("toviwall_bench_thumbnail: %d runs after one warm-up, %u processors; %s\n", runs,
              std::max(1u, std::thread::hardware_concurrency()), jpg.c_str());
  Race("thumbnail of a 6000x4000 JPEG in a 212x159 control (210x140), whole processes",
       {{"ours, nearest pixel (the preview's)", {self, "--render", jpg, o("t-ours.bmp"), "0"}},
        {"ours, oversampled 4x", {self, "--render", jpg, o("t-ours4.bmp"), "2"}},
        {"vipsthumbnail -s 210x157", {kVipsThumbnail, jpg, "-s", "210x157", "-o", o("t-vips.v")}},
        {"ImageMagick -thumbnail 210x157", {kConvert, jpg, "-thumbnail", "210x157", o("t-im.bmp")}},
        {"ImageMagick, jpeg:size hint as well",
         {kConvert, "-define", "jpeg:size=420x314", jpg, "-thumbnail", "210x157", o("t-im-hint.bmp")}}},
       runs);

  // Inside the process: the rendering alone, and what the hint saves.
  const bool vector = (CpuFlags() & kCpuHasMmx) != 0;
  std::printf("\nthe rendering alone, in process (median s)\n");
  for (int q = 0; q < 3; ++q) {
    RenderedThumbnail last;
    double s = MedianSeconds(runs, [&] { last = RenderThumbnail(jpg, kControl, LookOf(q), vector); });
    std::printf("  %-38s %10.4f   decoded at %dx%d\n",
                q == 0 ? "nearest pixel" : q == 1 ? "oversampled 2x" : "oversampled 4x", s, last.decoded.width,
                last.decoded.height);
  }
  double whole = MedianSeconds(runs, [&] {
    auto reader = OpenJpegFile(jpg);
    Pixels32 target(210, 140);
    StretchNearest(*reader, target);
  });
  std::printf("  %-38s %10.4f   decoded at 6000x4000\n", "nearest pixel without the hint", whole);
  return 0;
}
