#include "platform/x11/X11Screen.h"

#include "platform/x11/X11Display.h"
#include "platform/x11/XcbUtil.h"

#include <xcb/randr.h>

#include <QSocketNotifier>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace toviwall::platform {

struct X11Screen::Notices {
  struct Closer {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
  };
  std::unique_ptr<xcb_connection_t, Closer> connection;
  std::uint8_t eventBase = 0;
  std::unique_ptr<QSocketNotifier> notifier;
  ScreenLayout last;
};

X11Screen::X11Screen() = default;
X11Screen::~X11Screen() = default;

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

ScreenLayout X11Screen::Layout() {
  Display* dpy = QtX11Display();
  if (!dpy) return {};
  const int screen = DefaultScreen(dpy);
  ScreenLayout layout{DisplayWidth(dpy, screen), DisplayHeight(dpy, screen), {}};
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  int primary = -1;
  // RandR 1.5 monitors: the outputs, and monitors a user defined over them.
  if (XRRQueryExtension(dpy, &eventBase, &errorBase) && XRRQueryVersion(dpy, &major, &minor) &&
      (major > 1 || (major == 1 && minor >= 5))) {
    int n = 0;
    if (XRRMonitorInfo* info = XRRGetMonitors(dpy, RootWindow(dpy, screen), True, &n)) {
      for (int i = 0; i < n; ++i) {
        if (info[i].width < 1 || info[i].height < 1) continue;
        if (info[i].primary && primary < 0) primary = static_cast<int>(layout.monitors.size());
        layout.monitors.push_back({info[i].x, info[i].y, info[i].width, info[i].height});
      }
      XRRFreeMonitors(info);
    }
  }
  if (layout.monitors.empty()) {
    const ScreenSize s = PrimaryScreenSize();
    layout.monitors.push_back({0, 0, s.width, s.height});
    return layout;
  }
  if (primary > 0) std::rotate(layout.monitors.begin(), layout.monitors.begin() + primary,
                               layout.monitors.begin() + primary + 1);
  std::stable_sort(layout.monitors.begin() + 1, layout.monitors.end(),
                   [](const MonitorRect& a, const MonitorRect& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  if (primary < 0)  // no primary: the first from the left is first
    std::stable_sort(layout.monitors.begin(), layout.monitors.end(),
                     [](const MonitorRect& a, const MonitorRect& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  return layout;
}

void X11Screen::ListenerChanged() {
  if (!Listening()) {
    notices_.reset();
    return;
  }
  if (notices_) return;
  const std::string name = QtX11DisplayName();
  if (name.empty()) return;
  auto n = std::make_unique<Notices>();
  n->connection.reset(xcb_connect(name.c_str(), nullptr));
  xcb_connection_t* c = n->connection.get();
  if (!c || xcb_connection_has_error(c)) return;
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_randr_id);
  if (!ext || !ext->present) return;
  XcbReply<xcb_randr_query_version_reply_t> version(
      xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
  if (!version) return;
  n->eventBase = ext->first_event;
  const xcb_setup_t* setup = xcb_get_setup(c);
  for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it))
    xcb_randr_select_input(c, it.data->root,
                           XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                               XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
  xcb_flush(c);
  n->last = Layout();
  n->notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
  Notices* raw = n.get();
  QObject::connect(raw->notifier.get(), &QSocketNotifier::activated, raw->notifier.get(), [this, raw] {
    bool randr = false;
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(raw->connection.get())}) {
      const int type = event->response_type & 0x7f;
      randr = randr || type == raw->eventBase + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
              type == raw->eventBase + XCB_RANDR_NOTIFY;
    }
    if (xcb_connection_has_error(raw->connection.get())) raw->notifier->setEnabled(false);  // the display went away
    if (!randr) return;
    ScreenLayout now = Layout();
    if (now == raw->last) return;  // a change that moved no monitor (a new mode list, a property)
    raw->last = std::move(now);
    AnnounceLayoutChange();
  });
  notices_ = std::move(n);
}

}  // namespace toviwall::platform
