#pragma once
// The freedesktop system tray on X11: each icon is a small window of its own,
// docked into the tray that owns the "_NET_SYSTEM_TRAY_S<screen>" selection and
// embedded there through XEmbed. A tray that starts announces itself with the
// "MANAGER" message on the root window.
#include <memory>

#include "platform/TrayHost.h"

namespace toviwall::platform {

// Uses Qt's own X connection; nullptr when the program does not run on X11.
std::unique_ptr<TrayHost> CreateX11TrayHost();

}  // namespace toviwall::platform
