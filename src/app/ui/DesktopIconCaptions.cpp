#include "app/ui/DesktopIconCaptions.h"

#include "base/Settings.h"
#include "platform/DesktopIcons.h"

namespace toviwall {

void DesktopIconCaptions::ApplyHidden() { icons_.SetHidden(settings_.Get(keys::HideDesktopIcon)); }

void DesktopIconCaptions::ReadStoredColour() {
  chosen_ = static_cast<std::uint32_t>(settings_.Get(keys::CurColor, static_cast<std::int32_t>(icons_.TextColor())));
}

void DesktopIconCaptions::ApplyStoredColour() {
  ReadStoredColour();
  Apply(chosen_);
}

void DesktopIconCaptions::ChooseColour(std::uint32_t colour) {
  chosen_ = colour;
  Apply(chosen_);
  settings_.Set(keys::CurColor, static_cast<std::int32_t>(chosen_));
}

void DesktopIconCaptions::ReapplyText() {
  if (settings_.Get(keys::Transparent)) icons_.ApplyTextColor(chosen_, true);
}

void DesktopIconCaptions::KeepTextColour() {
  if (icons_.TextColor() == chosen_) return;
  Apply(chosen_);
  settings_.Set(keys::CurColor, static_cast<std::int32_t>(chosen_));
}

void DesktopIconCaptions::Apply(std::uint32_t colour) { icons_.ApplyTextColor(colour, settings_.Get(keys::Transparent)); }

}  // namespace toviwall
