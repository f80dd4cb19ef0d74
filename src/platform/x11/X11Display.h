#pragma once
// The X connection Qt opened, for the few things Qt does not reach.
// Xlib stays out of headers: its macros (Bool, Status, None) break Qt's.
#include <string>

#include "platform/WindowActivation.h"

typedef struct _XDisplay Display;

namespace toviwall::platform {

// Qt's own Display, or nullptr when the program does not run on X11.
Display* QtX11Display();
// The name of the display Qt connected to; empty when not on X11.
std::string QtX11DisplayName();

// Opens and closes a connection to $DISPLAY.
bool CanOpenX11Display();

// Asks the window manager to activate the window as a pager would, which focus
// stealing prevention lets through; raises it when no manager is running.
void ForceActivateWindow(unsigned long window);

class X11WindowActivation final : public WindowActivation {
 public:
  void ForceActivate(unsigned long window) override { ForceActivateWindow(window); }
};

}  // namespace toviwall::platform
