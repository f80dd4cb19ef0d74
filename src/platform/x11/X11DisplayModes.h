#pragma once
#include <memory>
#include <string>

#include "platform/DisplayModes.h"

namespace toviwall::platform {

// The modes of the primary RandR output (the first connected one when none is
// primary), on a connection of its own to the display `displayName`; hears the
// server's screen-change notices there. A display without RandR 1.2 gets the
// null implementation (no modes).
std::unique_ptr<DisplayModes> CreateX11DisplayModes(const std::string& displayName);

}  // namespace toviwall::platform
