#include <QCoreApplication>

#include "platform/x11/X11UserTime.h"
#include "platform/x11/XcbUtil.h"

namespace toviwall::platform {

X11UserTime::X11UserTime(xcb_connection_t* c) : c_(c) {
  atom_ = InternAtoms(c, {"_TOVIWALL_USER_TIME"}).at(0);
  window_.setTitle(QStringLiteral("toviwall user time"));
  window_.create();  // never shown; Qt listens to its property changes
  QCoreApplication::instance()->installNativeEventFilter(this);
}

X11UserTime::~X11UserTime() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11UserTime::ThenRun(std::function<void()> action) {
  pending_.push_back(std::move(action));
  if (pending_.size() > 1) return;  // a notice is on its way already
  // Appending nothing still changes the property: the notice carries the server's time.
  xcb_change_property(c_, XCB_PROP_MODE_APPEND, static_cast<xcb_window_t>(window_.winId()), atom_, XCB_ATOM_STRING,
                      8, 0, nullptr);
  xcb_flush(c_);
}

bool X11UserTime::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || pending_.empty()) return false;
  auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
  auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
  if (notify->window != static_cast<xcb_window_t>(window_.winId()) || notify->atom != atom_) return false;
  // Queued behind Qt's own handling of this notice, which takes its time.
  for (auto& action : pending_) QMetaObject::invokeMethod(&context_, std::move(action), Qt::QueuedConnection);
  pending_.clear();
  return false;
}

}  // namespace toviwall::platform
