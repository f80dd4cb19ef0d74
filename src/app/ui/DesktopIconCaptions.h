#pragma once
// The desktop icons as the settings want them: hidden or shown, their
// captions in the chosen colour, on a transparent background when that is on.
// The Desktop page changes them; the change timer's watchdog, the desktop's
// settings-change announcement and a display-mode switch bring them back.
#include <cstdint>

namespace toviwall {
namespace platform {
class DesktopIcons;
}
class Settings;

class DesktopIconCaptions {
 public:
  DesktopIconCaptions(platform::DesktopIcons& icons, Settings& settings) : icons_(icons), settings_(settings) {}

  // Hidden or shown as stored.
  void ApplyHidden();
  // The stored colour (else the view's own) becomes the chosen one; and is applied.
  void ReadStoredColour();
  void ApplyStoredColour();
  // A colour the user chose: applied and stored.
  void ChooseColour(std::uint32_t colour);
  std::uint32_t Chosen() const { return chosen_; }
  // With transparent captions on, they are applied again (the desktop may
  // have redrawn them).
  void ReapplyText();
  // The watchdog: the chosen colour back where the desktop lost it.
  void KeepTextColour();

 private:
  void Apply(std::uint32_t colour);

  platform::DesktopIcons& icons_;
  Settings& settings_;
  std::uint32_t chosen_ = 0xFFFFFF;
};

}  // namespace toviwall
