// Wallpaper rendering against ImageMagick, libvips and Pillow on the same
// inputs in one run: a 6000 x 4000 photograph (made once with ImageMagick and
// kept in the data folder) fitted to a 1920 x 1080 screen end to end, the
// Lanczos3 resampling alone, conversion of PNG and JPEG files to BMP, and the
// cost of an EXIF orientation (the same file tagged 1 and 6: fitted, converted).
//
//   toviwall_bench_render [--runs N] [--data FOLDER]
//
// Every command runs as a whole process: one warm-up, then N rounds taking the
// programs in turn, so drift of a shared machine touches them all alike. Each
// row gives the median wall time, the largest peak resident memory of the runs
// and our median divided by that program's. A check at the end confirms that
// the fast paths give the very bytes of the plain single-threaded arithmetic.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <string>
#include <vector>

#include "BenchProcess.h"
#include "base/AtomicFile.h"
#include "image/BitmapFile.h"
#include "image/ImageConvert.h"
#include "image/MyStretch.h"
#include "image/StretchKernels.h"

namespace {

using namespace toviwall;
using namespace toviwall::bench;
namespace fs = std::filesystem;

std::string Pillow(const std::string& code) { return "import sys, time\nfrom PIL import Image\n" + code; }

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  fs::path data = DataFolder();
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--data" && i + 1 < argc) data = argv[++i];
    else {
      std::fprintf(stderr, "usage: toviwall_bench_render [--runs N] [--data FOLDER]\n");
      return 2;
    }
  }
  for (const char* tool : {kConvert, kPython, kVips})
    if (access(tool, X_OK) != 0) {
      std::fprintf(stderr, "toviwall_bench_render: needs %s; run scripts/setup\n", tool);
      return 1;
    }
  const std::string render = (fs::canonical("/proc/self/exe").parent_path() / "toviwall-render").string();
  const std::string jpg = Photograph(data), bmp = data / "photo.bmp", png = data / "photo.png", v = data / "photo.v";
  if (!fs::exists(bmp)) jpeg::ConvertToBitmapFile(jpg, bmp);
  if (!fs::exists(png)) {
    MustRun({kConvert, bmp, "-define", "png:compression-level=6", png + ".tmp.png"});
    fs::rename(png + ".tmp.png", png);
  }
  if (!fs::exists(v)) MustRun({kVips, "copy", jpg, v});

  const fs::path out = data / "out";
  fs::create_directories(out);
  auto o = [&](const char* name) { return (out / name).string(); };
  const std::string resize = "Image.open(sys.argv[1]).resize((1620, 1080), Image.LANCZOS).save(sys.argv[2])";

  std::printf("toviwall_bench_render: %d runs after one warm-up, %u processors; inputs in %s\n", runs,
              std::max(1u, std::thread::hardware_concurrency()), data.c_str());

  Race("(a) fit a 6000x4000 JPEG to a 1920x1080 screen (1620x1080), end to end",
       {{"toviwall-render --type 3", {render, jpg, o("a-ours.bmp"), "--type", "3", "--screen", "1920x1080"}},
        {"ImageMagick -filter Lanczos -resize", {kConvert, jpg, "-filter", "Lanczos", "-resize", "1920x1080", o("a-im.bmp")}},
        {"libvips resize lanczos3", {kVips, "resize", jpg, o("a-vips.v"), "0.27", "--kernel", "lanczos3"}},
        {"libvips thumbnail (shrink-on-load)", {kVips, "thumbnail", jpg, o("a-thumb.v"), "1920", "--height", "1080"}},
        {"Pillow resize LANCZOS", {kPython, "-c", Pillow(resize), jpg, o("a-pil.bmp")}}},
       runs);

  Race("(b) Lanczos3 6000x4000 -> 1620x1080 from an uncompressed bitmap",
       {{"toviwall-render --filter Lanczos3", {render, bmp, o("b-ours.bmp"), "--filter", "Lanczos3", "--size", "1620x1080"}},
        {"ImageMagick -filter Lanczos -resize", {kConvert, bmp, "-filter", "Lanczos", "-resize", "1620x1080!", o("b-im.bmp")}},
        {"libvips resize lanczos3 (.v)", {kVips, "resize", v, o("b-vips.v"), "0.27", "--kernel", "lanczos3"}},
        {"Pillow resize LANCZOS", {kPython, "-c", Pillow(resize), bmp, o("b-pil.bmp")}}},
       runs);

  const std::string save = "Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2])";
  Race("(c1) PNG 6000x4000 -> BMP",
       {{"toviwall-render --type 0", {render, png, o("c-ours.bmp"), "--type", "0", "--screen", "1920x1080"}},
        {"ImageMagick", {kConvert, png, o("c-im.bmp")}},
        {"libvips copy (.v out)", {kVips, "copy", png, o("c-vips.v")}},
        {"Pillow", {kPython, "-c", Pillow(save), png, o("c-pil.bmp")}}},
       runs);
  Race("(c2) JPEG 6000x4000 -> BMP",
       {{"toviwall-render --type 0", {render, jpg, o("d-ours.bmp"), "--type", "0", "--screen", "1920x1080"}},
        {"ImageMagick", {kConvert, jpg, o("d-im.bmp")}},
        {"libvips copy (.v out)", {kVips, "copy", jpg, o("d-vips.v")}},
        {"Pillow", {kPython, "-c", Pillow(save), jpg, o("d-pil.bmp")}}},
       runs);

  // EXIF orientation 6 against 1: the same decoding, the picture turned on the
  // way (720x1080 instead of 1620x1080). Fitting still streams; the unscaled
  // conversion holds the turned picture whole, as its file is written bottom-up.
  const std::string tagged1 = TaggedPhotograph(data, 1), tagged6 = TaggedPhotograph(data, 6);
  auto fit = [&](const std::string& file, const char* name) {
    return std::vector<std::string>{render, file, o(name), "--type", "3", "--screen", "1920x1080"};
  };
  Race("(e1) the JPEG with EXIF orientation 6 and 1, fitted to 1920x1080, end to end",
       {{"toviwall-render --type 3, orientation 6", fit(tagged6, "e-6.bmp")},
        {"toviwall-render --type 3, orientation 1", fit(tagged1, "e-1.bmp")},
        {"toviwall-render --type 3, no EXIF", fit(jpg, "e-0.bmp")},
        {"ImageMagick -auto-orient -resize, 6", {kConvert, tagged6, "-auto-orient", "-filter", "Lanczos", "-resize",
                                                  "1920x1080", o("e-im.bmp")}},
        {"libvips thumbnail (turns by EXIF), 6", {kVips, "thumbnail", tagged6, o("e-vips.v"), "1920", "--height",
                                                  "1080"}}},
       runs);
  auto convert = [&](const std::string& file, const char* name) {
    return std::vector<std::string>{render, file, o(name), "--type", "0", "--screen", "1920x1080"};
  };
  Race("(e2) the JPEG with EXIF orientation 6 and 1 -> BMP (4000x6000 and 6000x4000)",
       {{"toviwall-render --type 0, orientation 6", convert(tagged6, "e2-6.bmp")},
        {"toviwall-render --type 0, orientation 1", convert(tagged1, "e2-1.bmp")},
        {"ImageMagick -auto-orient, 6", {kConvert, tagged6, "-auto-orient", o("e2-im.bmp")}},
        {"libvips autorot (.v out), 6", {kVips, "autorot", tagged6, o("e2-vips.v")}}},
       runs);

  // The resampling alone, inside the process: Stretch against Pillow's resize call.
  Bitmap24 source = LoadBitmapFile(bmp);
  std::vector<double> ours;
  Bitmap24 fast(1620, 1080);
  for (int r = 0; r <= runs; ++r) {
    Bitmap24 target(1620, 1080);
    auto start = Clock::now();
    Stretch(source, target, Lanczos3Filter, 3.0f);
    if (r > 0) ours.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    fast = std::move(target);
  }
  std::string timed = data / "pillow-resize-seconds.txt";
  MustRun({kPython, "-c",
           Pillow("im = Image.open(sys.argv[1]); im.load(); t = []\n"
                  "for i in range(" + std::to_string(runs + 1) + "):\n"
                  "    s = time.perf_counter(); im.resize((1620, 1080), Image.LANCZOS); t.append(time.perf_counter() - s)\n"
                  "t = sorted(t[1:]); open(sys.argv[2], 'w').write(str(t[len(t) // 2]))\n"),
           bmp, timed});
  std::string pillowText;
  ReadWholeFile(timed, pillowText);
  double pillow = std::atof(pillowText.c_str());
  std::printf("\n(b') Lanczos3 6000x4000 -> 1620x1080 in process, the resampling call alone\n");
  std::printf("  %-34s %10.3f %10s %12.2f\n", "Stretch", Median(ours), "", 1.0);
  std::printf("  %-34s %10.3f %10s %12.2f\n", "Pillow Image.resize", pillow, "", Median(ours) / pillow);

  // The bytes: fast paths against the plain single-threaded arithmetic.
  Bitmap24 plain(1620, 1080);
  stretch::StretchUsing(stretch::PortableKernels(), source, plain, Lanczos3Filter, 3.0f, 1);
  bool sameStretch = plain.SamePixels(fast);
  bool sameFit = plain.SamePixels(LoadBitmapFile(o("a-ours.bmp")));
  bool sameFile = plain.SamePixels(LoadBitmapFile(o("b-ours.bmp")));
  std::printf("\nfast paths (%s kernels, threads, streaming) equal the plain arithmetic: Stretch %s, fit %s, tool %s\n",
              stretch::BestKernels().name, sameStretch ? "yes" : "NO", sameFit ? "yes" : "NO", sameFile ? "yes" : "NO");
  return sameStretch && sameFit && sameFile ? 0 : 1;
}
