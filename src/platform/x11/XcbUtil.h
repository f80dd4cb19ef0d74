#pragma once
// Small helpers for the X11 code that talks to the server through Qt's own xcb
// connection. Only x11/*.cpp files include this (xcb headers, no Xlib).
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

class QImage;

namespace toviwall::platform {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
// A reply of the server, freed with the holder.
template <class T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct XcbSession {
  xcb_connection_t* connection = nullptr;
  int screenNumber = 0;
};
// Qt's connection and default screen; no connection when not on X11.
XcbSession QtXcbSession();

xcb_screen_t* ScreenOf(xcb_connection_t* c, int screenNumber);
// The atoms of the names, asked for in one round.
std::vector<xcb_atom_t> InternAtoms(xcb_connection_t* c, std::initializer_list<const char*> names);
// Adds events to what this connection hears from the root window, keeping what it hears already.
void AddRootEventMask(xcb_connection_t* c, xcb_window_t root, std::uint32_t mask);

struct VisualDepth {
  const xcb_visualtype_t* type = nullptr;
  std::uint8_t depth = 0;
};
std::optional<VisualDepth> FindVisual(xcb_screen_t* s, xcb_visualid_t visual);

// How the pixels of a true-colour visual lie in a Z-format image.
struct PixelFormat {
  int bitsPerPixel = 0;  // 0: a layout this code does not draw
  int scanlinePad = 32;
  std::uint8_t depth = 0;
  std::uint32_t red = 0, green = 0, blue = 0;
  bool lsbFirst = true;
};
PixelFormat PixelFormatOf(xcb_connection_t* c, xcb_screen_t* s, xcb_visualid_t visual);

// A Z-format image of the canvas's size into the canvas (opaque pixels).
bool UnpackImage(const PixelFormat& format, const std::uint8_t* data, int length, QImage& canvas);
// Puts the canvas on the window at 0,0, in strips that fit the request size. With
// `alpha`, the bits of the depth outside the colour masks carry the alpha.
void PutImageInStrips(xcb_connection_t* c, xcb_window_t window, xcb_gcontext_t gc, const PixelFormat& format,
                      const QImage& canvas, bool alpha);

// The window an event is about; 0 for events about no single window.
xcb_window_t EventWindow(const xcb_generic_event_t* event, std::uint8_t type);

}  // namespace toviwall::platform
