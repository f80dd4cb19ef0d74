#include "platform/x11/X11ScreenSaver.h"

#include "platform/x11/XcbUtil.h"

namespace toviwall::platform {

bool ActivateX11ScreenSaver() {
  XcbSession session = QtXcbSession();
  if (!session.connection) return false;
  xcb_force_screen_saver(session.connection, XCB_SCREEN_SAVER_ACTIVE);
  xcb_flush(session.connection);
  return true;
}

}  // namespace toviwall::platform
