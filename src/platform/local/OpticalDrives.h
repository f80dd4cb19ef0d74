#pragma once
// The optical drives the kernel names /dev/sr0, /dev/sr1, ... and their doors.
#include <string>
#include <vector>

namespace toviwall::platform {

// The drives' names ("sr0", "sr1", ...) in the order of their numbers.
std::vector<std::string> ListOpticalDrives(const std::string& deviceFolder = "/dev");
// Opens or closes the drive's tray; false when the drive cannot be opened or
// its door does not move (no drive, a slot loader, a locked door).
bool MoveOpticalDriveDoor(const std::string& drive, bool open, const std::string& deviceFolder = "/dev");

}  // namespace toviwall::platform
