#pragma once
#include <string>

#include "platform/SingleInstance.h"

namespace toviwall {

// True when another instance of the program is running; it has then been told
// to show or hide its main window.
bool OnlyOnce(const std::string& title, platform::SingleInstance& instance);

}  // namespace toviwall
