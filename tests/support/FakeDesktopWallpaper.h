#pragma once
// A desktop that records what it is handed, for the wallpaper code and the
// windows alike; plain C++, so tests without Qt use it too.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/DesktopWallpaper.h"

namespace toviwall::test {

class FakeDesktopWallpaper final : public platform::DesktopWallpaper {
 public:
  void WriteValues(const std::string& file, platform::WallpaperStyle style) override {
    written.push_back({file, style});
    pictures.push_back(taken);
    shown = file.empty() ? std::nullopt : std::optional<std::string>(file);
  }
  void Reload() override {
    ++reloads;
    AnnounceSettingsChange();
  }
  std::optional<std::string> ReadWallpaper() override { return shown; }
  bool SpansMonitors() const override { return spans; }
  void SetBackgroundColour(std::uint32_t colour) override { background = colour; }
  bool TakesFileName(const std::string& file) const override {
    return takesName ? takesName(file) : DesktopWallpaper::TakesFileName(file);
  }
  bool TakesPictures() const override { return takesPictures; }
  void TakePicture(const std::string&, std::shared_ptr<const Bitmap24> picture) override { taken = std::move(picture); }
  void PaintAhead(const std::string&, platform::WallpaperStyle, std::shared_ptr<const Bitmap24> picture,
                  std::shared_ptr<RowProgress> progress) override {
    ahead = std::move(picture);
    aheadProgress = std::move(progress);
  }

  struct Values {
    std::string file;
    platform::WallpaperStyle style;
    bool operator==(const Values&) const = default;
  };
  std::vector<Values> written;
  std::optional<std::string> shown;  // what the desktop shows; another program may change it
  int reloads = 0;
  bool spans = true;  // lays one picture across the monitors
  std::uint32_t background = 0;
  bool takesPictures = false;  // paints from pixels in hand
  std::vector<std::shared_ptr<const Bitmap24>> pictures;  // the pixels in hand at each write, or null
  std::shared_ptr<const Bitmap24> taken;
  std::shared_ptr<const Bitmap24> ahead;  // the last picture shown while it was made
  std::shared_ptr<RowProgress> aheadProgress;
  std::function<bool(const std::string&)> takesName;  // empty: valid UTF-8
};

}  // namespace toviwall::test
