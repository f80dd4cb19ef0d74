#pragma once
// xfdesktop's icons: /desktop-icons/style in the channel xfce4-desktop (0 none,
// 1 minimised windows, 2 files and launchers). It has no caption colour setting.
#include "platform/DesktopIcons.h"
#include "platform/xfce/Xfconf.h"

namespace toviwall::platform {

class XfceDesktopIcons final : public DesktopIcons {
 public:
  XfceDesktopIcons() : desktop_("xfce4-desktop") {}
  // Raises xfconf's own message.
  void SetHidden(bool hidden) override;
  std::string CannotColourReason() const override { return "xfdesktop has no setting for its captions' colour."; }
  std::uint32_t TextColor() override { return kWhiteColour; }
  void ApplyTextColor(std::uint32_t, bool) override {}

 private:
  XfconfChannel desktop_;
};

}  // namespace toviwall::platform
