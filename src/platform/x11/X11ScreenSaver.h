#pragma once
namespace toviwall::platform {

// Switches the X server's screen saver on now, as its timeout would; false when
// the program does not run on X11.
bool ActivateX11ScreenSaver();

}  // namespace toviwall::platform
