#pragma once
// Making an entry of the image list the desktop wallpaper, by filling type:
// "Center", "Tile" and "Stretch" hand the image over as it is (as a BMP file);
// "Resize to Fit" and "Shrink to Fit" first rescale it to the primary screen
// with its aspect ratio kept and hand it over centred; "Zoom" rescales it to
// cover the screen and cuts what overflows; "Fit with blurred background" fits
// it and fills the rest of the screen with a blurred, zoomed copy of it. With a
// picture on each monitor, or one across all of them, one picture of the whole
// desktop is composed instead. Pictures are shown upright (EXIF orientation).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/Bitmap.h"
#include "image/ImageReader.h"
#include "image/MyStretch.h"
#include "platform/DesktopWallpaper.h"
#include "platform/Screen.h"
#include "wallpaper/FillingType.h"

namespace toviwall {

// a * b / c with a 64-bit product, rounded to the nearest integer, halves away
// from zero; -1 when c is 0 or the result does not fit in 32 bits.
int MulDiv(int a, int b, int c);

struct FitSize {
  int width = 0;
  int height = 0;
  bool operator==(const FitSize&) const = default;
};
// The size an image of w x h takes on a W x H screen: touching two opposite edges,
// aspect ratio kept. Never 0: an extreme ratio still gives at least one pixel.
FitSize FitToScreen(int w, int h, int screenWidth, int screenHeight);
// The size an image of w x h takes when it covers a W x H screen with its aspect
// ratio kept: touching two opposite edges, overflowing the other two (at least
// the screen's size, at most 2^24 pixels a side).
FitSize ZoomToScreen(int w, int h, int screenWidth, int screenHeight);

// The image placed by the filling type into `target`, at the target's size:
// Center unscaled and centred, Tile from the top-left corner, Stretch over all
// of it, the fitting types fitted and centred, Zoom covering it, centred and
// cut, FitBlurred fitted on its blurred zoomed copy; what the image leaves
// uncovered keeps its pixels. The image is turned upright (its Turn()).
// Rescaling is Lanczos3; `threads` 0: as many as pay. Reads the image to its end.
// `finished` hears of the target's rows that are final, from the top, where the
// rescaling makes them in that order (not for FitBlurred nor a turned image).
void PlaceImage(ImageReader& rows, FillingType type, const PixelWindow& target, int threads = 0,
                const RowsFinished& finished = {});

// The picture of the whole desktop (`layout`'s size, `background` around the
// pictures, a colour value): with EachMonitor images[i] on monitor i (the list
// repeating when it is shorter), with Span images[0] over the monitors'
// bounding box, each placed by the filling type at that size. An image that no
// longer exists leaves its monitor the background colour; one that cannot be
// read throws ImageError. The images are decoded side by side.
Bitmap24 ComposeDesktop(const std::vector<std::string>& images, MonitorMode mode, FillingType type,
                        const platform::ScreenLayout& layout, std::uint32_t background);

// False when the file does not exist; otherwise opens it as a BMP file (which
// checks the whole file, throwing ImageError when it is damaged) and answers
// whether its size differs from the screen's (Resize) or exceeds it in width or
// height (Shrink). A screen reporting no size never asks for fitting.
bool NeedsResizeToFit(const std::string& file, platform::Screen& screen);
bool NeedsShrinkToFit(const std::string& file, platform::Screen& screen);

// Rescales the BMP file in place with Lanczos3 to FitToScreen's size; does nothing
// when the file does not exist, and leaves it unwritten when it already has the
// screen's size.
void FitBitmapFileToScreen(const std::string& file, platform::Screen& screen);

// Copies source over target (atomically). On failure shows string 10091 ("Cannot
// copy the file %s.", with source's name) through showError and answers false.
bool CopyImageFile(const std::string& source, const std::string& target,
                   const std::function<void(const std::string& message)>& showError);

// What reaches the desktop for the context's image, filling type and screen, with
// the work done: the wallpaper file (the image itself, or the output file after
// conversion and fitting, or the composed desktop) and the style (Spanned for a
// composed desktop). `picture` holds the output file's pixels, exactly as
// written to it, when the desktop takes pictures and they were made here; else null.
struct PreparedWallpaper {
  std::string file;
  WallpaperStyle style = WallpaperStyle::Centred;
  std::shared_ptr<const Bitmap24> picture{};
};

struct WallpaperContext {
  std::string imageFile{};   // the list entry's full path
  FillingType fillingType = FillingType::Stretch;
  std::string outputFile{};  // the output wallpaper file
  platform::Screen& screen;
  // The desktop the wallpaper goes to. A desktop that paints from pixels in
  // hand gets them, and the output file is written while it paints (complete
  // before ApplyWallpaper ends); a BMP whose name it cannot take reaches it as
  // a copy in the output file. Null: prepared for no desktop (any name).
  platform::DesktopWallpaper* desktop = nullptr;
  // The copy failure's message box.
  std::function<void(const std::string& message)> showCopyError{};
  // With EachMonitor or Span the picture of the whole desktop is composed:
  // imageFile on the first monitor (or across all), otherImageFiles on the
  // next ones; background is the colour around pictures.
  MonitorMode monitors = MonitorMode::OnePicture;
  std::vector<std::string> otherImageFiles{};
  std::uint32_t background = 0;
};

// The image file must exist. The output file is complete when this returns.
PreparedWallpaper PrepareWallpaper(const WallpaperContext& context);

// Applies the entry: prepares the wallpaper file (converting JPEG and PNG into
// the output file, fitting for "Resize to Fit" and "Shrink to Fit", never
// rewriting the user's own BMP) and hands it to the context's desktop, with
// the colour around pictures. An image file that is missing leaves the
// desktop alone. A decoding error propagates (ImageError) before anything is
// handed over; so does an output file that cannot be written, except that a
// desktop taking the picture may already show it when the write fails midway
// (a full disk). Nothing is stored: what became the wallpaper is the caller's.
void ApplyWallpaper(const WallpaperContext& context);

}  // namespace toviwall
