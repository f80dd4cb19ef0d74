#include "platform/x11/X11RootWallpaper.h"

#include "base/RowProgress.h"
#include "image/BitmapFile.h"
#include "platform/x11/XcbUtil.h"
#include "platform/x11/XlibErrorTrap.h"
#include "platform/x11/XlibStripUpload.h"

#include <sys/resource.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <bit>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace toviwall::platform {
namespace {

constexpr const char* kOurPixmapProperty = "_TOVIWALL_ROOTPMAP";
constexpr int kStripRows = 64;

// --- X plumbing ---------------------------------------------------------

using DisplayPtr = RootConnection;

DisplayPtr Open(const std::string& name) { return DisplayPtr(XOpenDisplay(name.empty() ? nullptr : name.c_str())); }

struct XFreer {
  void operator()(void* p) const { XFree(p); }
};
struct ImageFreer {
  void operator()(XImage* image) const { XDestroyImage(image); }
};

std::optional<std::string> ReadString(Display* dpy, Window w, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy, w, property, 0, 1 << 20, False, AnyPropertyType, &type, &format, &count, &after,
                         &data) != Success)
    return std::nullopt;
  std::unique_ptr<unsigned char, XFreer> owned(data);
  if (type == 0 || format != 8) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(data), count);
}

// The 32-bit items of a property of the given type (Xlib hands them as longs).
std::vector<unsigned long> ReadIds(Display* dpy, Window w, Atom property, Atom wanted) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy, w, property, 0, 16, False, wanted, &type, &format, &count, &after, &data) != Success)
    return {};
  std::unique_ptr<unsigned char, XFreer> owned(data);
  if (type != wanted || format != 32 || !data) return {};
  const auto* items = reinterpret_cast<const unsigned long*>(data);
  return std::vector<unsigned long>(items, items + count);
}

std::optional<Pixmap> ReadPixmapProperty(Display* dpy, Window root, const char* name) {
  Atom atom = XInternAtom(dpy, name, True);
  if (atom == 0) return std::nullopt;
  auto ids = ReadIds(dpy, root, atom, XA_PIXMAP);
  if (ids.empty() || ids[0] == 0) return std::nullopt;
  return ids[0];
}

// The pixmap we last set and the marker window made on the same connection.
// The root property alone could name a pixmap whose id was freed and reused by
// another program; the marker dies with our pixmap's connection, so a marker
// that still carries our property proves the pixmap is still ours.
struct OurPixmap {
  Pixmap pixmap = 0;
  Window marker = 0;
};

std::optional<OurPixmap> ReadOurPixmap(Display* dpy, Window root) {
  Atom atom = XInternAtom(dpy, kOurPixmapProperty, True);
  if (atom == 0) return std::nullopt;
  auto ids = ReadIds(dpy, root, atom, XA_CARDINAL);
  if (ids.size() != 2 || !ids[0] || !ids[1]) return std::nullopt;
  OurPixmap ours{ids[0], ids[1]};
  std::vector<unsigned long> mark;
  {
    ErrorTrap trap(dpy);  // the marker may be gone: BadWindow
    mark = ReadIds(dpy, ours.marker, atom, XA_CARDINAL);
    if (trap.Error()) return std::nullopt;
  }
  if (mark.size() != 1 || mark[0] != ours.pixmap) return std::nullopt;
  return ours;
}

// The id range a client's resources come from: the server hands a gone
// client's range to the next connection, so an id left in a root property by a
// program that ended may now name a resource of ours or of a live program.
struct IdRange {
  XID base = 0, mask = 0;
  bool Holds(XID id) const { return mask && (id & ~mask) == base; }
};

IdRange RangeOf(xcb_connection_t* c) {
  const xcb_setup_t* setup = c ? xcb_get_setup(c) : nullptr;
  return setup ? IdRange{setup->resource_id_base, setup->resource_id_mask} : IdRange{};
}

// This process's connections: the painter's and the program's own (Qt's).
std::vector<IdRange> OwnRanges(Display* dpy) {
  return {RangeOf(XGetXCBConnection(dpy)), RangeOf(QtXcbSession().connection)};
}

bool Owned(const std::vector<IdRange>& own, XID id) {
  return std::any_of(own.begin(), own.end(), [id](const IdRange& r) { return r.Holds(id); });
}

// A root pixmap another setter kept (RetainPermanent) may be freed by killing
// its client; anything else the property names (a window, a gone id, one of
// ours) must be left alone.
bool ForeignPixmap(Display* dpy, XID id, const std::vector<IdRange>& own) {
  if (Owned(own, id)) return false;
  ErrorTrap trap(dpy);
  Window ignored = 0;
  int x = 0, y = 0;
  unsigned w = 0, h = 0, border = 0, depth = 0;
  if (!XGetGeometry(dpy, id, &ignored, &x, &y, &w, &h, &border, &depth) || trap.Error()) return false;
  XWindowAttributes attributes;
  const bool window = XGetWindowAttributes(dpy, id, &attributes) != 0 && !trap.Error();
  return !window;
}

// --- painting ------------------------------------------------------------

// Plain: the background colour only. Span: a picture of the whole desktop, as it is.
enum class Placement { Plain, Centre, Tile, Stretch, Span };

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

// Whether the root window still shows `pixmap` wherever no window covers it.
// A setter such as xsetroot changes the root background without touching any
// property, so the properties alone cannot tell. A compositing manager draws
// the root from _XROOTPMAP_ID itself, and then the properties are the truth.
bool RootShowsPixmap(Display* dpy, int screen, Window root, Pixmap pixmap) {
  const std::string cm = "_NET_WM_CM_S" + std::to_string(screen);
  if (XGetSelectionOwner(dpy, XInternAtom(dpy, cm.c_str(), False))) return true;

  ErrorTrap trap(dpy);
  Window ignored = 0;
  int px = 0, py = 0;
  unsigned pw = 0, ph = 0, pb = 0, pd = 0;
  if (!XGetGeometry(dpy, pixmap, &ignored, &px, &py, &pw, &ph, &pb, &pd) || trap.Error()) return false;
  const int width = std::min(DisplayWidth(dpy, screen), static_cast<int>(pw));
  const int height = std::min(DisplayHeight(dpy, screen), static_cast<int>(ph));

  std::vector<Rect> covered;
  Window parent = 0, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(dpy, root, &ignored, &parent, &children, &count)) {
    std::unique_ptr<Window, XFreer> owned(children);
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable && a.c_class == InputOutput)
        covered.push_back({a.x, a.y, a.width + 2 * a.border_width, a.height + 2 * a.border_width});
    }
  }
  trap.Clear();  // windows may vanish while we look

  // Sixteen rows across the screen, compared pixel by pixel where uncovered.
  constexpr int kRows = 16;
  for (int i = 0; i < kRows; ++i) {
    const int y = static_cast<int>((i + 0.5) * height / kRows);
    std::vector<Rect> across;
    for (const Rect& r : covered)
      if (y >= r.y && y < r.y + r.h) across.push_back(r);
    std::unique_ptr<XImage, ImageFreer> shown(XGetImage(dpy, root, 0, y, width, 1, AllPlanes, ZPixmap));
    std::unique_ptr<XImage, ImageFreer> ours(XGetImage(dpy, pixmap, 0, y, width, 1, AllPlanes, ZPixmap));
    if (!shown || !ours) return false;
    for (int x = 0; x < width; ++x) {
      bool hidden = false;
      for (const Rect& r : across) hidden = hidden || (x >= r.x && x < r.x + r.w);
      if (!hidden && XGetPixel(shown.get(), x, 0) != XGetPixel(ours.get(), x, 0)) return false;
    }
  }
  return true;
}

// The monitors' rectangles on the root window (RandR 1.5), else the whole root.
std::vector<Rect> Monitors(Display* dpy, Window root, int rootW, int rootH) {
  std::vector<Rect> rects;
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (XRRQueryExtension(dpy, &eventBase, &errorBase) && XRRQueryVersion(dpy, &major, &minor) &&
      (major > 1 || (major == 1 && minor >= 5))) {
    int n = 0;
    if (XRRMonitorInfo* info = XRRGetMonitors(dpy, root, True, &n)) {
      for (int i = 0; i < n; ++i)
        if (info[i].width > 0 && info[i].height > 0) rects.push_back({info[i].x, info[i].y, info[i].width, info[i].height});
      XRRFreeMonitors(info);
    }
  }
  if (rects.empty()) rects.push_back({0, 0, rootW, rootH});
  return rects;
}

// Source positions and 8-bit weights for one axis of a bilinear stretch,
// sampling at pixel centres and clamping at the edges, so the first and last
// target pixels take the picture's edge pixels when enlarging.
struct Axis {
  std::vector<int> lo, hi;
  std::vector<unsigned> weight;  // of `hi`, 0..256
};

Axis MakeAxis(int from, int to) {
  Axis a;
  a.lo.resize(to);
  a.hi.resize(to);
  a.weight.resize(to);
  for (int i = 0; i < to; ++i) {
    double s = (i + 0.5) * from / to - 0.5;
    s = std::clamp(s, 0.0, static_cast<double>(from - 1));
    int lo = static_cast<int>(s);
    a.lo[i] = lo;
    a.hi[i] = std::min(lo + 1, from - 1);
    a.weight[i] = static_cast<unsigned>((s - lo) * 256.0 + 0.5);
  }
  return a;
}

#if defined(__x86_64__)
// Four pixels a step: a byte shuffle spreads the twelve bytes of four BGR
// pixels over four 32-bit ones, zeros on top.
__attribute__((target("ssse3"))) int ConvertSsse3(const std::uint8_t* bgr, std::uint32_t* out, int count) {
  const __m128i order = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  int x = 0;
  for (; x + 6 <= count; x += 4)  // the 16 bytes loaded stay inside the row
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                     _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 3 * x)), order));
  return x;
}
#endif

// Converts what it can of a row of BGR pixels to 0xRRGGBB with the machine's
// vector instructions; answers how many pixels it converted.
int ConvertFast([[maybe_unused]] const std::uint8_t* bgr, [[maybe_unused]] std::uint32_t* out,
                [[maybe_unused]] int count) {
#if defined(__x86_64__)
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  if (ssse3) return ConvertSsse3(bgr, out, count);
#endif
  return 0;
}

// Produces the root pixmap one row at a time as 0xRRGGBB, so only a strip of
// it is ever held in memory.
class RowPainter {
 public:
  RowPainter(const Bitmap24* picture, Placement placement, std::vector<Rect> monitors, int rootW, std::uint32_t bg)
      : picture_(picture), placement_(picture ? placement : Placement::Plain), monitors_(std::move(monitors)),
        rootW_(rootW), bg_(bg) {
    if (placement_ == Placement::Stretch)
      for (const Rect& m : monitors_) {
        columns_.push_back(MakeAxis(picture_->Width(), m.w));
        rows_.push_back(MakeAxis(picture_->Height(), m.h));
      }
  }

  // How many of the picture's rows, from the top, root rows 0 .. y read (or more).
  int RowsNeeded(int y) const {
    const int height = picture_ ? picture_->Height() : 0;
    switch (placement_) {
      case Placement::Plain: return 0;
      case Placement::Span: return std::min(y + 1, height);
      case Placement::Centre: {
        int rows = 0;
        for (const Rect& m : monitors_)
          rows = std::max(rows, std::clamp(std::min(y, m.y + m.h - 1) - (m.y + (m.h - height) / 2) + 1, 0, height));
        return rows;
      }
      case Placement::Tile:
      case Placement::Stretch: break;
    }
    return height;
  }

  void Paint(int y, std::uint32_t* row) const {
    if (placement_ == Placement::Centre && monitors_.size() == 1) {
      // Only the columns the picture leaves get the background: at 4K the
      // whole row filled first is a third more to write.
      const auto [from, to] = CentredSpan(monitors_.front(), y);
      if (from < to) {
        std::fill(row, row + from, bg_);
        std::fill(row + to, row + rootW_, bg_);
        PaintCentred(monitors_.front(), y, row);
        return;
      }
    }
    std::fill(row, row + rootW_, bg_);
    switch (placement_) {
      case Placement::Plain: break;
      case Placement::Tile: PaintTiled(y, row); break;
      case Placement::Span:
        if (y < picture_->Height()) {
          const std::uint8_t* src = picture_->Row(y);
          Convert(src, row, std::min(picture_->Width(), rootW_));
        }
        break;
      case Placement::Centre:
        for (const Rect& m : monitors_) PaintCentred(m, y, row);
        break;
      case Placement::Stretch:
        for (std::size_t i = 0; i < monitors_.size(); ++i) PaintStretched(i, y, row);
        break;
    }
  }

 private:
  static std::uint32_t Pixel(const std::uint8_t* bgr) {
    return static_cast<std::uint32_t>(bgr[2]) << 16 | static_cast<std::uint32_t>(bgr[1]) << 8 | bgr[0];
  }
  static void Convert(const std::uint8_t* bgr, std::uint32_t* out, int count) {
    for (int x = ConvertFast(bgr, out, count); x < count; ++x) out[x] = Pixel(bgr + 3 * x);
  }

  void PaintTiled(int y, std::uint32_t* row) const {
    const std::uint8_t* src = picture_->Row(y % picture_->Height());
    const int w = std::min(picture_->Width(), rootW_);
    Convert(src, row, w);
    for (int x = w; x < rootW_; ++x) row[x] = row[x - w];
  }

  // The root's columns [from, to) the picture centred on `m` covers in row y; empty when none.
  std::pair<int, int> CentredSpan(const Rect& m, int y) const {
    if (y < m.y || y >= m.y + m.h) return {0, 0};
    const int sy = y - (m.y + (m.h - picture_->Height()) / 2);
    if (sy < 0 || sy >= picture_->Height()) return {0, 0};
    const int ox = m.x + (m.w - picture_->Width()) / 2;
    return {std::max({m.x, ox, 0}), std::min({m.x + m.w, ox + picture_->Width(), rootW_})};
  }

  void PaintCentred(const Rect& m, int y, std::uint32_t* row) const {
    const auto [from, to] = CentredSpan(m, y);
    if (from >= to) return;
    const int ox = m.x + (m.w - picture_->Width()) / 2;
    const int sy = y - (m.y + (m.h - picture_->Height()) / 2);
    Convert(picture_->Row(sy) + 3 * (from - ox), row + from, to - from);
  }

  void PaintStretched(std::size_t i, int y, std::uint32_t* row) const {
    const Rect& m = monitors_[i];
    if (y < m.y || y >= m.y + m.h) return;
    const Axis& cols = columns_[i];
    const Axis& rows = rows_[i];
    const int ry = y - m.y;
    const std::uint8_t* top = picture_->Row(rows.lo[ry]);
    const std::uint8_t* bottom = picture_->Row(rows.hi[ry]);
    const unsigned fy = rows.weight[ry];
    for (int cx = 0; cx < m.w; ++cx) {
      const int x = m.x + cx;
      if (x < 0 || x >= rootW_) continue;
      const unsigned fx = cols.weight[cx];
      const int l = 3 * cols.lo[cx], h = 3 * cols.hi[cx];
      std::uint32_t out = 0;
      for (int c = 2; c >= 0; --c) {
        const unsigned t = top[l + c] * (256 - fx) + top[h + c] * fx;
        const unsigned b = bottom[l + c] * (256 - fx) + bottom[h + c] * fx;
        out = out << 8 | ((t * (256 - fy) + b * fy + 32768) >> 16);
      }
      row[x] = out;
    }
  }

  const Bitmap24* picture_;
  Placement placement_;
  std::vector<Rect> monitors_;
  std::vector<Axis> columns_, rows_;
  int rootW_;
  std::uint32_t bg_;
};

// One channel's place in a TrueColor pixel.
struct Channel {
  unsigned long mask = 0;
  int shift = 0;
  int bits = 0;
  unsigned long From8(std::uint32_t v) const {
    if (!bits) return 0;
    return ((static_cast<unsigned long>(v) * ((1ul << bits) - 1) + 127) / 255) << shift;
  }
};

Channel ChannelOf(unsigned long mask) {
  Channel c{mask, mask ? std::countr_zero(mask) : 0, std::popcount(mask)};
  return c;
}

Placement PlacementOf(const std::string& file, WallpaperStyle style) {
  if (file.empty()) return Placement::Plain;
  switch (style) {
    case WallpaperStyle::Tiled: return Placement::Tile;
    case WallpaperStyle::Stretched: return Placement::Stretch;
    case WallpaperStyle::Spanned: return Placement::Span;
    case WallpaperStyle::Centred: break;
  }
  return Placement::Centre;
}

std::optional<Bitmap24> LoadPicture(const std::string& file) {
  if (file.empty()) return std::nullopt;
  try {
    return LoadBitmapFile(file);
  } catch (const std::exception&) {
    return std::nullopt;  // the desktop shows no picture it cannot read
  }
}

void SetPixmapProperty(Display* dpy, Window root, const char* name, Pixmap pixmap) {
  Atom atom = XInternAtom(dpy, name, False);
  long id = static_cast<long>(pixmap);
  XChangeProperty(dpy, root, atom, XA_PIXMAP, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&id), 1);
}

// The root-sized pixmap a picture was painted on, on a connection of its own,
// with what the root named before the pixmap was made (a stale record may name
// ids that connection is given).
struct PaintedRoot {
  DisplayPtr dpy;
  Pixmap pixmap = 0;  // 0: none was made
  std::optional<OurPixmap> previous{};
  std::optional<Pixmap> shown{}, esetroot{};

  // The connection, without the pixmap.
  DisplayPtr Connection() {
    if (dpy && pixmap) XFreePixmap(dpy.get(), std::exchange(pixmap, 0));
    return std::move(dpy);
  }
};

// The picture (null: the background alone) painted in the placement onto a
// new root-sized pixmap, strip by strip, each row straight into the strip that
// goes to the server where the visual takes 0xRRGGBB as it is. One thread may
// paint some strips and another the rest, never two at once.
class RootPainting {
 public:
  RootPainting(DisplayPtr dpy, const Bitmap24* picture, Placement placement, std::uint32_t background)
      : painted_{std::move(dpy)} {
    Display* d = painted_.dpy.get();
    if (!d) return;
    screen_ = DefaultScreen(d);
    const Window root = RootWindow(d, screen_);
    width_ = DisplayWidth(d, screen_);
    height_ = DisplayHeight(d, screen_);
    painter_.emplace(picture, placement, Monitors(d, root, width_, height_), width_, background);
    painted_.previous = ReadOurPixmap(d, root);
    painted_.shown = ReadPixmapProperty(d, root, "_XROOTPMAP_ID");
    painted_.esetroot = ReadPixmapProperty(d, root, "ESETROOT_PMAP_ID");
    ErrorTrap trap(d);
    const Pixmap pixmap = XCreatePixmap(d, root, width_, height_, DefaultDepth(d, screen_));
    if (trap.Error()) return;  // no room on the server: the desktop stays as it is
    painted_.pixmap = pixmap;
    upload_ = std::make_unique<StripUpload>(d, screen_, pixmap, width_, kStripRows);
    const XImage& image = upload_->Image();
    const Visual* visual = DefaultVisual(d, screen_);
    red_ = ChannelOf(visual->red_mask);
    green_ = ChannelOf(visual->green_mask);
    blue_ = ChannelOf(visual->blue_mask);
    direct_ = image.bits_per_pixel == 32 && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
              visual->blue_mask == 0xff &&
              image.byte_order == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
    if (!direct_) row_.resize(static_cast<std::size_t>(width_));
  }

  Display* Connection() const { return painted_.dpy.get(); }
  // Whether there is a pixmap whose painting went well so far.
  bool Usable() const { return upload_ && !failed_; }

  // Paints the strips still due. With `progress` each waits for the picture's
  // rows it shows, and the painting stops when they are given up; it also
  // stops between strips once `stop` is set. True when every strip is painted.
  bool Paint(RowProgress* progress = nullptr, const std::atomic<bool>* stop = nullptr) {
    if (!upload_ || failed_) return false;
    Display* d = painted_.dpy.get();
    ErrorTrap trap(d);
    XImage& image = upload_->Image();
    for (; next_ < height_; next_ += kStripRows) {
      if (stop && stop->load()) break;
      const int rows = std::min(kStripRows, height_ - next_), first = upload_->FirstRow();
      if (progress && !progress->WaitFor(painter_->RowsNeeded(next_ + rows - 1))) break;
      for (int r = first; r < first + rows; ++r) {
        std::uint32_t* line = direct_ ? reinterpret_cast<std::uint32_t*>(
                                            image.data + static_cast<std::size_t>(r) * image.bytes_per_line)
                                      : row_.data();
        painter_->Paint(next_ + r - first, line);
        if (!direct_)
          for (int x = 0; x < width_; ++x) {
            const std::uint32_t v = row_[static_cast<std::size_t>(x)];
            XPutPixel(&image, x, r, red_.From8(v >> 16 & 0xff) | green_.From8(v >> 8 & 0xff) | blue_.From8(v & 0xff));
          }
      }
      upload_->Send(next_, rows);
    }
    if (trap.Error()) failed_ = true;
    return !failed_ && next_ >= height_;
  }

  // The pixmap, once every strip is painted; else none (freed).
  PaintedRoot Finish() {
    upload_.reset();  // nothing of it may stay on the server
    if (painted_.pixmap && (failed_ || next_ < height_)) XFreePixmap(painted_.dpy.get(), std::exchange(painted_.pixmap, 0));
    return std::move(painted_);
  }

 private:
  PaintedRoot painted_;
  std::optional<RowPainter> painter_;
  std::unique_ptr<StripUpload> upload_;  // while a pixmap is being painted
  int screen_ = 0, width_ = 0, height_ = 0;
  Channel red_, green_, blue_;
  bool direct_ = false;
  std::vector<std::uint32_t> row_;  // a row on its way into a visual of another layout
  int next_ = 0;                    // the next strip's first row
  bool failed_ = false;
};

// Makes the painted pixmap the root background.
void Publish(PaintedRoot painted) {
  Display* d = painted.dpy.get();
  if (!d || !painted.pixmap) return;
  const Window root = DefaultRootWindow(d);
  const Pixmap pixmap = painted.pixmap;
  const std::vector<IdRange> own = OwnRanges(d);
  ErrorTrap trap(d);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  Window marker = XCreateWindow(d, root, -1, -1, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                                CWOverrideRedirect, &attributes);
  const Atom ours = XInternAtom(d, kOurPixmapProperty, False);
  long mark = static_cast<long>(pixmap);
  XChangeProperty(d, marker, ours, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&mark), 1);
  // The pixmap must outlive this connection (and the program) before any
  // property names it: a property naming a freed pixmap is what makes the
  // next setter kill whoever gets that id.
  XSetCloseDownMode(d, RetainPermanent);
  if (trap.Error()) {
    XSetCloseDownMode(d, DestroyAll);
    return;
  }

  SetPixmapProperty(d, root, "_XROOTPMAP_ID", pixmap);
  SetPixmapProperty(d, root, "ESETROOT_PMAP_ID", pixmap);
  XSetWindowBackgroundPixmap(d, root, pixmap);
  XClearWindow(d, root);
  long record[2] = {static_cast<long>(pixmap), static_cast<long>(marker)};
  XChangeProperty(d, root, ours, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(record), 2);

  // Free the wallpaper we replaced, as every root-pixmap setter does: ours by
  // its marker, another setter's when both properties named its pixmap.
  // Only now: the server frees a large pixmap slowly, and no one reads the
  // old one once the properties name the new.
  const auto& previous = painted.previous;
  const auto& shown = painted.shown;
  const auto& esetroot = painted.esetroot;
  if (previous && !Owned(own, previous->marker)) XKillClient(d, previous->marker);
  if (shown && esetroot && *shown == *esetroot && !(previous && previous->pixmap == *shown) &&
      ForeignPixmap(d, *shown, own))
    XKillClient(d, *shown);
  trap.Clear();  // a setter that had already gone answers BadValue
}

}  // namespace

void RootConnectionCloser::operator()(_XDisplay* d) const { XCloseDisplay(d); }

// A picture painted on a connection of its own while its rows are still being
// made, for the reload that shows it. Its thread paints with what the making
// leaves of the processors; the reload paints what it has not.
struct X11RootWallpaper::Ahead {
  Ahead(std::string file, WallpaperStyle style, std::uint32_t background, std::shared_ptr<const Bitmap24> picture,
        std::shared_ptr<RowProgress> progress)
      : file(std::move(file)), style(style), background(background), picture(std::move(picture)),
        progress(std::move(progress)) {}
  ~Ahead() {
    progress->Abandon();
    Join();
  }
  Ahead(const Ahead&) = delete;
  Ahead& operator=(const Ahead&) = delete;

  void Start(const std::string& display) {
    try {
      thread = std::thread([this, display] {
        // Lowest priority: the picture's making comes first. The priority
        // cannot be raised again, so the reload takes over the painting
        // rather than wait for this thread.
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
        try {
          painting = std::make_unique<RootPainting>(Open(display), picture.get(), PlacementOf(file, style), background);
          painting->Paint(progress.get(), &stop);
        } catch (const std::exception&) {
          painting.reset();  // the reload paints it all, and reports what fails
        }
      });
    } catch (const std::system_error&) {
      // No thread to be had: the reload paints it all.
    }
  }
  // Stops the thread after its strip; the painting is this thread's from then on.
  void Join() {
    stop = true;
    if (thread.joinable()) thread.join();
  }
  bool Shows(const std::string& shownFile, WallpaperStyle shownStyle, const Bitmap24* pixels,
             std::uint32_t colour) const {
    return painting && painting->Usable() && pixels == picture.get() && shownFile == file && shownStyle == style && colour == background;
  }

  const std::string file;
  const WallpaperStyle style;
  const std::uint32_t background;
  const std::shared_ptr<const Bitmap24> picture;
  const std::shared_ptr<RowProgress> progress;
  std::unique_ptr<RootPainting> painting;  // made on the thread
  std::atomic<bool> stop = false;
  std::thread thread;
};

X11RootWallpaper::X11RootWallpaper(std::string display, std::uint32_t background)
    : display_(std::move(display)), background_(background) {}

X11RootWallpaper::~X11RootWallpaper() = default;

void X11RootWallpaper::WriteValues(const std::string& file, WallpaperStyle style) {
  // A picture painted ahead has its connection open: it takes the values too.
  if (ahead_) ahead_->Join();
  Display* ahead = ahead_ && ahead_->painting ? ahead_->painting->Connection() : nullptr;
  DisplayPtr dpy = ahead ? nullptr : Open(display_);
  Display* d = ahead ? ahead : dpy.get();
  if (!d) return;  // no desktop to hold the values: nothing is written
  const Window root = DefaultRootWindow(d);
  const std::string values[5] = {file, style == WallpaperStyle::Tiled ? "1" : "0",
                                 std::to_string(static_cast<int>(style)), "0", "0"};
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  ErrorTrap trap(d);
  for (int i = 0; i < 5; ++i)
    XChangeProperty(d, root, XInternAtom(d, kRootValueProperties[i], False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values[i].data()), static_cast<int>(values[i].size()));
  if (int error = trap.Error()) {
    char text[256] = {};
    XGetErrorText(d, error, text, sizeof text);
    throw std::runtime_error(std::string("Cannot store the desktop wallpaper values: ") + text);
  }
  written_ = Values{file, style};
  connection_ = std::move(dpy);
}

void X11RootWallpaper::TakePicture(const std::string& file, std::shared_ptr<const Bitmap24> picture) {
  if (!picture) ahead_.reset();
  inHand_.Take(file, std::move(picture));
}

void X11RootWallpaper::PaintAhead(const std::string& file, WallpaperStyle style,
                                  std::shared_ptr<const Bitmap24> picture, std::shared_ptr<RowProgress> progress) {
  ahead_.reset();
  if (!picture || !progress) return;
  ahead_ = std::make_unique<Ahead>(file, style, background_, std::move(picture), std::move(progress));
  ahead_->Start(display_);
}

void X11RootWallpaper::Reload() {
  const std::shared_ptr<const Bitmap24> picture = inHand_.GiveUp(written_ ? &written_->file : nullptr);
  const std::unique_ptr<Ahead> ahead = std::move(ahead_);
  DisplayPtr dpy = std::move(connection_);
  if (written_) {
    if (ahead) ahead->Join();
    if (ahead && ahead->Shows(written_->file, written_->style, picture.get(), background_)) {
      ahead->painting->Paint();
      Publish(ahead->painting->Finish());
    } else {
      if (!dpy && ahead && ahead->painting) dpy = ahead->painting->Finish().Connection();
      if (!dpy) dpy = Open(display_);
      const std::optional<Bitmap24> loaded = picture ? std::nullopt : LoadPicture(written_->file);
      const Bitmap24* pixels = picture ? picture.get() : loaded ? &*loaded : nullptr;
      RootPainting painting(std::move(dpy), pixels, PlacementOf(written_->file, written_->style), background_);
      painting.Paint();
      Publish(painting.Finish());
    }
  }
  AnnounceSettingsChange();
}

std::optional<std::string> X11RootWallpaper::ReadWallpaper() {
  DisplayPtr dpy = Open(display_);
  if (!dpy) return std::nullopt;
  Display* d = dpy.get();
  const Window root = DefaultRootWindow(d);
  const std::optional<OurPixmap> ours = ReadOurPixmap(d, root);
  const std::optional<Pixmap> shown = ReadPixmapProperty(d, root, "_XROOTPMAP_ID");
  if (!ours || !shown || *shown != ours->pixmap) return std::nullopt;
  if (!RootShowsPixmap(d, DefaultScreen(d), root, ours->pixmap)) return std::nullopt;
  Atom atom = XInternAtom(d, kRootValueProperties[0], True);
  return atom ? ReadString(d, root, atom) : std::nullopt;
}

}  // namespace toviwall::platform
