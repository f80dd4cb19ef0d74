#pragma once
// Handlers in front of (HookBefore) or behind (HookAfter) a control's own event
// handling, without subclassing the control. One process-wide hook keeps one
// record per hooked control; the record's dispatcher sits on the control while at
// least one of its two chains holds a handler.
//
// Dispatch of every event the control receives: the before chain in order (a
// handler answering true hides the event from the control and ends dispatch);
// the control's own handling; the after chain in order, up to the first handler
// that answers true. A handler may unhook itself (or another) while it runs.
//
// The dispatcher is an event filter that runs the control's own event() itself.
// Filters installed on the control after the hook run in front of it; a filter
// installed on the control before the hook does not see the control's events
// while the hook sits on it (Qt cannot run the older filters from a filter).
class QEvent;
class QWidget;

namespace toviwall {

// An event as the handlers see it. `result` is the control's own answer (whether
// it handled the event), set once it has run; false before.
struct TToviMessage {
  QEvent* event = nullptr;
  bool result = false;
};

enum THookPosition { HookBefore = 0, HookAfter = 1 };

// A method bound to its object. Two handlers are the same when both the method
// and the object are.
struct TToviHookHandler {
  void* object = nullptr;
  bool (*code)(void* object, TToviMessage& message) = nullptr;

  template <auto Method, class T>
  static TToviHookHandler Of(T* object) {
    return {object, [](void* o, TToviMessage& m) -> bool { return (static_cast<T*>(o)->*Method)(m); }};
  }
  bool operator()(TToviMessage& message) const { return code(object, message); }
  friend bool operator==(const TToviHookHandler&, const TToviHookHandler&) = default;
};

// False when the control is null or the handler has no method.
bool HookWndProc(QWidget* control, THookPosition position, TToviHookHandler handler);
// False when the control is null, the handler has no method, or the control was
// never hooked. Removes the first entry equal to the handler.
bool UnhookWndProc(QWidget* control, THookPosition position, TToviHookHandler handler);

}  // namespace toviwall
