#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStyleHints>

#include "platform/x11/X11TrayHost.h"
#include "platform/x11/X11UserTime.h"
#include "platform/x11/XcbUtil.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace toviwall::platform {
namespace {

constexpr std::uint32_t kSystemTrayRequestDock = 0;
constexpr std::uint32_t kXEmbedVersion = 0;
constexpr std::uint32_t kXEmbedMapped = 1;
constexpr int kInitialSize = 22;  // trays give their icons the size they want

class X11TrayHostImpl;

class X11TrayIcon final : public TrayIcon {
 public:
  X11TrayIcon(X11TrayHostImpl& host, std::string name);
  ~X11TrayIcon() override;

  bool Add(const QIcon& image) override;
  bool Modify(const QIcon& image) override;
  bool Delete() override;

  bool Owns(xcb_window_t w) const { return window_ && w == window_; }
  // An event for this icon's window; answers whether it was this icon's.
  bool Handle(const xcb_generic_event_t* event, std::uint8_t type);

 private:
  void CreateWindow(xcb_window_t manager);
  void DestroyWindow();
  void Draw();
  bool ReadBackground(QImage& canvas);
  void PutImage(const QImage& canvas);
  void Press(const xcb_button_press_event_t* e);
  void Release(const xcb_button_release_event_t* e);
  void Post(TrayMessage message);
  static TrayMessage WithModifiers(unsigned kind, std::uint16_t state);

  X11TrayHostImpl& host_;
  std::string name_;
  QIcon image_;
  xcb_window_t window_ = 0;
  xcb_window_t dockedTo_ = 0;  // the tray's selection owner when the dock request went out
  xcb_colormap_t colormap_ = 0;
  PixelFormat format_;
  bool argb_ = false;
  bool mapped_ = false;
  int width_ = kInitialSize, height_ = kInitialSize;
  // The previous press, for telling double-clicks.
  std::uint8_t lastButton_ = 0;
  xcb_timestamp_t lastPressTime_ = 0;
  int lastX_ = 0, lastY_ = 0;
  bool lastWasDouble_ = false;
  QObject context_;  // queued messages die with the icon
};

class X11TrayHostImpl final : public TrayHost, public QAbstractNativeEventFilter {
 public:
  X11TrayHostImpl(xcb_connection_t* c, int screenNumber);
  ~X11TrayHostImpl() override;

  std::unique_ptr<TrayIcon> CreateIcon(const std::string& name) override;
  bool TrayRunning() override { return Manager() != 0; }
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  xcb_connection_t* Connection() const { return c_; }
  X11UserTime& UserTime() { return userTime_; }
  xcb_screen_t* Screen() const { return screen_; }
  // The tray's selection owner now; 0 when no tray runs.
  xcb_window_t Manager();
  // The visual the tray asks its icons to use; 0 for the default.
  xcb_visualid_t TrayVisual(xcb_window_t manager);

  void Forget(X11TrayIcon* icon) { icons_.erase(std::remove(icons_.begin(), icons_.end(), icon), icons_.end()); }

  xcb_atom_t trayAtom = 0, opcodeAtom = 0, managerAtom = 0, xembedInfoAtom = 0, visualAtom = 0,
             netWmNameAtom = 0, utf8Atom = 0;

 private:
  xcb_connection_t* c_;
  xcb_screen_t* screen_;
  std::vector<X11TrayIcon*> icons_;
  X11UserTime userTime_;
  QObject context_;
};

// ---------------------------------------------------------------------------

X11TrayIcon::X11TrayIcon(X11TrayHostImpl& host, std::string name) : host_(host), name_(std::move(name)) {}

X11TrayIcon::~X11TrayIcon() {
  DestroyWindow();
  host_.Forget(this);
}

bool X11TrayIcon::Add(const QIcon& image) {
  image_ = image;
  xcb_window_t manager = host_.Manager();
  if (!manager) return false;  // a tray that starts later announces itself
  if (window_ && dockedTo_ == manager) return false;  // present already
  // A window left over from an earlier tray is not reused: a fresh one docks cleanly.
  DestroyWindow();
  CreateWindow(manager);
  xcb_client_message_event_t ev{};
  ev.response_type = XCB_CLIENT_MESSAGE;
  ev.format = 32;
  ev.window = manager;
  ev.type = host_.opcodeAtom;
  ev.data.data32[0] = XCB_CURRENT_TIME;
  ev.data.data32[1] = kSystemTrayRequestDock;
  ev.data.data32[2] = window_;
  xcb_send_event(host_.Connection(), 0, manager, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
  xcb_flush(host_.Connection());
  dockedTo_ = manager;
  return true;
}

bool X11TrayIcon::Modify(const QIcon& image) {
  image_ = image;
  if (!window_) return false;
  Draw();
  return true;
}

bool X11TrayIcon::Delete() {
  if (!window_) return false;
  DestroyWindow();  // the tray drops an embedded window that goes away
  return true;
}

void X11TrayIcon::CreateWindow(xcb_window_t manager) {
  xcb_connection_t* c = host_.Connection();
  xcb_screen_t* s = host_.Screen();
  std::uint8_t depth = XCB_COPY_FROM_PARENT;
  xcb_visualid_t visual = s->root_visual;
  argb_ = false;
  if (xcb_visualid_t wanted = host_.TrayVisual(manager)) {
    if (auto info = FindVisual(s, wanted)) {
      visual = wanted;
      depth = info->depth;
      argb_ = info->depth == 32;
    }
  }
  format_ = PixelFormatOf(c, s, visual);
  window_ = xcb_generate_id(c);
  const std::uint32_t events = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                               XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
                               XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_EXPOSURE |
                               XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  // Override-redirect: should the tray die, the window returns to the root
  // without a window manager framing it (and is hidden at once).
  if (argb_) {
    colormap_ = xcb_generate_id(c);
    xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, colormap_, s->root, visual);
    const std::uint32_t values[] = {0, 0, 1, events, colormap_};
    xcb_create_window(c, depth, window_, s->root, 0, 0, kInitialSize, kInitialSize, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK |
                          XCB_CW_COLORMAP,
                      values);
  } else {
    // The tray's own background shows through where the image is transparent.
    const std::uint32_t values[] = {XCB_BACK_PIXMAP_PARENT_RELATIVE, 1, events};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, s->root, 0, 0, kInitialSize, kInitialSize, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
  }
  width_ = height_ = kInitialSize;
  mapped_ = false;
  const std::uint32_t xembedInfo[] = {kXEmbedVersion, kXEmbedMapped};
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, host_.xembedInfoAtom, host_.xembedInfoAtom, 32, 2,
                      xembedInfo);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      static_cast<std::uint32_t>(name_.size()), name_.data());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, host_.netWmNameAtom, host_.utf8Atom, 8,
                      static_cast<std::uint32_t>(name_.size()), name_.data());
  // The size the icon asks for; embedders read it from the size hints.
  std::uint32_t hints[18] = {};
  hints[0] = 16 | 256;  // PMinSize, PBaseSize
  hints[5] = hints[6] = kInitialSize;
  hints[15] = hints[16] = kInitialSize;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18,
                      hints);
  static const char kClass[] = "toviwall\0ToviTrayIcon";
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof kClass,
                      kClass);
}

void X11TrayIcon::DestroyWindow() {
  xcb_connection_t* c = host_.Connection();
  if (window_) {
    // The tray may have destroyed it already (a tray that dies takes its children along).
    xcb_discard_reply(c, xcb_destroy_window_checked(c, window_).sequence);
    window_ = 0;
  }
  if (colormap_) {
    xcb_free_colormap(c, colormap_);
    colormap_ = 0;
  }
  dockedTo_ = 0;
  mapped_ = false;
  xcb_flush(c);
}

bool X11TrayIcon::Handle(const xcb_generic_event_t* event, std::uint8_t type) {
  xcb_connection_t* c = host_.Connection();
  switch (type) {
    case XCB_BUTTON_PRESS:
      Press(reinterpret_cast<const xcb_button_press_event_t*>(event));
      return true;
    case XCB_BUTTON_RELEASE:
      Release(reinterpret_cast<const xcb_button_release_event_t*>(event));
      return true;
    case XCB_MOTION_NOTIFY:
      Post(WithModifiers(TrayMessage::MouseMove, reinterpret_cast<const xcb_motion_notify_event_t*>(event)->state));
      return true;
    case XCB_LEAVE_NOTIFY:
      Post(WithModifiers(TrayMessage::MouseLeave, reinterpret_cast<const xcb_leave_notify_event_t*>(event)->state));
      return true;
    case XCB_EXPOSE:
      if (reinterpret_cast<const xcb_expose_event_t*>(event)->count == 0) Draw();
      return true;
    case XCB_CONFIGURE_NOTIFY: {
      auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
      if (e->width != width_ || e->height != height_) {
        width_ = e->width;
        height_ = e->height;
        Draw();
      }
      return true;
    }
    case XCB_MAP_NOTIFY:
      mapped_ = true;
      Draw();
      return true;
    case XCB_UNMAP_NOTIFY:
      mapped_ = false;
      return true;
    case XCB_REPARENT_NOTIFY:
      // Back on the root: the tray has gone. Hide until a new tray takes it in.
      if (reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->parent == host_.Screen()->root) {
        xcb_unmap_window(c, window_);
        xcb_flush(c);
        dockedTo_ = 0;
      }
      return true;
    case XCB_DESTROY_NOTIFY:
      window_ = 0;
      dockedTo_ = 0;
      mapped_ = false;
      return true;
    case XCB_ENTER_NOTIFY:
    case XCB_CLIENT_MESSAGE:  // XEmbed focus and activation news: nothing to do for an icon
      return true;
    default:
      return false;
  }
}

TrayMessage X11TrayIcon::WithModifiers(unsigned kind, std::uint16_t state) {
  TrayMessage m;
  m.kind = kind;
  m.shift = state & XCB_MOD_MASK_SHIFT;
  m.ctrl = state & XCB_MOD_MASK_CONTROL;
  m.alt = state & XCB_MOD_MASK_1;
  return m;
}

void X11TrayIcon::Press(const xcb_button_press_event_t* e) {
  static const unsigned kDown[] = {0, TrayMessage::LButtonDown, TrayMessage::MButtonDown, TrayMessage::RButtonDown};
  static const unsigned kDouble[] = {0, TrayMessage::LButtonDblClk, TrayMessage::MButtonDblClk,
                                     TrayMessage::RButtonDblClk};
  if (e->detail < 1 || e->detail > 3) return;  // wheel and extra buttons
  // A second press of the same button, soon and near enough, is a double-click;
  // the press after a double-click starts over.
  const QStyleHints* hints = QGuiApplication::styleHints();
  const int distance = hints->mouseDoubleClickDistance();
  bool isDouble = !lastWasDouble_ && e->detail == lastButton_ &&
                  e->time - lastPressTime_ <= static_cast<xcb_timestamp_t>(hints->mouseDoubleClickInterval()) &&
                  std::abs(e->root_x - lastX_) <= distance && std::abs(e->root_y - lastY_) <= distance;
  lastButton_ = e->detail;
  lastPressTime_ = e->time;
  lastX_ = e->root_x;
  lastY_ = e->root_y;
  lastWasDouble_ = isDouble;
  Post(WithModifiers(isDouble ? kDouble[e->detail] : kDown[e->detail], e->state));
}

void X11TrayIcon::Release(const xcb_button_release_event_t* e) {
  static const unsigned kUp[] = {0, TrayMessage::LButtonUp, TrayMessage::MButtonUp, TrayMessage::RButtonUp};
  if (e->detail < 1 || e->detail > 3) return;
  Post(WithModifiers(kUp[e->detail], e->state));
}

void X11TrayIcon::Post(TrayMessage message) {
  // Delivered from the event loop (a handler may open a menu with a loop of its
  // own), once Qt knows the time of the click: the command it starts may bring a
  // window to the front.
  host_.UserTime().ThenRun([guard = QPointer<QObject>(&context_), this, message] {
    if (guard) Report(message);
  });
}

void X11TrayIcon::Draw() {
  if (!window_ || !mapped_ || width_ <= 0 || height_ <= 0 || format_.bitsPerPixel == 0) return;
  QImage canvas(width_, height_, QImage::Format_ARGB32_Premultiplied);
  if (argb_ || !ReadBackground(canvas)) canvas.fill(Qt::transparent);
  const int side = std::min(width_, height_);
  QImage picture = image_.pixmap(QSize(side, side), 1.0).toImage();
  if (!picture.isNull()) {
    QPainter painter(&canvas);
    painter.drawImage((width_ - picture.width()) / 2, (height_ - picture.height()) / 2, picture);
  }
  PutImage(canvas);
}

bool X11TrayIcon::ReadBackground(QImage& canvas) {
  xcb_connection_t* c = host_.Connection();
  xcb_clear_area(c, 0, window_, 0, 0, 0, 0);  // paints the tray's background behind us
  XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
      c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, 0, 0, width_, height_, ~0u), nullptr));
  if (!reply) return false;
  return UnpackImage(format_, xcb_get_image_data(reply.get()), xcb_get_image_data_length(reply.get()), canvas);
}

void X11TrayIcon::PutImage(const QImage& canvas) {
  xcb_connection_t* c = host_.Connection();
  xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, window_, 0, nullptr);
  PutImageInStrips(c, window_, gc, format_, canvas, argb_);
  xcb_free_gc(c, gc);
  xcb_flush(c);
}

// ---------------------------------------------------------------------------

X11TrayHostImpl::X11TrayHostImpl(xcb_connection_t* c, int screenNumber)
    : c_(c), screen_(ScreenOf(c, screenNumber)), userTime_(c) {
  const std::string traySelection = "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber);
  auto atoms = InternAtoms(c, {traySelection.c_str(), "_NET_SYSTEM_TRAY_OPCODE", "MANAGER", "_XEMBED_INFO",
                               "_NET_SYSTEM_TRAY_VISUAL", "_NET_WM_NAME", "UTF8_STRING"});
  trayAtom = atoms[0];
  opcodeAtom = atoms[1];
  managerAtom = atoms[2];
  xembedInfoAtom = atoms[3];
  visualAtom = atoms[4];
  netWmNameAtom = atoms[5];
  utf8Atom = atoms[6];
  // A tray announces itself to the root window's structure listeners.
  AddRootEventMask(c, screen_->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

X11TrayHostImpl::~X11TrayHostImpl() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::unique_ptr<TrayIcon> X11TrayHostImpl::CreateIcon(const std::string& name) {
  auto icon = std::make_unique<X11TrayIcon>(*this, name);
  icons_.push_back(icon.get());
  return icon;
}

xcb_window_t X11TrayHostImpl::Manager() {
  XcbReply<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, trayAtom), nullptr));
  return owner ? owner->owner : 0;
}

xcb_visualid_t X11TrayHostImpl::TrayVisual(xcb_window_t manager) {
  XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c_, xcb_get_property(c_, 0, manager, visualAtom, XCB_ATOM_VISUALID, 0, 1), nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
  return *static_cast<const xcb_visualid_t*>(xcb_get_property_value(reply.get()));
}

bool X11TrayHostImpl::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  auto* event = static_cast<const xcb_generic_event_t*>(message);
  const std::uint8_t type = event->response_type & 0x7f;
  if (type == XCB_CLIENT_MESSAGE) {
    auto* cm = reinterpret_cast<const xcb_client_message_event_t*>(event);
    if (cm->window == screen_->root && cm->type == managerAtom && cm->data.data32[1] == trayAtom) {
      QMetaObject::invokeMethod(&context_, [this] { AnnounceTrayCreated(); }, Qt::QueuedConnection);
      return false;  // others may want to know too
    }
  }
  const xcb_window_t window = EventWindow(event, type);
  if (!window) return false;
  for (X11TrayIcon* icon : icons_)
    if (icon->Owns(window)) return icon->Handle(event, type);
  return false;
}

}  // namespace

std::unique_ptr<TrayHost> CreateX11TrayHost() {
  XcbSession session = QtXcbSession();
  if (!session.connection) return nullptr;
  return std::make_unique<X11TrayHostImpl>(session.connection, session.screenNumber);
}

}  // namespace toviwall::platform
