#pragma once
#include "platform/Screen.h"

namespace toviwall::platform {

// The primary RandR output's mode size; the root window's size without RandR.
class X11Screen final : public Screen {
 public:
  ScreenSize PrimaryScreenSize() override;
};

}  // namespace toviwall::platform
