#include "platform/x11/X11DesktopInfo.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace toviwall::platform {
namespace {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;
struct XFreer {
  void operator()(void* p) const { XFree(p); }
};

DisplayPtr Open(const std::string& name) { return DisplayPtr(XOpenDisplay(name.empty() ? nullptr : name.c_str())); }

// Windows vanish while we look: their errors are expected and ignored.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

std::vector<unsigned long> Cardinals(Display* dpy, Window w, const char* name, Atom type) {
  Atom atom = XInternAtom(dpy, name, True), actual = 0;
  if (!atom) return {};
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy, w, atom, 0, 64, False, type, &actual, &format, &count, &after, &data) != Success)
    return {};
  std::unique_ptr<unsigned char, XFreer> owned(data);
  if (actual != type || format != 32 || !data) return {};
  const auto* items = reinterpret_cast<const unsigned long*>(data);
  return std::vector<unsigned long>(items, items + count);
}

bool IsDesktop(Display* dpy, Window w) {
  const Atom desktop = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
  for (unsigned long type : Cardinals(dpy, w, "_NET_WM_WINDOW_TYPE", XA_ATOM))
    if (type == desktop) return true;
  return false;
}

bool Viewable(Display* dpy, Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

std::vector<Window> Children(Display* dpy, Window w) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(dpy, w, &root, &parent, &children, &count)) return {};
  std::unique_ptr<Window, XFreer> owned(children);
  return std::vector<Window>(children, children + count);
}

}  // namespace

std::optional<DesktopWindowOwner> FindDesktopWindow(const std::string& display) {
  DisplayPtr dpy = Open(display);
  if (!dpy) return std::nullopt;
  Display* d = dpy.get();
  auto previous = XSetErrorHandler(&IgnoreErrors);
  std::optional<DesktopWindowOwner> found;
  // Top-level windows, and one level down for window managers that reparent.
  for (Window top : Children(d, DefaultRootWindow(d))) {
    if (found || !Viewable(d, top)) continue;
    std::vector<Window> candidates{top};
    for (Window child : Children(d, top)) candidates.push_back(child);
    for (Window w : candidates) {
      if (!IsDesktop(d, w)) continue;
      DesktopWindowOwner owner;
      owner.window = w;
      XClassHint hint{};
      if (XGetClassHint(d, w, &hint)) {
        if (hint.res_name) owner.instance = hint.res_name;
        if (hint.res_class) owner.className = hint.res_class;
        XFree(hint.res_name);
        XFree(hint.res_class);
      }
      auto pid = Cardinals(d, w, "_NET_WM_PID", XA_CARDINAL);
      if (!pid.empty()) owner.pid = static_cast<long>(pid[0]);
      found = owner;
      break;
    }
  }
  XSync(d, False);
  XSetErrorHandler(previous);
  return found;
}

std::vector<std::string> MonitorNames(const std::string& display) {
  DisplayPtr dpy = Open(display);
  if (!dpy) return {};
  Display* d = dpy.get();
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  std::vector<std::string> names;
  if (!XRRQueryExtension(d, &eventBase, &errorBase) || !XRRQueryVersion(d, &major, &minor) ||
      (major == 1 && minor < 5))
    return names;
  int n = 0;
  if (XRRMonitorInfo* info = XRRGetMonitors(d, DefaultRootWindow(d), True, &n)) {
    for (int i = 0; i < n; ++i) {
      if (char* name = XGetAtomName(d, info[i].name)) {
        names.emplace_back(name);
        XFree(name);
      }
    }
    XRRFreeMonitors(info);
  }
  return names;
}

int WorkspaceCount(const std::string& display) {
  DisplayPtr dpy = Open(display);
  if (!dpy) return 1;
  auto count = Cardinals(dpy.get(), DefaultRootWindow(dpy.get()), "_NET_NUMBER_OF_DESKTOPS", XA_CARDINAL);
  return count.empty() || count[0] == 0 || count[0] > 64 ? 1 : static_cast<int>(count[0]);
}

std::vector<std::string> ProcessArguments(long pid) {
  if (pid <= 0) return {};
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    args.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

}  // namespace toviwall::platform
