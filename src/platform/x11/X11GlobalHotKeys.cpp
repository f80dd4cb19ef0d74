#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>

#include "platform/x11/VirtualKeys.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "platform/x11/X11UserTime.h"
#include "platform/x11/XcbUtil.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <vector>

namespace toviwall::platform {
namespace {

constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;  // Num_Lock

// The keyboard's keycode-to-keysym table, read afresh each time it is needed so a
// changed layout is always taken into account.
class KeyboardMap {
 public:
  explicit KeyboardMap(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    min_ = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    XcbReply<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, min_, static_cast<std::uint8_t>(count)), nullptr));
    if (!reply) return;
    perCode_ = reply->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    syms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
  }

  // The key that produces the keysym, preferring a key where it needs no Shift.
  xcb_keycode_t KeycodeOf(xcb_keysym_t keysym) const {
    if (perCode_ == 0) return 0;
    for (int column = 0; column < perCode_; ++column)
      for (std::size_t i = column; i < syms_.size(); i += perCode_)
        if (syms_[i] == keysym) return static_cast<xcb_keycode_t>(min_ + i / perCode_);
    return 0;
  }

  bool Produces(xcb_keycode_t keycode, xcb_keysym_t keysym) const {
    if (keycode < min_ || perCode_ == 0) return false;
    const std::size_t first = static_cast<std::size_t>(keycode - min_) * perCode_;
    for (std::size_t i = first; i < first + perCode_ && i < syms_.size(); ++i)
      if (syms_[i] == keysym) return true;
    return false;
  }

  // The keysym of the key without any modifier.
  xcb_keysym_t BaseKeysym(xcb_keycode_t keycode) const {
    if (keycode < min_ || perCode_ == 0) return 0;
    const std::size_t i = static_cast<std::size_t>(keycode - min_) * perCode_;
    return i < syms_.size() ? syms_[i] : 0;
  }

 private:
  xcb_keycode_t min_ = 0;
  int perCode_ = 0;
  std::vector<xcb_keysym_t> syms_;
};

class X11GlobalHotKeysImpl final : public GlobalHotKeys, public QAbstractNativeEventFilter {
 public:
  X11GlobalHotKeysImpl(xcb_connection_t* c, xcb_window_t root) : c_(c), root_(root), userTime_(c) {
    QCoreApplication::instance()->installNativeEventFilter(this);
  }

  ~X11GlobalHotKeysImpl() override {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const Grab& g : grabs_) Ungrab(g);
    xcb_flush(c_);
  }

  bool Register(QObject* receiver, int id, unsigned modifier, unsigned virtualKey) override {
    refusal_ = HotKeyRefusal::NoSuchKey;
    if (!receiver) return Refuse(HotKeyRefusal::Refused);
    const xcb_keysym_t keysym = KeysymForVirtualKey(virtualKey);
    if (!keysym) return false;
    const KeyboardMap map(c_);
    const xcb_keycode_t keycode = map.KeycodeOf(keysym);
    if (!keycode) return false;  // no such key on this keyboard
    Grab grab{receiver, receiver, id, keycode, ModifierMask(modifier), NumLockMask(map)};
    // The server lets one client grab a combination twice; the system does not.
    for (const Grab& g : grabs_)
      if (g.keycode == grab.keycode && g.mods == grab.mods) return Refuse(HotKeyRefusal::TakenHere);

    std::vector<std::uint16_t> variants = Variants(grab);
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t v : variants)
      cookies.push_back(xcb_grab_key_checked(c_, 0, root_, v, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::vector<std::uint16_t> taken;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
      XcbReply<xcb_generic_error_t> error(xcb_request_check(c_, cookies[i]));
      if (!error) taken.push_back(variants[i]);
    }
    if (taken.size() != variants.size()) {
      // Another client holds (a variant of) it (BadAccess): give back what was taken.
      for (std::uint16_t v : taken) xcb_ungrab_key(c_, keycode, root_, v);
      xcb_flush(c_);
      return Refuse(HotKeyRefusal::TakenElsewhere);
    }
    grabs_.push_back(grab);
    refusal_ = HotKeyRefusal::None;
    return true;
  }

  HotKeyRefusal LastRefusal() const override { return refusal_; }

  bool Unregister(QObject* receiver, int id) override {
    auto it = std::find_if(grabs_.begin(), grabs_.end(),
                           [&](const Grab& g) { return g.key == receiver && g.id == id; });
    if (it == grabs_.end()) return false;
    Ungrab(*it);
    xcb_flush(c_);
    grabs_.erase(it);
    return true;
  }

  unsigned VirtualKeyOfKeyPress(unsigned keycode, unsigned keysym) override {
    if (unsigned code = VirtualKeyForKeysym(keysym)) return code;
    // Shifted symbols ("!" on the 1 key) stand for their key.
    return VirtualKeyForKeysym(KeyboardMap(c_).BaseKeysym(static_cast<xcb_keycode_t>(keycode)));
  }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t") return false;
    auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
    auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    // Reported on the root by the grab, or on one of this program's windows while
    // it holds the keyboard itself (an open menu): a hot key either way.
    for (const Grab& g : grabs_) {
      const std::uint16_t state = key->state & 0xff & ~(XCB_MOD_MASK_LOCK | g.numLock);
      if (key->detail == g.keycode && state == g.mods) {
        // The command may bring a window to the front: Qt learns the time first.
        userTime_.ThenRun([receiver = g.receiver, id = g.id] {
          if (receiver) QCoreApplication::postEvent(receiver, new HotKeyEvent(id));
        });
        return true;
      }
    }
    return false;
  }

 private:
  struct Grab {
    QPointer<QObject> receiver;
    const QObject* key;  // the receiver's identity, also once it is gone
    int id;
    xcb_keycode_t keycode;
    std::uint16_t mods;
    std::uint16_t numLock;
  };

  bool Refuse(HotKeyRefusal why) {
    refusal_ = why;
    return false;
  }

  static std::uint16_t ModifierMask(unsigned modifier) {
    std::uint16_t mask = 0;
    if (modifier & 1) mask |= XCB_MOD_MASK_1;  // Alt
    if (modifier & 2) mask |= XCB_MOD_MASK_CONTROL;
    if (modifier & 4) mask |= XCB_MOD_MASK_SHIFT;
    if (modifier & 8) mask |= XCB_MOD_MASK_4;  // Super, where every desktop's keymap puts it
    return mask;
  }

  std::uint16_t NumLockMask(const KeyboardMap& map) {
    XcbReply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(c_, xcb_get_modifier_mapping(c_), nullptr));
    if (!reply) return 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
      for (int j = 0; j < perModifier; ++j) {
        xcb_keycode_t code = codes[modifier * perModifier + j];
        if (code && map.Produces(code, kNumLockKeysym)) return static_cast<std::uint16_t>(1u << modifier);
      }
    return 0;
  }

  // The combination as it arrives with Caps Lock and Num Lock on or off.
  static std::vector<std::uint16_t> Variants(const Grab& g) {
    std::vector<std::uint16_t> v{g.mods, static_cast<std::uint16_t>(g.mods | XCB_MOD_MASK_LOCK)};
    if (g.numLock && !(g.mods & g.numLock)) {
      v.push_back(g.mods | g.numLock);
      v.push_back(g.mods | g.numLock | XCB_MOD_MASK_LOCK);
    }
    return v;
  }

  void Ungrab(const Grab& g) {
    for (std::uint16_t v : Variants(g)) xcb_ungrab_key(c_, g.keycode, root_, v);
  }

  xcb_connection_t* c_;
  xcb_window_t root_;
  std::vector<Grab> grabs_;
  HotKeyRefusal refusal_ = HotKeyRefusal::None;
  X11UserTime userTime_;
};

}  // namespace

std::unique_ptr<GlobalHotKeys> CreateX11GlobalHotKeys() {
  XcbSession session = QtXcbSession();
  if (!session.connection) return nullptr;
  return std::make_unique<X11GlobalHotKeysImpl>(session.connection,
                                                ScreenOf(session.connection, session.screenNumber)->root);
}

}  // namespace toviwall::platform
