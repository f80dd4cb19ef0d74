#pragma once
// pcmanfm's and pcmanfm-qt's desktop icons: hidden through their settings
// (pcmanfm: show_documents, show_trash, show_mounts, and an empty folder of
// ours in place of the desktop folder; pcmanfm-qt: HideItems),
// captions coloured by their text and shadow colours. Both read these only
// when their desktop starts and write their whole settings back from memory,
// so a change ends the desktop, writes the file and starts it again; a
// desktop whose process also shows file manager windows is left alone.
#include <map>
#include <optional>
#include <string>

#include "platform/DesktopIcons.h"
#include "platform/lxde/PcmanfmConfig.h"

namespace toviwall::platform {

class PcmanfmDesktopIcons final : public DesktopIcons {
 public:
  PcmanfmDesktopIcons(PcmanfmKind kind, std::string display) : kind_(kind), display_(std::move(display)) {}

  void SetHidden(bool hidden) override;
  // The text colour in the settings file; white when it has none.
  std::uint32_t TextColor() override;
  // The text colour; with `transparentBack` a shadow that sets the captions off
  // any wallpaper (black under light text, white under dark).
  void ApplyTextColor(std::uint32_t colour, bool transparentBack) override;

 private:
  // Writes the values unless the settings hold them already, restarting the
  // desktop when it runs.
  void Apply(const KeyFileValues& values);
  // The running desktop; while it restarts, the profile it last had.
  PcmanfmDesktop Desktop();
  PcmanfmKind kind_;
  std::optional<PcmanfmDesktop> last_;
  std::string display_;
};

// The shadow for captions in a colour: black under light text, white under dark.
std::uint32_t ShadowFor(std::uint32_t textColour);

}  // namespace toviwall::platform
