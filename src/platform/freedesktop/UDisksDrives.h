#pragma once
// Optical drives through UDisks2 on the system bus, the desktops' own way: a
// disc the desktop has mounted can be ejected only once it is unmounted, and
// only UDisks2 may unmount what it mounted for the user.
#include <optional>
#include <string>
#include <vector>

namespace toviwall::platform {

// The optical drives UDisks2 knows ("sr0", ...); none when it does not run.
std::vector<std::string> UDisksOpticalDrives();
// Unmounts the drive's disc where it is mounted, then ejects it. Nothing when
// UDisks2 does not run or does not know the drive; else an empty text when
// the drive opened, or the reason it did not.
std::optional<std::string> UDisksEject(const std::string& drive);

}  // namespace toviwall::platform
