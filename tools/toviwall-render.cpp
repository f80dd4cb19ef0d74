// toviwall-render: the wallpaper rendering of the program, from the command line.
//
//   toviwall-render SOURCE OUTPUT.bmp --type N --screen WxH
//       writes the BMP the desktop would get for SOURCE under filling type N
//       (0 Center, 1 Tile, 2 Stretch, 3 Resize to Fit, 4 Shrink to Fit, 5 Zoom,
//       6 Fit with blurred background) on a W x H screen, and prints
//       "WIDTHxHEIGHT style S".
//   toviwall-render SOURCE OUTPUT.bmp --filter NAME --size WxH
//       resamples SOURCE (BMP, JPEG or PNG) to exactly W x H with one filter.
//
// Errors: a message on stderr, exit status 1, OUTPUT untouched.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/AtomicFile.h"
#include "platform/Screen.h"
#include "image/BitmapFile.h"
#include "wallpaper/Composition.h"
#include "image/ImageConvert.h"
#include "image/MyStretch.h"

namespace {

using namespace toviwall;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

const char* kUsage =
    "usage: toviwall-render SOURCE OUTPUT.bmp --type N --screen WxH\n"
    "       toviwall-render SOURCE OUTPUT.bmp --filter NAME --size WxH\n"
    "filters: Box, Triangle, Hermite, Bell, B-Spline, Lanczos3, Mitchell\n";

int ParseNumber(const std::string& text, const char* what) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < -1000000 || v > 1000000)
    throw UsageError(std::string("invalid ") + what + " '" + text + "'");
  return static_cast<int>(v);
}

platform::ScreenSize ParseSize(const std::string& text, const char* what) {
  auto x = text.find('x');
  if (x == std::string::npos) throw UsageError(std::string("invalid ") + what + " '" + text + "' (want WxH)");
  platform::ScreenSize s{ParseNumber(text.substr(0, x), what), ParseNumber(text.substr(x + 1), what)};
  if (s.width < 1 || s.height < 1 || s.width > ImageLimits{}.maxDimension || s.height > ImageLimits{}.maxDimension)
    throw UsageError(std::string("invalid ") + what + " '" + text + "'");
  return s;
}

struct Options {
  std::string source, output;
  int type = -1;
  platform::ScreenSize screen{};
  std::string filter;
  platform::ScreenSize size{};
};

Options Parse(int argc, char** argv) {
  Options o;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError(a + " needs a value");
      return argv[++i];
    };
    if (a == "--type") {
      o.type = ParseNumber(value(), "filling type");
      constexpr int kLast = StoredValue(FillingType::FitBlurred);
      if (o.type < 0 || o.type > kLast) throw UsageError("filling type must be 0 to " + std::to_string(kLast));
    } else if (a == "--screen") {
      o.screen = ParseSize(value(), "screen size");
    } else if (a == "--filter") {
      o.filter = value();
    } else if (a == "--size") {
      o.size = ParseSize(value(), "size");
    } else if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option " + a);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) throw UsageError("need SOURCE and OUTPUT");
  o.source = positional[0];
  o.output = positional[1];
  bool render = o.type >= 0 || o.screen.width > 0, stretch = !o.filter.empty() || o.size.width > 0;
  if (render == stretch) throw UsageError("give either --type and --screen, or --filter and --size");
  if (render && (o.type < 0 || o.screen.width < 1)) throw UsageError("--type and --screen go together");
  if (stretch && (o.filter.empty() || o.size.width < 1)) throw UsageError("--filter and --size go together");
  return o;
}

// The desktop's file for the type and screen, as ApplyWallpaper prepares it. The
// work goes to a scratch file beside OUTPUT, which replaces OUTPUT only at the end:
// the copy of a BMP the fitting starts from must not stay behind after a failure.
// OUTPUT is refused up front as every write of the program would refuse it
// (read-only, a device, a link to nothing), and checked again at the end.
void Render(const Options& o) {
  if (!FileExists(o.source)) throw ImageError(o.source + ": no such file");
  const std::string scratch = WritableTarget(o.output) + ".render-" + std::to_string(::getpid()) + ".tmp";
  struct Remove {
    const std::string& path;
    ~Remove() { std::remove(path.c_str()); }
  } removeScratch{scratch};
  platform::FixedScreen screen(o.screen.width, o.screen.height);
  auto fail = [](const std::string& m) -> void { throw ImageError(m); };
  PreparedWallpaper p = PrepareWallpaper({.imageFile = o.source,
                                          .fillingType = static_cast<FillingType>(o.type),
                                          .outputFile = scratch,
                                          .screen = screen,
                                          .showCopyError = fail});
  if (p.file == scratch) {
    ReplaceFileWith(scratch, o.output);
  } else {
    CopyImageFile(p.file, o.output, fail);
  }
  auto written = OpenBitmapFile(o.output);
  std::printf("%dx%d style %d\n", written->Width(), written->Height(), static_cast<int>(p.style));
}

void Resample(const Options& o) {
  const ResampleFilter* filter = FindResampleFilter(o.filter);
  if (!filter) throw UsageError("unknown filter '" + o.filter + "'");
  auto rows = OpenImageFile(o.source);
  Bitmap24 target(o.size.width, o.size.height);
  Stretch(*rows, target, filter->function, filter->support);
  SaveBitmapFile(target, o.output);
  std::printf("%dx%d\n", target.Width(), target.Height());
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Options o = Parse(argc, argv);
    if (o.type >= 0)
      Render(o);
    else
      Resample(o);
    return 0;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "toviwall-render: %s\n%s", e.what(), kUsage);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "toviwall-render: %s\n", e.what());
  }
  return 1;
}
