#include "platform/DesktopWallpaperChoice.h"

#include <QStandardPaths>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/gnome/GSettingsDesktopIcons.h"
#include "platform/gnome/GSettingsWallpaper.h"
#include "platform/kde/PlasmaWallpaper.h"
#include "platform/lxde/PcmanfmDesktopIcons.h"
#include "platform/lxde/PcmanfmWallpaper.h"
#include "platform/mate/MateBackgroundWallpaper.h"
#include "platform/sway/SwaySession.h"
#include "platform/sway/OutputPicture.h"
#include "platform/sway/SwayWallpaper.h"
#include "platform/wayland/SwaybgWallpaper.h"
#include "platform/null/NullPlatform.h"
#include "platform/x11/X11DesktopInfo.h"
#include "platform/x11/X11RootWallpaper.h"
#include "platform/xfce/XfceDesktopIcons.h"
#include "platform/xfce/XfconfWallpaper.h"

namespace toviwall::platform {
namespace {

using K = DesktopBackendKind;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// A desktop name as XDG_CURRENT_DESKTOP or DESKTOP_SESSION spell it ("ubuntu",
// "X-Cinnamon", "budgie-desktop", "gnome-xorg", "LXQt", "plasma"); unknown names give nothing.
bool Classify(const std::string& rawName, K& kind) {
  std::string name = Lower(rawName);
  if (name.rfind("x-", 0) == 0) name.erase(0, 2);
  const std::pair<const char*, K> names[] = {
      {"cinnamon", K::Cinnamon}, {"xfce", K::Xfce},  {"mate", K::Mate},    {"lxqt", K::Lxqt},
      {"lxde", K::Lxde},         {"kde", K::Kde},    {"plasma", K::Kde},   {"gnome", K::Gnome},
      {"unity", K::Gnome},       {"ubuntu", K::Gnome}, {"budgie", K::Gnome}, {"sway", K::Sway},
  };
  for (auto [part, k] : names) {
    if (name.find(part) != std::string::npos) {
      kind = k;
      return true;
    }
  }
  return false;
}

// The program that draws the desktop window, by its WM_CLASS.
bool ClassifyOwner(const std::string& windowClass, K& kind) {
  const std::string name = Lower(windowClass);
  const std::pair<const char*, K> owners[] = {
      {"xfdesktop", K::Xfce},         {"pcmanfm-qt", K::Lxqt},  {"pcmanfm", K::Lxde},
      {"caja", K::Mate},              {"nemo-desktop", K::Cinnamon}, {"plasmashell", K::Kde},
      {"nautilus", K::Gnome},         {"nautilus-desktop", K::Gnome},
  };
  for (auto [owner, k] : owners) {
    if (name == owner) {
      kind = k;
      return true;
    }
  }
  return false;
}

DesktopBackendChoice SessionChoice(const std::string& display, bool askX = true) {
  const std::string xdg = Env("XDG_CURRENT_DESKTOP");
  DesktopBackendChoice choice = ChooseDesktopBackend(Env("TOVIWALL_DESKTOP"), xdg, Env("DESKTOP_SESSION"));
  // Only when the session names nothing we know is the X server asked.
  if (askX && choice.kind == K::X11Painter && !choice.forced)
    if (auto window = FindDesktopWindow(display))
      choice = ChooseDesktopBackend("", xdg, Env("DESKTOP_SESSION"), window->instance + " " + window->className);
  return choice;
}

// The backends that reach their desktop without X; null for the others.
std::unique_ptr<DesktopWallpaper> SettingsBackend(const DesktopBackendChoice& choice, const std::string& x11Display) {
  switch (choice.kind) {
    case K::Gnome:
    case K::Cinnamon: {
      const std::string schema = choice.kind == K::Cinnamon ? kCinnamonBackgroundSchema : kGnomeBackgroundSchema;
      std::optional<GSettingsWallpaper::Keys> keys = GSettingsWallpaper::Probe(schema);
      // Asked for by name, it is used even without its schema, so its errors say why.
      if (keys || choice.forced)
        return std::make_unique<GSettingsWallpaper>(keys.value_or(GSettingsWallpaper::Keys{schema}));
      break;
    }
    case K::Mate:
      if (choice.forced || MateBackgroundWallpaper::Available()) return std::make_unique<MateBackgroundWallpaper>();
      break;
    case K::Xfce: return std::make_unique<XfconfWallpaper>(x11Display);
    case K::Kde: return std::make_unique<PlasmaWallpaper>();
    case K::Lxde:
    case K::Lxqt:
    case K::Sway:
    case K::X11Painter: break;
  }
  return nullptr;
}

}  // namespace

DesktopBackendChoice ChooseDesktopBackend(const std::string& override, const std::string& xdgCurrentDesktop,
                                          const std::string& desktopSession, const std::string& desktopWindowClass) {
  const std::string forced = Lower(override);
  const std::pair<const char*, K> backends[] = {
      {"x11", K::X11Painter}, {"gnome", K::Gnome}, {"cinnamon", K::Cinnamon}, {"xfce", K::Xfce},
      {"mate", K::Mate},      {"lxde", K::Lxde},   {"lxqt", K::Lxqt},         {"kde", K::Kde},
      {"sway", K::Sway},
  };
  for (auto [name, k] : backends)
    if (forced == name) return {k, true};

  // XDG_CURRENT_DESKTOP lists the desktop first, then what it derives from
  // ("Budgie:GNOME").
  K kind = K::X11Painter;
  if (!xdgCurrentDesktop.empty()) {
    std::stringstream names(xdgCurrentDesktop);
    std::string name;
    while (std::getline(names, name, ':'))
      if (Classify(name, kind)) return {kind, false};
  } else if (Classify(desktopSession, kind)) {
    return {kind, false};
  }
  // A window manager alone, or a desktop we have no backend for: whoever draws
  // the desktop window ("i3" with "pcmanfm --desktop"); nobody: our painter.
  std::stringstream parts(desktopWindowClass);
  for (std::string part; parts >> part;)
    if (ClassifyOwner(part, kind)) return {kind, false};
  return {};
}

std::unique_ptr<DesktopWallpaper> CreateDesktopWallpaper(const std::string& x11Display) {
  const DesktopBackendChoice choice = SessionChoice(x11Display);
  switch (choice.kind) {
    case K::Lxde: return std::make_unique<PcmanfmWallpaper>(PcmanfmKind::Gtk, x11Display);
    case K::Lxqt: return std::make_unique<PcmanfmWallpaper>(PcmanfmKind::Qt, x11Display);
    default:
      if (auto backend = SettingsBackend(choice, x11Display)) return backend;
  }
  return std::make_unique<X11RootWallpaper>(x11Display);
}

std::unique_ptr<DesktopWallpaper> CreateWaylandDesktopWallpaper(const std::shared_ptr<SwaySession>& sway) {
  // Under Xwayland the root window is nobody's desktop: no painter, no X.
  const DesktopBackendChoice choice = SessionChoice({}, false);
  if (auto backend = SettingsBackend(choice, {})) return backend;
  if (sway) return std::make_unique<SwayWallpaper>(sway, OutputPictureFolder());
  // Another wlroots compositor: swaybg on its background layer, where installed.
  const QString swaybg = QStandardPaths::findExecutable(QStringLiteral("swaybg"));
  if (!swaybg.isEmpty() && HasLayerShell())
    return std::make_unique<SwaybgWallpaper>(QtOutputs, OutputPictureFolder(), swaybg.toStdString());
  return std::make_unique<NullDesktopWallpaper>();
}

std::unique_ptr<DesktopIcons> CreateDesktopIcons(const std::string& x11Display) {
  switch (SessionChoice(x11Display).kind) {
    case K::Xfce: return std::make_unique<XfceDesktopIcons>();
    case K::Mate: return std::make_unique<GSettingsDesktopIcons>(kCajaIcons, x11Display);
    case K::Cinnamon: return std::make_unique<GSettingsDesktopIcons>(kNemoIcons, x11Display);
    case K::Lxde: return std::make_unique<PcmanfmDesktopIcons>(PcmanfmKind::Gtk, x11Display);
    case K::Lxqt: return std::make_unique<PcmanfmDesktopIcons>(PcmanfmKind::Qt, x11Display);
    case K::Gnome: return std::make_unique<NullDesktopIcons>("GNOME has no setting that hides the desktop's icons.");
    case K::Kde: return std::make_unique<NullDesktopIcons>("KDE Plasma has no setting that hides the desktop's icons.");
    case K::Sway:
    case K::X11Painter: break;
  }
  return std::make_unique<NullDesktopIcons>();
}

std::unique_ptr<DesktopIcons> CreateWaylandDesktopIcons() {
  // xfdesktop's setting goes through xfconf; the others restart X programs.
  if (SessionChoice({}, false).kind == K::Xfce) return std::make_unique<XfceDesktopIcons>();
  return std::make_unique<NullDesktopIcons>();
}

}  // namespace toviwall::platform
