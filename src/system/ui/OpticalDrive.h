#pragma once
// Opening an optical drive from the menu or a hot key.
#include <string>

namespace toviwall {
namespace platform {
class SystemActions;
}

// Opens the drive's door; when it does not open, the error box says why.
void OpenDrive(platform::SystemActions& system, const std::string& drive);

}  // namespace toviwall
