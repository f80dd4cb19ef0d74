#pragma once
// The wallpaper of a wlroots compositor other than sway (no sway IPC, but
// layer-shell surfaces): swaybg paints each output's picture, composed here at
// the output's size, on the background layer. One swaybg for all outputs,
// replaced at each change; it outlives the program, as a desktop's wallpaper
// does, and the next start replaces it (its process id is kept beside the
// pictures).
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>

#include "platform/DesktopWallpaper.h"
#include "platform/PictureInHand.h"
#include "platform/Screen.h"

namespace toviwall::platform {

struct NamedOutput {
  std::string name;
  MonitorRect rect;  // in the desktop, whose top-left corner is (0, 0)
};

// Whether the compositor WAYLAND_DISPLAY names offers wlr-layer-shell.
bool HasLayerShell();
// The outputs as Qt's Wayland platform knows them.
std::vector<NamedOutput> QtOutputs();

class SwaybgWallpaper final : public QObject, public DesktopWallpaper {
 public:
  using Outputs = std::function<std::vector<NamedOutput>()>;
  SwaybgWallpaper(Outputs outputs, std::string folder, std::string program = "swaybg");
  // The swaybg showing the wallpaper stays; one it replaces ends now.
  ~SwaybgWallpaper() override;

  void WriteValues(const std::string& file, WallpaperStyle style) override { written_ = Values{file, style}; }
  // Starts swaybg with the values last written; throws when it cannot start.
  void Reload() override;
  // What we handed over, while our swaybg runs.
  std::optional<std::string> ReadWallpaper() override;
  bool SpansMonitors() const override { return true; }
  void SetBackgroundColour(std::uint32_t colour) override {
    background_ = (colour & 0xff) << 16 | (colour & 0xff00) | (colour >> 16 & 0xff);
  }
  bool TakesPictures() const override { return true; }
  void TakePicture(const std::string& file, std::shared_ptr<const Bitmap24> picture) override {
    inHand_.Take(file, std::move(picture));
  }

 private:
  struct Values {
    std::string file;
    WallpaperStyle style;
  };
  bool Ours(pid_t pid) const;
  void EndReplaced();

  Outputs outputs_;
  std::string folder_;
  std::string program_;
  std::uint32_t background_ = 0x000000;
  std::optional<Values> written_;
  std::optional<std::string> shown_;
  pid_t running_ = 0;
  std::vector<pid_t> replaced_;  // ended once the new one has had time to draw
  PictureInHand inHand_;
  unsigned long serial_ = 0;
};

}  // namespace toviwall::platform
