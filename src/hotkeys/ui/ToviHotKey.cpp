#include "hotkeys/ui/ToviHotKey.h"

#include <QWidget>

#include "platform/GlobalHotKeys.h"

namespace toviwall {
namespace {

// Identifiers are never given back: every activation takes the next one.
int nextHotKeyId = 0;

// Stores the new Active value also when an event handler throws, so the
// component's state matches what is registered and hooked.
class StoreOnExit {
 public:
  StoreOnExit(bool& target, bool value) : target_(target), value_(value) {}
  ~StoreOnExit() { target_ = value_; }

 private:
  bool& target_;
  bool value_;
};

}  // namespace

TToviHotKey::TToviHotKey(QWidget* owner, platform::GlobalHotKeys& keys) : QObject(owner), owner_(owner), keys_(keys) {}

TToviHotKey::~TToviHotKey() {
  if (hooked_) UnhookWndProc(owner_, HookAfter, Handler());
}

void TToviHotKey::SetHotKey(TShortCut hotKey) {
  if (hotKey == hotKey_) return;
  // An active key registers the new combination at once (also an empty one).
  const bool wasActive = active_;
  SetActive(false);
  hotKey_ = hotKey;
  SetActive(wasActive);
}

void TToviHotKey::SetActive(bool active) {
  if (active == active_) return;
  StoreOnExit store(active_, active);
  if (active && !hooked_) {
    id_ = nextHotKeyId++;
    if (RegisterKey()) {
      HookWndProc(owner_, HookAfter, Handler());
      hooked_ = true;
      if (OnHotKeyRegisterSuccess) OnHotKeyRegisterSuccess(this, hotKey_, virtKey_, modifier_);
    } else {
      window_ = nullptr;
      if (OnHotKeyRegisterFailed) OnHotKeyRegisterFailed(this, hotKey_, virtKey_, modifier_);
    }
  } else if (!active && hooked_) {
    keys_.Unregister(window_, id_);
    UnhookWndProc(owner_, HookAfter, Handler());
    hooked_ = false;
    window_ = nullptr;
  }
}

bool TToviHotKey::RegisterKey() {
  if (window_) return false;
  window_ = owner_;
  SplitKey split = SplitShortCut(hotKey_);
  virtKey_ = split.virtKey;
  modifier_ = split.modifier;
  // A key that types needs a modifier: refused here as if the system had.
  refusal_ = platform::HotKeyRefusal::None;
  if (UsableSystemWide(hotKey_)) {
    if (keys_.Register(window_, id_, modifier_, virtKey_)) {
      refusedHotKey_ = 0;
      return true;
    }
    refusal_ = keys_.LastRefusal();
  } else if (hotKey_ != 0) {
    refusal_ = platform::HotKeyRefusal::NeedsModifier;
  }
  refusedHotKey_ = refusal_ == platform::HotKeyRefusal::None ? 0 : hotKey_;
  hotKey_ = 0;
  virtKey_ = 0;
  modifier_ = 0;
  return false;
}

bool TToviHotKey::MessageHandler(TToviMessage& message) {
  if (message.event->type() == platform::HotKeyEvent::EventType() &&
      static_cast<platform::HotKeyEvent*>(message.event)->Id() == id_ && OnHotKey)
    OnHotKey(this);
  return false;  // later handlers still see the message
}

}  // namespace toviwall
