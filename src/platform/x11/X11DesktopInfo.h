#pragma once
// What the X server tells about the desktop a file manager draws: the window of
// type _NET_WM_WINDOW_TYPE_DESKTOP and its program, the monitors' names and the
// number of workspaces. Each call opens its own short connection.
#include <optional>
#include <string>
#include <vector>

namespace toviwall::platform {

struct DesktopWindowOwner {
  unsigned long window = 0;
  std::string instance;  // WM_CLASS, both parts as the program set them
  std::string className;
  long pid = 0;  // _NET_WM_PID; 0 when the program does not say
};

// The mapped desktop window (a top-level window or a window manager's frame's
// child); nothing when none is shown or there is no display. `display` empty: $DISPLAY.
std::optional<DesktopWindowOwner> FindDesktopWindow(const std::string& display);

// The RandR monitors' names in the server's order ("HDMI-1", ...); empty when unknown.
std::vector<std::string> MonitorNames(const std::string& display);

// _NET_NUMBER_OF_DESKTOPS; 1 when no window manager says.
int WorkspaceCount(const std::string& display);

// The command line of a process, one element per argument; empty when gone.
std::vector<std::string> ProcessArguments(long pid);

}  // namespace toviwall::platform
