#include "DesktopPeers.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/x11/X11DesktopInfo.h"

namespace toviwall::test {
namespace {

bool Near(std::uint32_t a, std::uint32_t b) {
  for (int shift : {0, 8, 16}) {
    int d = static_cast<int>(a >> shift & 0xff) - static_cast<int>(b >> shift & 0xff);
    if (d > 24 || d < -24) return false;
  }
  return true;
}

std::string Hex(std::uint32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06x", c);
  return text;
}

}  // namespace

DesktopPeer::DesktopPeer(Env desktop) : desktop_(std::move(desktop)) {
  SessionOptions options;
  options.width = kDesktopWidth;
  options.height = kDesktopHeight;
  session_ = std::make_unique<Session>(options);
  Env base = session_->Environment();
  base["NO_AT_BRIDGE"] = "1";
  base.erase("TOVIWALL_DESKTOP");
  if (const char* dirs = std::getenv("XDG_DATA_DIRS")) base["XDG_DATA_DIRS"] = dirs;
  for (const auto& [name, value] : desktop_) base[name] = value;
  bus_ = std::make_unique<DBusSession>(session_->Root().Path(), base);
  for (const auto& [name, value] : Environment()) env.Set(name, value);
  for (const char* name : {"TOVIWALL_DESKTOP", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "GSETTINGS_BACKEND"})
    env.Unset(name);
  std::filesystem::create_directories(session_->Root() / "pictures");
}

DesktopPeer::~DesktopPeer() {
  programs_.clear();
  bus_.reset();
}

Env DesktopPeer::Environment() const {
  Env e = session_->Environment();
  e.erase("TOVIWALL_DESKTOP");
  e.erase("TOVIWALL_WIDGET_MAP");
  e["NO_AT_BRIDGE"] = "1";
  e["XDG_STATE_HOME"] = session_->Root() / "home/.local/state";
  if (const char* dirs = std::getenv("XDG_DATA_DIRS")) e["XDG_DATA_DIRS"] = dirs;
  for (const auto& [name, value] : desktop_) e[name] = value;
  if (bus_) e["DBUS_SESSION_BUS_ADDRESS"] = bus_->Address();
  return e;
}

Process& DesktopPeer::Start(const std::vector<std::string>& argv) {
  if (argv.at(0).find('/') == std::string::npos) RequireProgram(argv[0]);
  Process::Options options;
  options.env = Environment();
  options.cwd = session_->Home();
  options.logFile = session_->Root() / (std::filesystem::path(argv[0]).filename().string() + ".log");
  programs_.push_back(Process::Start(argv, options));
  return *programs_.back();
}

RunResult DesktopPeer::Tool(const std::vector<std::string>& argv) const { return Run(argv, Environment()); }
RunResult DesktopPeer::MustTool(const std::vector<std::string>& argv) const { return MustRun(argv, Environment()); }

bool DesktopPeer::WaitForDesktopWindow(const std::string& instance, int timeoutMs) {
  return WaitFor(
      [&] {
        auto owner = platform::FindDesktopWindow(session_->Display());
        return instance.empty() ? !owner : owner && owner->instance == instance;
      },
      timeoutMs, 100);
}

std::string DesktopPeer::Picture(const std::string& name, const Quadrants& q) {
  const std::string path = session_->Root() / ("pictures/" + name);
  MustRun({"/usr/bin/convert", "-size", "100x80", "xc:" + Hex(q.topLeft), "-fill", Hex(q.topRight), "-draw",
           "rectangle 50,0 99,39", "-fill", Hex(q.bottomLeft), "-draw", "rectangle 0,40 49,79", "-fill",
           Hex(q.bottomRight), "-draw", "rectangle 50,40 99,79", "-alpha", "off", "-type", "TrueColor",
           "BMP3:" + path},
          Environment());
  return path;
}

std::uint32_t DesktopPeer::Pixel(int x, int y) {
  Display* dpy = XOpenDisplay(session_->Display().c_str());
  if (!dpy) return 0xFFFFFFFFu;
  std::uint32_t colour = 0xFFFFFFFFu;
  if (XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), x, y, 1, 1, AllPlanes, ZPixmap)) {
    colour = static_cast<std::uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
  }
  XCloseDisplay(dpy);
  return colour;
}

int DesktopPeer::PixelsUnlike(int x, int y, int width, int height, std::uint32_t colour) {
  Display* dpy = XOpenDisplay(session_->Display().c_str());
  if (!dpy) return -1;
  int unlike = -1;
  if (XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), x, y, width, height, AllPlanes, ZPixmap)) {
    unlike = 0;
    for (int row = 0; row < height; ++row)
      for (int col = 0; col < width; ++col)
        if (!Near(static_cast<std::uint32_t>(XGetPixel(image, col, row) & 0xFFFFFF), colour)) ++unlike;
    XDestroyImage(image);
  }
  XCloseDisplay(dpy);
  return unlike;
}

::testing::AssertionResult DesktopPeer::WaitForPixels(const std::vector<Probe>& probes, int timeoutMs) {
  std::string wrong;
  bool ok = WaitFor(
      [&] {
        for (const Probe& p : probes) {
          const std::uint32_t shown = Pixel(p.x, p.y);
          if (!Near(shown, p.colour)) {
            wrong = "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ") shows " + Hex(shown) + ", not " +
                    Hex(p.colour);
            return false;
          }
        }
        return true;
      },
      timeoutMs, 100);
  if (ok) return ::testing::AssertionSuccess();
  Screenshot("failed");
  return ::testing::AssertionFailure() << wrong;
}

void DesktopPeer::Screenshot(const std::string& name) {
  const std::string keep = std::getenv("TOVIWALL_KEEP_SCREENSHOTS") ? std::getenv("TOVIWALL_KEEP_SCREENSHOTS") : "";
  if (keep.empty() && name.rfind("failed", 0) != 0) return;
  const std::string target = keep.empty() ? session_->Root() / (name + ".png") : keep + "/" + name + ".png";
  ScreenshotRoot(session_->Display(), target);
}

std::vector<Probe> ProbesFor(platform::WallpaperStyle style, const Quadrants& q) {
  using platform::WallpaperStyle;
  switch (style) {
    case WallpaperStyle::Centred:  // the picture spans 270..369 x 200..279
      return {{290, 215, q.topLeft}, {350, 215, q.topRight}, {290, 265, q.bottomLeft}, {350, 265, q.bottomRight}};
    case WallpaperStyle::Tiled:  // 100 x 80 tiles from the top left corner
      return {{615, 405, q.topLeft}, {575, 405, q.topRight}, {615, 445, q.bottomLeft}, {575, 445, q.bottomRight},
              {315, 165, q.topLeft}};
    case WallpaperStyle::Stretched:  // each quadrant a quarter of the screen
    case WallpaperStyle::Spanned:    // the one monitor's whole desktop
      return {{200, 120, q.topLeft}, {520, 120, q.topRight}, {200, 400, q.bottomLeft}, {520, 400, q.bottomRight}};
  }
  return {};
}

::testing::AssertionResult ShowsNoPicture(DesktopPeer& peer, const Quadrants& q, int timeoutMs) {
  std::string shown;
  bool ok = WaitFor(
      [&] {
        for (auto [x, y] : {std::pair{320, 240}, {600, 440}, {200, 120}}) {
          const std::uint32_t c = peer.Pixel(x, y);
          for (std::uint32_t picture : {q.topLeft, q.topRight, q.bottomLeft, q.bottomRight})
            if (Near(c, picture)) {
              shown = "(" + std::to_string(x) + "," + std::to_string(y) + ") still shows " + Hex(c);
              return false;
            }
        }
        return true;
      },
      timeoutMs, 100);
  if (ok) return ::testing::AssertionSuccess();
  peer.Screenshot("failed-none");
  return ::testing::AssertionFailure() << shown;
}

}  // namespace toviwall::test
