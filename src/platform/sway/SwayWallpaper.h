#pragma once
// The wallpaper of sway: each output gets a picture of its own size, composed
// here from what the painter would paint, written as PNG into a folder of
// ours and handed over with "output NAME bg FILE stretch"; None is the
// background colour ("solid_color"). sway has no way to tell which background
// it shows and forgets ours when it reloads its configuration, so we remember
// what we set, set it again after a reload, and answer it as shown.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>

#include "platform/DesktopWallpaper.h"
#include "platform/PictureInHand.h"
#include "platform/sway/SwaySession.h"

namespace toviwall::platform {

class SwayWallpaper final : public QObject, public DesktopWallpaper {
 public:
  // `folder` holds the pictures; it is made when missing.
  SwayWallpaper(std::shared_ptr<SwaySession> session, std::string folder);

  void WriteValues(const std::string& file, WallpaperStyle style) override;
  // Composes and hands over the values last written. Throws with the reason
  // when sway or the folder refuses; a picture that cannot be read shows the
  // background colour, as a desktop shows a file it cannot read.
  void Reload() override;
  std::optional<std::string> ReadWallpaper() override { return shown_; }
  bool SpansMonitors() const override { return true; }
  void SetBackgroundColour(std::uint32_t colour) override {
    background_ = (colour & 0xff) << 16 | (colour & 0xff00) | (colour >> 16 & 0xff);
  }
  bool TakesPictures() const override { return true; }
  void TakePicture(const std::string& file, std::shared_ptr<const Bitmap24> picture) override;

 private:
  struct Values {
    std::string file;
    WallpaperStyle style;
  };
  void Show(const Values& values, const Bitmap24* inHand);
  // Sends the commands of the last change again, for outputs sway still has.
  void Reapply();
  void OutputsChanged();

  std::shared_ptr<SwaySession> session_;
  std::string folder_;
  std::uint32_t background_ = 0x000000;
  std::optional<Values> written_;
  std::optional<Values> applied_;
  std::optional<std::string> shown_;
  std::vector<std::pair<std::string, std::string>> commands_;  // output, its command
  PictureInHand inHand_;
  unsigned long serial_ = 0;
};

}  // namespace toviwall::platform
