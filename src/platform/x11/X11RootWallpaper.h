#pragma once
// The desktop of a plain X session: we paint the wallpaper onto a pixmap of the
// root window's size ourselves, make it the root background and publish it the
// way other root-pixmap setters and pseudo-transparent programs expect
// (_XROOTPMAP_ID, ESETROOT_PMAP_ID). The five values also live as properties of
// the root window, so they outlast the program like the pixmap does, but we
// paint from the values we were given: another program may change the
// properties in between.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/DesktopWallpaper.h"
#include "platform/PictureInHand.h"

struct _XDisplay;

namespace toviwall::platform {

struct RootConnectionCloser {
  void operator()(_XDisplay* d) const;  // XCloseDisplay
};
using RootConnection = std::unique_ptr<_XDisplay, RootConnectionCloser>;

// Names of the root-window properties that hold the five values, in their order.
inline constexpr const char* kRootValueProperties[5] = {
    "_TOVIWALL_Wallpaper", "_TOVIWALL_TileWallpaper", "_TOVIWALL_WallpaperStyle",
    "_TOVIWALL_WallpaperOriginX", "_TOVIWALL_WallpaperOriginY"};

class X11RootWallpaper final : public DesktopWallpaper {
 public:
  // `display` empty: $DISPLAY. `background` is 0xRRGGBB, what shows around a
  // centred picture and when there is none.
  explicit X11RootWallpaper(std::string display, std::uint32_t background = 0x000000);
  ~X11RootWallpaper() override;

  // Without a display nothing is written; an X error is raised as an error.
  void WriteValues(const std::string& file, WallpaperStyle style) override;
  // Paints the values last written and publishes them (nothing before the first
  // write); an unreadable picture leaves the background colour, as a desktop
  // shows a file it cannot read. Pixels taken for the file are painted as they
  // are, without reading the file.
  void Reload() override;
  bool TakesPictures() const override { return true; }
  // We read the file ourselves: any name will do.
  bool TakesFileName(const std::string&) const override { return true; }
  void TakePicture(const std::string& file, std::shared_ptr<const Bitmap24> picture) override;
  // Paints the picture onto a pixmap of its own on another thread as its rows
  // come; the reload that shows it only publishes that pixmap.
  void PaintAhead(const std::string& file, WallpaperStyle style, std::shared_ptr<const Bitmap24> picture,
                  std::shared_ptr<RowProgress> progress) override;
  // The "Wallpaper" property while the root shows the pixmap we set; nullopt once
  // another program has set the root background (or before we ever did).
  std::optional<std::string> ReadWallpaper() override;
  bool SpansMonitors() const override { return true; }
  // A colour value (red in the low byte).
  void SetBackgroundColour(std::uint32_t colour) override {
    background_ = (colour & 0xff) << 16 | (colour & 0xff00) | (colour >> 16 & 0xff);
  }

 private:
  struct Values {
    std::string file;
    WallpaperStyle style;
  };
  std::string display_;
  std::uint32_t background_;
  std::optional<Values> written_;
  // The connection the values went through, kept for the reload that follows
  // (each picture is painted through a connection of its own, which its
  // replacement ends; opening one costs a few milliseconds of the change).
  RootConnection connection_;
  PictureInHand inHand_;
  struct Ahead;
  std::unique_ptr<Ahead> ahead_;
};

}  // namespace toviwall::platform
