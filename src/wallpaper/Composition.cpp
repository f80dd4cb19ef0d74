#include "wallpaper/Composition.h"

#include <climits>
#include <cstdlib>
#include <vector>

#include "base/AtomicFile.h"
#include "base/BackgroundTask.h"
#include "base/DateTime.h"
#include "base/Settings.h"
#include "base/UnitLanguage.h"
#include "image/BitmapFile.h"
#include "base/FileHandle.h"
#include "image/ImageConvert.h"
#include "image/MyStretch.h"

namespace toviwall {
namespace {

constexpr int kCannotCopyFile = 10091;

bool HasSize(const platform::ScreenSize& s) { return s.width >= 1 && s.height >= 1; }

bool Needs(FillingType type, int w, int h, const platform::ScreenSize& s) {
  if (!HasSize(s)) return false;
  if (type == FillingType::ResizeToFit) return w != s.width || h != s.height;
  return w > s.width || h > s.height;
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

  void Save(Bitmap24 pixels) {
    if (keep) picture = std::make_shared<const Bitmap24>(std::move(pixels));
    else SaveBitmapFile(pixels, file);
  }
  void Save(ImageReader& rows) {
    if (keep) Save(ReadRemainingRows(rows));
    else SaveBitmapFile(rows, file);
  }
};

// The fitted image from rows of any decoder, as the output file's content.
void FitRowsInto(ImageReader& rows, const platform::ScreenSize& screen, Output& out) {
  FitSize size = FitToScreen(rows.Width(), rows.Height(), screen.width, screen.height);
  Bitmap24 target(size.width, size.height);
  Stretch(rows, target, Lanczos3Filter, 3.0f);
  out.Save(std::move(target));
}

// Fitting the output in place, from an opened reader of its content.
void FitOpened(ImageReader& rows, const platform::ScreenSize& screen, Output& out) {
  if (!HasSize(screen) || (rows.Width() == screen.width && rows.Height() == screen.height)) return;
  FitRowsInto(rows, screen, out);
}

// The fitting types: the wallpaper file, converted and fitted.
// Pixels go from the decoder through the resampler straight into the output
// file; the full-size conversion the fitting would overwrite is never written.
std::string PrepareFitted(const WallpaperContext& c, FillingType type, Output& out) {
  const platform::ScreenSize screen = c.screen.PrimaryScreenSize();
  const ImageKind kind = KindOfImage(c.imageFile);
  if (kind != ImageKind::Other) {
    auto rows = kind == ImageKind::Jpeg ? OpenJpegFile(c.imageFile) : OpenPngFile(c.imageFile);
    if (Needs(type, rows->Width(), rows->Height(), screen))
      FitRowsInto(*rows, screen, out);
    else
      out.Save(*rows);
    return c.outputFile;
  }
  // The user's own BMP: checked, then copied, and only the copy is fitted.
  auto rows = OpenBitmapFile(c.imageFile);
  if (!Needs(type, rows->Width(), rows->Height(), screen)) return c.imageFile;
  if (CopyImageFile(c.imageFile, c.outputFile, c.showCopyError)) {
    FitOpened(*rows, screen, out);  // the copy holds exactly these rows
  } else {
    rows.reset();
    FitBitmapFileToScreen(c.outputFile, c.screen);  // whatever the output file holds
  }
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
  const bool fitted = type == FillingType::ResizeToFit || type == FillingType::ShrinkToFit;
  std::string file = fitted ? PrepareFitted(c, type, out) : PrepareConverted(c, out);
  return {std::move(file), StyleFor(type), out.picture};
}

// Prepares and hands over. A desktop that takes the picture paints it while
// the output file is written beside it; the write is joined before we return,
// so whatever comes next (the watchdog's read-back, the next change, the end of
// the program) finds the file whole.
void Show(const WallpaperContext& c) {
  Output out{c.outputFile, c.desktopTakesPicture};
  const PreparedWallpaper p = Prepare(c, out);
  if (!out.picture) {
    if (c.setDesktop) c.setDesktop(p);
    return;
  }
  AtomicFileWriter file(out.file);  // a refusal comes before anything is shown
  BackgroundTask write([&] { SaveBitmapFile(*out.picture, file); });
  if (c.setDesktop) c.setDesktop(p);
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
  if (!FileExists(file)) return;
  auto rows = OpenBitmapFile(file);
  Output out{file};
  FitOpened(*rows, screen.PrimaryScreenSize(), out);
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
  Output out{c.outputFile, c.desktopTakesPicture};
  PreparedWallpaper p = Prepare(c, out);
  if (out.picture) SaveBitmapFile(*out.picture, out.file);
  return p;
}

void ApplyWallpaper(const WallpaperContext& c) {
  if (FileExists(c.imageFile)) Show(c);
  Write(c.settingsFile, keys::CurrentIndex, c.index);
  Write(c.settingsFile, keys::LastChange, c.now ? c.now() : NowLocal());
}

}  // namespace toviwall
