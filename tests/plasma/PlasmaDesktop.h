// KDE Plasma 5 from Debian as a test peer: plasmashell on a private X server,
// user and session bus. Plasma's session variables are set for the bus as well:
// the services it starts on demand (kactivitymanagerd, kglobalaccel5, kded5)
// need DISPLAY, and without them plasmashell gives up loading its shell.
// About 150 MB a shell: the tests run one at a time.
#pragma once
#include <string>

#include "../platform/DesktopPeers.h"

namespace toviwall::test {

// Plasma's scripting call as the test's tools make it.
inline constexpr const char* kPlasmaName = "org.kde.plasmashell";

class PlasmaDesktop {
 public:
  PlasmaDesktop();
  ~PlasmaDesktop();
  PlasmaDesktop(const PlasmaDesktop&) = delete;
  PlasmaDesktop& operator=(const PlasmaDesktop&) = delete;
  DesktopPeer& Peer() { return peer_; }

  // Starts plasmashell; returns once its name is on the bus (throws with its
  // log when it is not within the time).
  void StartShell();
  // Waits until a script sees a desktop, as a session's start does.
  ::testing::AssertionResult WaitForDesktop(int timeoutMs = 60000);
  // Seconds from StartShell to its name on the bus, and to its first desktop.
  double NameSeconds() const { return named_ - started_; }
  double DesktopSeconds() const { return ready_ - started_; }
  // Ends plasmashell (it saves its settings on the way) and its helpers.
  void StopShell();

  bool NameOwned(const std::string& name) const;
  // What the script print()s; throws with Plasma's error.
  std::string Script(const std::string& js) const;
  // The key of the desktop containment of the first screen in Plasma's file
  // ("wallpaperplugin", or "Image" and "FillMode" of the image plugin).
  std::string Stored(const std::string& key);
  // The panel's window (xwd -id shows it; a root capture can show it blank).
  unsigned long PanelWindow();

 private:
  DesktopPeer peer_;
  Process* shell_ = nullptr;
  double started_ = 0, named_ = 0, ready_ = 0;
};

// Where Plasma puts the quadrants of a 100 x 80 picture on the 640 x 480
// screen (tiles are centred on the screen, not laid from its corner).
std::vector<Probe> PlasmaProbesFor(platform::WallpaperStyle style, const Quadrants& q);
// The plain colour plugin's default colour, which None shows.
inline constexpr std::uint32_t kPlasmaDefaultColour = 0x1D99F3;

}  // namespace toviwall::test
