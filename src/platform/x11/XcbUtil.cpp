#include <QGuiApplication>
#include <QImage>

#include "platform/x11/XcbUtil.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace toviwall::platform {
namespace {

struct Channel {
  int shift = 0;
  int bits = 0;
};

Channel ChannelOf(std::uint32_t mask) {
  if (!mask) return {};
  return {std::countr_zero(mask), std::popcount(mask)};
}

std::uint32_t PackChannel(int value, Channel ch) {
  if (ch.bits == 0) return 0;
  std::uint32_t v = ch.bits >= 8 ? static_cast<std::uint32_t>(value) << (ch.bits - 8)
                                 : static_cast<std::uint32_t>(value) >> (8 - ch.bits);
  return v << ch.shift;
}

int UnpackChannel(std::uint32_t pixel, Channel ch) {
  if (ch.bits == 0) return 0;
  std::uint32_t v = (pixel >> ch.shift) & ((ch.bits >= 32 ? 0 : (1u << ch.bits)) - 1);
  if (ch.bits >= 8) return static_cast<int>(v >> (ch.bits - 8));
  return static_cast<int>(v * 255 / ((1u << ch.bits) - 1));
}

int Stride(const PixelFormat& f, int width) {
  const int pad = f.scanlinePad > 0 ? f.scanlinePad : 32;
  return (width * f.bitsPerPixel + pad - 1) / pad * pad / 8;
}

std::uint32_t ReadPixel(const std::uint8_t* p, int bytes, bool lsbFirst) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    const int shift = lsbFirst ? 8 * i : 8 * (bytes - 1 - i);
    v |= static_cast<std::uint32_t>(p[i]) << shift;
  }
  return v;
}

void WritePixel(std::uint8_t* p, int bytes, bool lsbFirst, std::uint32_t v) {
  for (int i = 0; i < bytes; ++i) {
    const int shift = lsbFirst ? 8 * i : 8 * (bytes - 1 - i);
    p[i] = static_cast<std::uint8_t>(v >> shift);
  }
}

}  // namespace

XcbSession QtXcbSession() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return {};
  return {x11->connection(), x11->display() ? XDefaultScreen(x11->display()) : 0};
}

xcb_screen_t* ScreenOf(xcb_connection_t* c, int screenNumber) {
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; it.rem; ++i, xcb_screen_next(&it))
    if (i == screenNumber) return it.data;
  return xcb_setup_roots_iterator(xcb_get_setup(c)).data;
}

std::vector<xcb_atom_t> InternAtoms(xcb_connection_t* c, std::initializer_list<const char*> names) {
  std::vector<xcb_intern_atom_cookie_t> cookies;
  for (const char* name : names)
    cookies.push_back(xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
  std::vector<xcb_atom_t> atoms;
  for (auto cookie : cookies) {
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    atoms.push_back(reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE});
  }
  return atoms;
}

void AddRootEventMask(xcb_connection_t* c, xcb_window_t root, std::uint32_t mask) {
  XcbReply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr));
  const std::uint32_t events = (attributes ? attributes->your_event_mask : 0) | mask;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &events);
  xcb_flush(c);
}

std::optional<VisualDepth> FindVisual(xcb_screen_t* s, xcb_visualid_t visual) {
  for (auto d = xcb_screen_allowed_depths_iterator(s); d.rem; xcb_depth_next(&d))
    for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
      if (v.data->visual_id == visual) return VisualDepth{v.data, d.data->depth};
  return std::nullopt;
}

PixelFormat PixelFormatOf(xcb_connection_t* c, xcb_screen_t* s, xcb_visualid_t visual) {
  PixelFormat f;
  auto info = FindVisual(s, visual);
  if (!info || info->type->_class != XCB_VISUAL_CLASS_TRUE_COLOR) return f;
  const xcb_setup_t* setup = xcb_get_setup(c);
  for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
    if (it.data->depth != info->depth) continue;
    if (it.data->bits_per_pixel % 8 != 0 || it.data->bits_per_pixel > 32) return f;
    f.bitsPerPixel = it.data->bits_per_pixel;
    f.scanlinePad = it.data->scanline_pad;
  }
  f.depth = info->depth;
  f.red = info->type->red_mask;
  f.green = info->type->green_mask;
  f.blue = info->type->blue_mask;
  f.lsbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
  return f;
}

bool UnpackImage(const PixelFormat& f, const std::uint8_t* data, int length, QImage& canvas) {
  if (f.bitsPerPixel == 0) return false;
  const int bytes = f.bitsPerPixel / 8;
  const int stride = Stride(f, canvas.width());
  if (length < stride * canvas.height()) return false;
  const Channel r = ChannelOf(f.red), g = ChannelOf(f.green), b = ChannelOf(f.blue);
  for (int y = 0; y < canvas.height(); ++y) {
    auto* out = reinterpret_cast<QRgb*>(canvas.scanLine(y));
    const std::uint8_t* in = data + y * stride;
    for (int x = 0; x < canvas.width(); ++x) {
      std::uint32_t v = ReadPixel(in + x * bytes, bytes, f.lsbFirst);
      out[x] = qRgb(UnpackChannel(v, r), UnpackChannel(v, g), UnpackChannel(v, b));
    }
  }
  return true;
}

void PutImageInStrips(xcb_connection_t* c, xcb_window_t window, xcb_gcontext_t gc, const PixelFormat& f,
                      const QImage& canvas, bool alpha) {
  if (f.bitsPerPixel == 0 || canvas.isNull()) return;
  const QImage image = canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int bytes = f.bitsPerPixel / 8;
  const int stride = Stride(f, image.width());
  const Channel r = ChannelOf(f.red), g = ChannelOf(f.green), b = ChannelOf(f.blue);
  const std::uint32_t depthMask = f.depth >= 32 ? 0xffffffffu : ((1u << f.depth) - 1);
  const Channel a = alpha ? ChannelOf(depthMask & ~(f.red | f.green | f.blue)) : Channel{};
  const std::size_t maxBytes = static_cast<std::size_t>(xcb_get_maximum_request_length(c)) * 4 - 32;
  const int rowsPerStrip = std::max(1, static_cast<int>(maxBytes / static_cast<std::size_t>(stride)));
  std::vector<std::uint8_t> strip;
  for (int top = 0; top < image.height(); top += rowsPerStrip) {
    const int rows = std::min(rowsPerStrip, image.height() - top);
    strip.assign(static_cast<std::size_t>(stride) * rows, 0);
    for (int y = 0; y < rows; ++y) {
      const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(top + y));
      std::uint8_t* out = strip.data() + static_cast<std::size_t>(y) * stride;
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = in[x];
        std::uint32_t v = PackChannel(qRed(p), r) | PackChannel(qGreen(p), g) | PackChannel(qBlue(p), b) |
                          PackChannel(qAlpha(p), a);
        WritePixel(out + x * bytes, bytes, f.lsbFirst, v);
      }
    }
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, static_cast<std::uint16_t>(image.width()),
                  static_cast<std::uint16_t>(rows), 0, static_cast<std::int16_t>(top), 0, f.depth,
                  static_cast<std::uint32_t>(strip.size()), strip.data());
  }
}

xcb_window_t EventWindow(const xcb_generic_event_t* event, std::uint8_t type) {
  switch (type) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY:
      return reinterpret_cast<const xcb_button_press_event_t*>(event)->event;
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY:
      return reinterpret_cast<const xcb_enter_notify_event_t*>(event)->event;
    case XCB_EXPOSE:
      return reinterpret_cast<const xcb_expose_event_t*>(event)->window;
    case XCB_CONFIGURE_NOTIFY:
      return reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window;
    case XCB_MAP_NOTIFY:
      return reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
    case XCB_UNMAP_NOTIFY:
      return reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window;
    case XCB_REPARENT_NOTIFY:
      return reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->window;
    case XCB_DESTROY_NOTIFY:
      return reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window;
    case XCB_CLIENT_MESSAGE:
      return reinterpret_cast<const xcb_client_message_event_t*>(event)->window;
    default:
      return 0;
  }
}

}  // namespace toviwall::platform
