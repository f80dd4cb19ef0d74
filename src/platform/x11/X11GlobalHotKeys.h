#pragma once
// Global hot keys on X11: a passive key grab on the root window for the
// combination and for its Caps Lock and Num Lock variants. The server refuses a
// combination another client holds (BadAccess); then nothing stays grabbed.
#include <memory>

#include "platform/GlobalHotKeys.h"

namespace toviwall::platform {

// Uses Qt's own X connection; nullptr when the program does not run on X11.
std::unique_ptr<GlobalHotKeys> CreateX11GlobalHotKeys();

}  // namespace toviwall::platform
