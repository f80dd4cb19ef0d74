#pragma once
// The optical drives the kernel names /dev/sr0, /dev/sr1, ... and their doors.
#include <string>
#include <vector>

namespace toviwall::platform {

// The drives' names ("sr0", "sr1", ...) in the order of their numbers, with
// those of `more` that are drive names (known elsewhere) among them.
std::vector<std::string> ListOpticalDrives(const std::string& deviceFolder = "/dev",
                                           const std::vector<std::string>& more = {});
// Opens or closes the drive's tray. Answers an empty text when it moved, else
// why not (no drive, a slot loader, a locked door, a mounted disc).
std::string MoveOpticalDriveDoor(const std::string& drive, bool open, const std::string& deviceFolder = "/dev");

}  // namespace toviwall::platform
