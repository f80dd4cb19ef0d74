#pragma once
#include <memory>

#include "platform/Screen.h"

namespace toviwall::platform {

// The primary RandR output's mode size (the root window's size without RandR)
// and the RandR monitors. While someone listens, a connection of its own hears
// the server's RandR notices (outputs, CRTCs, the screen's size) and tells of
// those that change the layout.
class X11Screen final : public Screen {
 public:
  X11Screen();
  ~X11Screen() override;
  ScreenSize PrimaryScreenSize() override;
  ScreenLayout Layout() override;

 private:
  void ListenerChanged() override;
  struct Notices;
  std::unique_ptr<Notices> notices_;
};

}  // namespace toviwall::platform
