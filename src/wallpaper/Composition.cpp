#include "wallpaper/Composition.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <vector>

#include "base/AtomicFile.h"
#include "base/BackgroundTask.h"
#include "base/FileHandle.h"
#include "base/RowProgress.h"
#include "base/UnitLanguage.h"
#include "image/BitmapFile.h"
#include "image/ImageConvert.h"
#include "image/MyStretch.h"
#include "image/Placement.h"
#include "wallpaper/BlurredBackground.h"
#include "wallpaper/UnitWallHelper.h"

namespace toviwall {
namespace {

constexpr int kCannotCopyFile = 10091;
constexpr int kMaxZoomSide = 1 << 24;  // float arithmetic still counts every pixel

bool HasSize(const platform::ScreenSize& s) { return s.width >= 1 && s.height >= 1; }

bool Needs(FillingType type, int w, int h, const platform::ScreenSize& s) {
  if (!HasSize(s)) return false;
  if (type == FillingType::ShrinkToFit) return w > s.width || h > s.height;
  return w != s.width || h != s.height;  // Resize to Fit, Zoom, Fit with blurred background
}

std::string BaseName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where the output file's pixels go: straight into the file, or, for a desktop
// that paints from pixels in hand, kept for it (the file is written later).
struct Output {
  std::string file;
  bool keep = false;
  std::shared_ptr<const Bitmap24> picture{};
  // Shown the kept pixels while they are made, so that a desktop can paint
  // them as they come.
  std::function<void(std::shared_ptr<const Bitmap24>, std::shared_ptr<RowProgress>)> follow{};

  void Save(Bitmap24 pixels) {
    if (keep) picture = std::make_shared<const Bitmap24>(std::move(pixels));
    else SaveBitmapFile(pixels, file);
  }
  void Save(ImageReader& rows) {
    if (keep) Save(ReadRemainingRows(rows));
    else SaveBitmapFile(rows, file);
  }
  // The pixels `make` puts into `pixels`, telling of its final rows as it goes.
  void Make(Bitmap24 pixels, const std::function<void(Bitmap24&, const RowsFinished&)>& make) {
    if (!keep || !follow) {
      make(pixels, {});
      return Save(std::move(pixels));
    }
    auto made = std::make_shared<Bitmap24>(std::move(pixels));
    auto progress = std::make_shared<RowProgress>();
    follow(made, progress);
    try {
      make(*made, [&progress](int rows) { progress->Advance(rows); });
    } catch (...) {
      progress->Abandon();  // no follower waits for rows that will not come
      throw;
    }
    progress->Advance(made->Height());
    picture = std::move(made);
  }
};

// The types that fill the whole screen with a picture of their own making.
bool FillsScreen(FillingType type) { return type == FillingType::Zoom || type == FillingType::FitBlurred; }

// The fitted (or zoomed) image from rows of any decoder, as the output file's content.
void FitRowsInto(ImageReader& rows, FillingType type, const platform::ScreenSize& screen, Output& out) {
  const FitSize size = FillsScreen(type)
                           ? FitSize{screen.width, screen.height}
                           : FitToScreen(rows.UprightWidth(), rows.UprightHeight(), screen.width, screen.height);
  out.Make(Bitmap24(size.width, size.height), [&](Bitmap24& target, const RowsFinished& finished) {
    PlaceImage(rows, FillsScreen(type) ? type : FillingType::Stretch, target.Whole(), 0, finished);
  });
}

// Fitting the output in place, from an opened reader of its content.
void FitOpened(ImageReader& rows, FillingType type, const platform::ScreenSize& screen, Output& out) {
  if (!HasSize(screen) || (rows.Width() == screen.width && rows.Height() == screen.height)) return;
  FitRowsInto(rows, type, screen, out);
}

void FitFileInPlace(const std::string& file, FillingType type, platform::Screen& screen) {
  if (!FileExists(file)) return;
  auto rows = OpenBitmapFile(file);
  Output out{file};
  FitOpened(*rows, type, screen.PrimaryScreenSize(), out);
}

// The fitting types: the wallpaper file, converted and fitted.
// Pixels go from the decoder through the resampler straight into the output
// file; the full-size conversion the fitting would overwrite is never written.
std::string PrepareFitted(const WallpaperContext& c, FillingType type, Output& out) {
  const platform::ScreenSize screen = c.screen.PrimaryScreenSize();
  const ImageKind kind = KindOfImage(c.imageFile);
  if (kind != ImageKind::Other) {
    auto rows = kind == ImageKind::Jpeg ? OpenJpegFile(c.imageFile) : OpenPngFile(c.imageFile);
    if (Needs(type, rows->UprightWidth(), rows->UprightHeight(), screen))
      FitRowsInto(*rows, type, screen, out);
    else
      out.Save(*rows);
    return c.outputFile;
  }
  // The user's own BMP: checked, then copied, and only the copy is fitted.
  auto rows = OpenBitmapFile(c.imageFile);
  if (!Needs(type, rows->Width(), rows->Height(), screen)) return c.imageFile;
  if (CopyImageFile(c.imageFile, c.outputFile, c.showCopyError)) {
    FitOpened(*rows, type, screen, out);  // the copy holds exactly these rows
  } else {
    rows.reset();
    FitFileInPlace(c.outputFile, type, c.screen);  // whatever the output file holds
  }
  return c.outputFile;
}

platform::MonitorRect BoundingBox(const std::vector<platform::MonitorRect>& monitors) {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  for (const auto& m : monitors) {
    left = std::min(left, m.x);
    top = std::min(top, m.y);
    right = std::max(right, m.x + m.width);
    bottom = std::max(bottom, m.y + m.height);
  }
  return {left, top, right - left, bottom - top};
}

// The composed desktop as the output file's content.
std::string PrepareComposed(const WallpaperContext& c, const platform::ScreenLayout& layout, Output& out) {
  std::vector<std::string> images{c.imageFile};
  if (c.monitors == MonitorMode::EachMonitor)
    images.insert(images.end(), c.otherImageFiles.begin(), c.otherImageFiles.end());
  out.Save(ComposeDesktop(images, c.monitors, c.fillingType, layout, c.background));
  return c.outputFile;
}

// Center, Tile and Stretch: a JPEG or PNG converted into the output.
std::string PrepareConverted(const WallpaperContext& c, Output& out) {
  if (!out.keep || KindOfImage(c.imageFile) == ImageKind::Other) return PrepareWallpaperFile(c.imageFile, c.outputFile);
  out.Save(*OpenImageFile(c.imageFile));
  return c.outputFile;
}

// The work of PrepareWallpaper; with out.keep the output file may still be due
// (out.picture set).
PreparedWallpaper Prepare(const WallpaperContext& c, Output& out) {
  const FillingType type = c.fillingType;
  if (c.monitors != MonitorMode::OnePicture) {
    const platform::ScreenLayout layout = c.screen.Layout();
    if (!layout.monitors.empty() && layout.width > 0 && layout.height > 0)
      return {PrepareComposed(c, layout, out), WallpaperStyle::Spanned, out.picture};
  }
  const bool fitted = type == FillingType::ResizeToFit || type == FillingType::ShrinkToFit || FillsScreen(type);
  std::string file = fitted ? PrepareFitted(c, type, out) : PrepareConverted(c, out);
  if (file == c.imageFile && c.desktop && !c.desktop->TakesFileName(file)) {
    CopyImageFile(file, c.outputFile, [](const std::string& message) { throw std::runtime_error(message); });
    file = c.outputFile;
  }
  return {std::move(file), StyleFor(type), out.picture};
}

// Prepares and hands over. A desktop that takes the picture paints it while
// the output file is written beside it; the write is joined before we return,
// so whatever comes next (the watchdog's read-back, the next change, the end of
// the program) finds the file whole.
void Show(const WallpaperContext& c) {
  Output out{c.outputFile, c.desktop && c.desktop->TakesPictures()};
  // What the desktop painted ahead is dropped whatever happens, once handed
  // over (or not, after an error).
  struct Drop {
    platform::DesktopWallpaper* desktop = nullptr;
    ~Drop() {
      if (desktop) desktop->TakePicture({}, nullptr);
    }
  } drop;
  if (out.keep)
    out.follow = [&](std::shared_ptr<const Bitmap24> picture, std::shared_ptr<RowProgress> progress) {
      drop.desktop = c.desktop;
      c.desktop->SetBackgroundColour(c.background);
      c.desktop->PaintAhead(c.outputFile, StyleFor(c.fillingType), std::move(picture), std::move(progress));
    };
  const PreparedWallpaper p = Prepare(c, out);
  auto handOver = [&] {
    if (!c.desktop) return;
    c.desktop->SetBackgroundColour(c.background);
    SetDesktopWallpaper(*c.desktop, p.file, p.style, p.picture);
  };
  if (!out.picture) return handOver();
  AtomicFileWriter file(out.file);  // a refusal comes before anything is shown
  BackgroundTask write([&] {
    // The picture on the screen comes first: the file takes what the painter
    // and the display server leave of the processors.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
    SaveBitmapFile(*out.picture, file);
  });
  handOver();
  write.Wait();
}

}  // namespace

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  std::int64_t product = std::int64_t{a} * b;
  bool negative = (product < 0) != (c < 0);
  std::uint64_t p = product < 0 ? 0 - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
  std::uint64_t d = c < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(c)) : static_cast<std::uint64_t>(c);
  std::uint64_t q = (p + d / 2) / d;
  if (q > static_cast<std::uint64_t>(INT_MAX) + (negative ? 1 : 0)) return -1;
  return negative ? static_cast<int>(0 - static_cast<std::int64_t>(q)) : static_cast<int>(q);
}

FitSize FitToScreen(int w, int h, int screenWidth, int screenHeight) {
  const long double screenRatio = static_cast<long double>(screenWidth) / screenHeight;
  const long double imageRatio = static_cast<long double>(w) / h;
  FitSize s;
  if (screenRatio > imageRatio) {
    s = {MulDiv(screenHeight, w, h), screenHeight};
  } else {
    s = {screenWidth, MulDiv(screenWidth, h, w)};
  }
  // A 1 x 3000 image on a 1280 x 1024 screen would be 0 pixels wide.
  if (s.width < 1) s.width = 1;
  if (s.height < 1) s.height = 1;
  return s;
}

FitSize ZoomToScreen(int w, int h, int screenWidth, int screenHeight) {
  const long double screenRatio = static_cast<long double>(screenWidth) / screenHeight;
  const long double imageRatio = static_cast<long double>(w) / h;
  FitSize s;
  if (screenRatio > imageRatio) {
    s = {screenWidth, MulDiv(screenWidth, h, w)};
  } else {
    s = {MulDiv(screenHeight, w, h), screenHeight};
  }
  // A 1 x 3000 image on a wide screen would be millions of rows high.
  auto bound = [](int v, int least) { return v < 0 || v > kMaxZoomSide ? kMaxZoomSide : std::max(v, least); };
  return {bound(s.width, screenWidth), bound(s.height, screenHeight)};
}

void PlaceImage(ImageReader& rows, FillingType type, const PixelWindow& target, int threads,
                const RowsFinished& finished) {
  const int w = rows.UprightWidth(), h = rows.UprightHeight();
  const int W = target.width, H = target.height;
  auto centred = [&] { CopyRowsInto(rows, target, (W - w) / 2, (H - h) / 2); };
  // Fitted and centred; answers where it went. The rows above it keep theirs.
  auto fitted = [&](const RowsFinished& rowsFinished) {
    const FitSize f = FitToScreen(w, h, W, H);
    const PictureRect at{(W - f.width) / 2, (H - f.height) / 2, f.width, f.height};
    RowsFinished below;
    if (rowsFinished) below = [&](int done) { rowsFinished(at.y + done); };
    StretchInto(rows, target.Part(at.x, at.y, at.width, at.height), {f.width, f.height, 0, 0}, Lanczos3Filter, 3.0f,
                threads, below);
    return at;
  };
  if (target.Empty()) return centred();  // reads the rows all the same
  switch (type) {
    case FillingType::Center: return centred();
    case FillingType::Tile: return TileRowsInto(rows, target);
    case FillingType::Stretch:
      return StretchInto(rows, target, {W, H, 0, 0}, Lanczos3Filter, 3.0f, threads, finished);
    case FillingType::ShrinkToFit:
      if (w <= W && h <= H) return centred();
      [[fallthrough]];
    case FillingType::ResizeToFit:
      if (w == W && h == H) return centred();
      fitted(finished);
      return;
    case FillingType::FitBlurred:
      if (w == W && h == H) return centred();
      return FillAroundWithBlur(target, fitted({}), threads);
    case FillingType::Zoom: {
      if (w == W && h == H) return centred();
      const FitSize z = ZoomToScreen(w, h, W, H);
      return StretchInto(rows, target, {z.width, z.height, (z.width - W) / 2, (z.height - H) / 2}, Lanczos3Filter,
                         3.0f, threads, finished);
    }
  }
}

Bitmap24 ComposeDesktop(const std::vector<std::string>& images, MonitorMode mode, FillingType type,
                        const platform::ScreenLayout& layout, std::uint32_t background) {
  Bitmap24 desktop(layout.width, layout.height, static_cast<std::uint8_t>(background >> 16),
                   static_cast<std::uint8_t>(background >> 8), static_cast<std::uint8_t>(background));
  if (images.empty() || layout.monitors.empty() || desktop.Empty()) return desktop;
  struct Part {
    std::string image;
    platform::MonitorRect area;
  };
  std::vector<Part> parts;
  if (mode == MonitorMode::Span) {
    parts.push_back({images.front(), BoundingBox(layout.monitors)});
  } else {
    for (std::size_t i = 0; i < layout.monitors.size(); ++i)
      parts.push_back({images[i % images.size()], layout.monitors[i]});
  }
  // Each part on a thread of its own, each decoding as it resamples: two
  // monitors keep two cores busy. A part beyond the desktop is cut off; the
  // bounding box may reach past it, so the placement is worked out on the whole
  // area and only the desktop's part of it kept.
  RunSideBySide(parts.size(), [&](std::size_t i) {
    const Part& p = parts[i];
    if (!FileExists(p.image)) return;
    auto rows = OpenImageFile(p.image);
    const platform::MonitorRect& a = p.area;
    const PixelWindow window = desktop.Window(a.x, a.y, a.width, a.height);
    if (window.width == a.width && window.height == a.height) {
      PlaceImage(*rows, type, window, parts.size() > 1 ? 1 : 0);
    } else {
      Bitmap24 whole(a.width, a.height, static_cast<std::uint8_t>(background >> 16),
                     static_cast<std::uint8_t>(background >> 8), static_cast<std::uint8_t>(background));
      PlaceImage(*rows, type, whole.Whole(), parts.size() > 1 ? 1 : 0);
      for (int y = 0; y < window.height; ++y)
        std::memcpy(window.Row(y), whole.Row(std::max(0, -a.y) + y) + 3 * static_cast<std::size_t>(std::max(0, -a.x)),
                    3 * static_cast<std::size_t>(window.width));
    }
  });
  return desktop;
}

bool NeedsResizeToFit(const std::string& file, platform::Screen& screen) {
  if (!FileExists(file)) return false;
  auto rows = OpenBitmapFile(file);
  return Needs(FillingType::ResizeToFit, rows->Width(), rows->Height(), screen.PrimaryScreenSize());
}

bool NeedsShrinkToFit(const std::string& file, platform::Screen& screen) {
  if (!FileExists(file)) return false;
  auto rows = OpenBitmapFile(file);
  return Needs(FillingType::ShrinkToFit, rows->Width(), rows->Height(), screen.PrimaryScreenSize());
}

void FitBitmapFileToScreen(const std::string& file, platform::Screen& screen) {
  FitFileInPlace(file, FillingType::ResizeToFit, screen);
}

bool CopyImageFile(const std::string& source, const std::string& target,
                   const std::function<void(const std::string& message)>& showError) {
  try {
    ReadOnlyFile<ImageError> in(source);
    AtomicFileWriter out(target);
    std::vector<char> buffer(1 << 20);
    for (std::uint64_t at = 0;;) {
      std::size_t n = in.ReadAt(at, buffer.data(), buffer.size());
      if (n == 0) break;
      out.Write(buffer.data(), n);
      at += n;
    }
    out.Commit();
    return true;
  } catch (const std::exception&) {
    if (showError) showError(FormatText(S(kCannotCopyFile), {BaseName(source)}));
    return false;
  }
}

PreparedWallpaper PrepareWallpaper(const WallpaperContext& c) {
  Output out{c.outputFile, c.desktop && c.desktop->TakesPictures()};
  PreparedWallpaper p = Prepare(c, out);
  if (out.picture) SaveBitmapFile(*out.picture, out.file);
  return p;
}

void ApplyWallpaper(const WallpaperContext& c) {
  if (FileExists(c.imageFile)) Show(c);
}

}  // namespace toviwall
