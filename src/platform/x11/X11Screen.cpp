#include "platform/x11/X11Screen.h"

#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace toviwall::platform {

ScreenSize X11Screen::PrimaryScreenSize() {
  Display* dpy = QtX11Display();
  if (!dpy) return {};
  Window root = DefaultRootWindow(dpy);
  ScreenSize size{DisplayWidth(dpy, DefaultScreen(dpy)), DisplayHeight(dpy, DefaultScreen(dpy))};
  int eventBase = 0, errorBase = 0;
  if (!XRRQueryExtension(dpy, &eventBase, &errorBase)) return size;
  XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, root);
  if (!res) return size;
  RROutput primary = XRRGetOutputPrimary(dpy, root);
  RRCrtc crtc = 0;
  if (primary) {
    if (XRROutputInfo* out = XRRGetOutputInfo(dpy, res, primary)) {
      crtc = out->crtc;
      XRRFreeOutputInfo(out);
    }
  }
  if (!crtc) {
    for (int i = 0; i < res->noutput && !crtc; ++i)
      if (XRROutputInfo* out = XRRGetOutputInfo(dpy, res, res->outputs[i])) {
        if (out->connection == RR_Connected) crtc = out->crtc;
        XRRFreeOutputInfo(out);
      }
  }
  if (crtc) {
    if (XRRCrtcInfo* info = XRRGetCrtcInfo(dpy, res, crtc)) {
      if (info->width > 0 && info->height > 0)
        size = {static_cast<int>(info->width), static_cast<int>(info->height)};
      XRRFreeCrtcInfo(info);
    }
  }
  XRRFreeScreenResources(res);
  return size;
}

}  // namespace toviwall::platform
