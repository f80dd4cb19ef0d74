#include "platform/xfce/XfceDesktopIcons.h"

#include <QVariant>

#include <cstdlib>

#include "platform/local/FoundSettings.h"

namespace toviwall::platform {
namespace {

constexpr const char* kStyle = "/desktop-icons/style";
constexpr const char* kFound = "xfce4-desktop/desktop-icons/style";

}  // namespace

void XfceDesktopIcons::SetHidden(bool hidden) {
  const auto values = desktop_.GetAll(kStyle);
  // xfdesktop's own default when the property was never set: files and launchers.
  const std::string current = values && values->count(kStyle) ? values->at(kStyle) : "2";
  if (hidden) {
    if (current == "0") return;
    RememberFoundSetting(kFound, current);
    desktop_.Set(kStyle, 0);
  } else {
    // Icons the user turned off in the desktop's own settings stay off.
    const std::optional<std::string> found = RecallFoundSetting(kFound);
    if (current != "0" || !found) return;
    const long style = std::strtol(found->c_str(), nullptr, 10);
    desktop_.Set(kStyle, style > 0 && style < 3 ? static_cast<int>(style) : 2);
    ForgetFoundSetting(kFound);
  }
}

}  // namespace toviwall::platform
