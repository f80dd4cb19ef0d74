#include "platform/DesktopWallpaperChoice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/gnome/GSettingsWallpaper.h"
#include "platform/x11/X11RootWallpaper.h"

namespace toviwall::platform {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// A desktop name as XDG_CURRENT_DESKTOP or DESKTOP_SESSION spell it ("ubuntu",
// "X-Cinnamon", "budgie-desktop", "gnome-xorg"); unknown names give nothing.
bool Classify(const std::string& rawName, DesktopBackendKind& kind) {
  std::string name = Lower(rawName);
  if (name.rfind("x-", 0) == 0) name.erase(0, 2);
  if (name.find("cinnamon") != std::string::npos) {
    kind = DesktopBackendKind::Cinnamon;
    return true;
  }
  for (const char* gnome : {"gnome", "unity", "ubuntu", "budgie"}) {
    if (name.find(gnome) != std::string::npos) {
      kind = DesktopBackendKind::Gnome;
      return true;
    }
  }
  return false;
}

}  // namespace

DesktopBackendChoice ChooseDesktopBackend(const std::string& override, const std::string& xdgCurrentDesktop,
                                          const std::string& desktopSession) {
  const std::string forced = Lower(override);
  if (forced == "x11") return {DesktopBackendKind::X11Painter, true};
  if (forced == "gnome") return {DesktopBackendKind::Gnome, true};
  if (forced == "cinnamon") return {DesktopBackendKind::Cinnamon, true};

  // XDG_CURRENT_DESKTOP lists the desktop first, then what it derives from
  // ("Budgie:GNOME"); a desktop it names that we do not know gets the painter.
  DesktopBackendKind kind = DesktopBackendKind::X11Painter;
  if (!xdgCurrentDesktop.empty()) {
    std::stringstream names(xdgCurrentDesktop);
    std::string name;
    while (std::getline(names, name, ':'))
      if (Classify(name, kind)) return {kind, false};
    return {};
  }
  if (Classify(desktopSession, kind)) return {kind, false};
  return {};
}

std::unique_ptr<DesktopWallpaper> CreateDesktopWallpaper(const std::string& x11Display) {
  DesktopBackendChoice choice =
      ChooseDesktopBackend(Env("TOVIWALL_DESKTOP"), Env("XDG_CURRENT_DESKTOP"), Env("DESKTOP_SESSION"));
  if (choice.kind != DesktopBackendKind::X11Painter) {
    const std::string schema =
        choice.kind == DesktopBackendKind::Cinnamon ? kCinnamonBackgroundSchema : kGnomeBackgroundSchema;
    std::optional<GSettingsWallpaper::Keys> keys = GSettingsWallpaper::Probe(schema);
    // Asked for by name, it is used even without its schema, so its errors say why.
    if (keys || choice.forced) return std::make_unique<GSettingsWallpaper>(keys.value_or(GSettingsWallpaper::Keys{schema}));
  }
  return std::make_unique<X11RootWallpaper>(x11Display);
}

}  // namespace toviwall::platform
