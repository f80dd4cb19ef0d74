#include <QGuiApplication>

#include "platform/x11/X11Display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace toviwall::platform {

Display* QtX11Display() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->display() : nullptr;
}

std::string QtX11DisplayName() {
  Display* dpy = QtX11Display();
  return dpy ? DisplayString(dpy) : "";
}

bool CanOpenX11Display() {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return false;
  XCloseDisplay(dpy);
  return true;
}

void ForceActivateWindow(unsigned long window) {
  Display* dpy = QtX11Display();
  if (!dpy || !window) return;
  Window root = DefaultRootWindow(dpy);
  XEvent ev {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = 2;  // source: pager
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  XRaiseWindow(dpy, window);
  XFlush(dpy);
}

}  // namespace toviwall::platform
