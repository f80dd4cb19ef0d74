#pragma once
// Desktop icons a file manager draws while a boolean key of its schema says so:
// caja's org.mate.background show-desktop-icons, nemo's org.nemo.desktop
// show-desktop-icons. Neither has a caption colour setting.
#include "platform/DesktopIcons.h"

namespace toviwall::platform {

struct IconsKey {
  const char* schema;
  const char* key;
};
inline constexpr IconsKey kCajaIcons{"org.mate.background", "show-desktop-icons"};
inline constexpr IconsKey kNemoIcons{"org.nemo.desktop", "show-desktop-icons"};

class GSettingsDesktopIcons final : public DesktopIcons {
 public:
  explicit GSettingsDesktopIcons(IconsKey key) : key_(key) {}
  // Nothing when the schema or key is not installed; raises gsettings' message.
  void SetHidden(bool hidden) override;
  std::uint32_t TextColor() override { return kWhiteColour; }
  void ApplyTextColor(std::uint32_t, bool) override {}

 private:
  IconsKey key_;
};

}  // namespace toviwall::platform
