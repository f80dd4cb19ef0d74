#pragma once
// The desktop's wallpaper values and its reload, as the wallpaper code expects
// them: five values written in a fixed order, a reload that makes the desktop
// show them (and announces the change), and a read-back of the file shown.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/RowProgress.h"
#include "base/Utf8.h"
#include "image/Bitmap.h"

namespace toviwall::platform {

// How the desktop lays the picture out; the numbers are the "WallpaperStyle" text.
// Spanned: one picture the size of the whole desktop, laid across all monitors
// as it is (stored as "22").
enum class WallpaperStyle { Centred = 0, Tiled = 1, Stretched = 2, Spanned = 22 };

class DesktopWallpaper {
 public:
  virtual ~DesktopWallpaper() = default;

  // Writes, in this order: "Wallpaper" (the file; empty for none), "TileWallpaper"
  // ("1" when tiled, else "0"), "WallpaperStyle" (the style's number as text),
  // "WallpaperOriginX" ("0"), "WallpaperOriginY" ("0").
  virtual void WriteValues(const std::string& file, WallpaperStyle style) = 0;

  // The desktop shows what the values say; then the settings-change listener runs.
  virtual void Reload() = 0;

  // The "Wallpaper" value the desktop holds now; nullopt when there is none.
  virtual std::optional<std::string> ReadWallpaper() = 0;


  // Whether the desktop can be handed this file under its name. Most keep the
  // name as text (settings, D-Bus, command lines), which must be valid UTF-8:
  // other bytes would reach them as another name.
  virtual bool TakesFileName(const std::string& file) const { return IsValidUtf8(file); }

  // Whether the desktop can lay one picture across all monitors (Spanned).
  virtual bool SpansMonitors() const { return false; }
  // The colour shown around a centred picture (a colour value: red in the low
  // byte); only where we paint the desktop ourselves, from the next reload on.
  virtual void SetBackgroundColour(std::uint32_t) {}

  // Whether Reload can show pixels in hand (TakePicture) instead of reading the
  // file; then the file may still be being written while the desktop paints.
  // A desktop that reads the file itself answers false and ignores pictures.
  virtual bool TakesPictures() const { return false; }
  // The pixels `file` holds, or will hold once its write ends, for the next
  // Reload of that file only (the reload lets go of them); null withdraws them.
  virtual void TakePicture(const std::string& /*file*/, std::shared_ptr<const Bitmap24> /*picture*/) {}
  // A picture still being made for `file` in `style`, its rows final from the
  // top down as `progress` says: a desktop that paints may begin on them at
  // once, beside the making. What it paints serves only the next Reload of
  // that file and style with these very pixels taken (TakePicture) and the
  // same background colour; TakePicture(…, null) drops it. Others ignore it.
  virtual void PaintAhead(const std::string& /*file*/, WallpaperStyle /*style*/,
                          std::shared_ptr<const Bitmap24> /*picture*/, std::shared_ptr<RowProgress> /*progress*/) {}

  // Runs after every reload (the system's settings-change broadcast).
  void SetSettingsChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

 protected:
  void AnnounceSettingsChange() {
    if (listener_) listener_();
  }

 private:
  std::function<void()> listener_;
};

}  // namespace toviwall::platform
