#pragma once
// Desktop icons a file manager draws while a boolean key of its schema says so:
// caja's org.mate.background show-desktop-icons, nemo's org.nemo.desktop
// show-desktop-icons. Neither has a caption colour setting.
#include <string>

#include "platform/DesktopIcons.h"

namespace toviwall::platform {

struct IconsKey {
  const char* schema;
  const char* key;
  // The program that draws the desktop. It ends when its icons are hidden
  // (caja, with no window open), so showing them starts it again when needed.
  const char* program;
  const char* arguments[2];
};
inline constexpr IconsKey kCajaIcons{"org.mate.background", "show-desktop-icons", "caja",
                                     {"--no-default-window", "--force-desktop"}};
inline constexpr IconsKey kNemoIcons{"org.nemo.desktop", "show-desktop-icons", "nemo-desktop", {}};

class GSettingsDesktopIcons final : public DesktopIcons {
 public:
  GSettingsDesktopIcons(IconsKey key, std::string display) : key_(key), display_(std::move(display)) {}
  // Nothing when the schema or key is not installed; raises gsettings' message.
  void SetHidden(bool hidden) override;
  std::string CannotColourReason() const override {
    return std::string(key_.program) + " has no setting for its desktop captions' colour.";
  }
  std::uint32_t TextColor() override { return kWhiteColour; }
  void ApplyTextColor(std::uint32_t, bool) override {}

 private:
  IconsKey key_;
  std::string display_;
};

}  // namespace toviwall::platform
