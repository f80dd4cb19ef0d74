#pragma once
// Making an entry of the image list the desktop wallpaper, by filling type:
// "Center", "Tile" and "Stretch" hand the image over as it is (as a BMP file);
// "Resize to Fit" and "Shrink to Fit" first rescale it to the primary screen
// with its aspect ratio kept and hand it over centred.
#include <functional>
#include <memory>
#include <string>

#include "image/Bitmap.h"
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
// conversion and fitting) and the style. `picture` holds the output file's
// pixels, exactly as written to it, when the desktop takes pictures
// (WallpaperContext::desktopTakesPicture) and they were made here; else null.
struct PreparedWallpaper {
  std::string file;
  WallpaperStyle style = WallpaperStyle::Centred;
  std::shared_ptr<const Bitmap24> picture{};
};

struct WallpaperContext {
  std::string imageFile{};   // the list entry's full path
  int index = 0;           // its position in the list
  FillingType fillingType = FillingType::Stretch;
  std::string outputFile{};  // the output wallpaper file
  std::string settingsFile{};
  platform::Screen& screen;
  // Hands the file (and the picture, when at hand) to the desktop.
  std::function<void(const PreparedWallpaper& wallpaper)> setDesktop{};
  // The copy failure's message box.
  std::function<void(const std::string& message)> showCopyError{};
  // The current date-time for "LastChange"; empty: the local clock.
  std::function<double()> now{};
  // The desktop paints from pixels in hand: they are kept for it, and the
  // output file is written while it paints (complete before ApplyWallpaper ends).
  bool desktopTakesPicture = false;
};

// The image file must exist. The output file is complete when this returns.
PreparedWallpaper PrepareWallpaper(const WallpaperContext& context);

// Applies the entry: prepares the wallpaper file (converting JPEG and PNG into
// the output file, fitting for "Resize to Fit" and "Shrink to Fit", never
// rewriting the user's own BMP), hands it to the desktop, then stores
// "CurrentIndex" and "LastChange" in section "WallPaper" -- also when the image
// file is missing. A decoding error propagates (ImageError) before anything is
// handed over or stored; so does an output file that cannot be written, except
// that a desktop taking the picture may already show it when the write fails
// midway (a full disk).
void ApplyWallpaper(const WallpaperContext& context);

}  // namespace toviwall
