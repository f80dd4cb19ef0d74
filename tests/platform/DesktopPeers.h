// A desktop's own components for the backend tests: a private X server, user
// and session bus, the desktop program started on them, and this process's
// environment pointed at them so the backends (and the tools they run) reach
// that desktop and nothing else.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/DesktopWallpaper.h"
#include "support/TestSession.h"

namespace toviwall::test {

inline constexpr int kDesktopWidth = 640, kDesktopHeight = 480;

// Colours as 0xRRGGBB.
struct Quadrants {
  std::uint32_t topLeft, topRight, bottomLeft, bottomRight;
};
inline constexpr Quadrants kWarm{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
inline constexpr Quadrants kCool{0xFF00FF, 0x00FFFF, 0x800000, 0x008080};

struct Probe {
  int x, y;
  std::uint32_t colour;
};

class DesktopPeer {
 public:
  // `desktop`: the desktop's session variables, for its programs and for its
  // bus, which hands them on to the services it starts.
  explicit DesktopPeer(Env desktop = {});
  ~DesktopPeer();

  Session& S() { return *session_; }
  // The session's environment with its bus, for the desktop's programs and tools.
  Env Environment() const;
  // Starts a program of the desktop; its output goes to <root>/<name>.log.
  Process& Start(const std::vector<std::string>& argv);
  RunResult Tool(const std::vector<std::string>& argv) const;
  RunResult MustTool(const std::vector<std::string>& argv) const;
  // Waits until a desktop window (_NET_WM_WINDOW_TYPE_DESKTOP) of that WM_CLASS
  // instance is shown, or none at all for "".
  bool WaitForDesktopWindow(const std::string& instance, int timeoutMs = 30000);
  // A 100 x 80 BMP in four coloured quadrants.
  std::string Picture(const std::string& name, const Quadrants& q);
  // The screen's pixel, 0xRRGGBB.
  std::uint32_t Pixel(int x, int y);
  // How many pixels of the rectangle are unlike `colour` (by more than 24 in a channel).
  int PixelsUnlike(int x, int y, int width, int height, std::uint32_t colour);
  // Waits until every probe shows its colour (each channel within 24); the
  // message names the first that does not.
  ::testing::AssertionResult WaitForPixels(const std::vector<Probe>& probes, int timeoutMs = 15000);
  // Saves the screen as PNG in $TOVIWALL_KEEP_SCREENSHOTS; without it only a
  // failure's ("failed...") beside the logs, kept while the test runs.
  void Screenshot(const std::string& name);

  ScopedEnv env;

 private:
  Env desktop_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<DBusSession> bus_;
  std::vector<std::unique_ptr<Process>> programs_;
};

// Where each filling style puts the quadrants on a 640 x 480 screen, away from
// the icons at the top left and from the quadrants' borders.
std::vector<Probe> ProbesFor(platform::WallpaperStyle style, const Quadrants& q);
// None: the centre and a corner show none of the picture's colours.
::testing::AssertionResult ShowsNoPicture(DesktopPeer& peer, const Quadrants& q, int timeoutMs = 15000);

}  // namespace toviwall::test
