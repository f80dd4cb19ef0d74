#pragma once
// TToviHotKey: one system-wide key combination for a window. Active registers
// HotKey with the system under a new identifier and hooks the owner's event
// handling (after its own) to hear the presses; a refused combination (one the
// system refuses, or a key that types without a modifier) clears HotKey and
// leaves the component active with nothing registered.
#include <QObject>
#include <cstdint>
#include <functional>

#include "base/ShortCut.h"
#include "base/ui/ToviWndProcHook.h"
#include "platform/GlobalHotKeys.h"

class QWidget;

namespace toviwall {

class TToviHotKey final : public QObject {
  Q_OBJECT

 public:
  using TNotifyEvent = std::function<void(QObject* sender)>;
  // The component's own HotKey, VirtKey and Modifier, by reference.
  using TToviHotKeyRegister =
      std::function<void(QObject* sender, TShortCut& hotKey, std::uint16_t& virtKey, std::uint16_t& modifier)>;

  // The owner's window receives the presses.
  TToviHotKey(QWidget* owner, platform::GlobalHotKeys& keys);
  // Unhooks; the key stays registered (the owner deactivates its keys before it ends).
  ~TToviHotKey() override;

  bool Active() const { return active_; }
  void SetActive(bool active);
  TShortCut HotKey() const { return hotKey_; }
  void SetHotKey(TShortCut hotKey);
  // The combination the last activation could not take, and why; 0 and None
  // after one that took its combination (or had none).
  TShortCut RefusedHotKey() const { return refusedHotKey_; }
  platform::HotKeyRefusal Refusal() const { return refusal_; }

  TNotifyEvent OnHotKey;
  TToviHotKeyRegister OnHotKeyRegisterSuccess;
  TToviHotKeyRegister OnHotKeyRegisterFailed;

 private:
  bool RegisterKey();
  bool MessageHandler(TToviMessage& message);
  TToviHookHandler Handler() { return TToviHookHandler::Of<&TToviHotKey::MessageHandler>(this); }

  QWidget* owner_;
  platform::GlobalHotKeys& keys_;
  bool active_ = false;
  TShortCut hotKey_ = 0;
  std::uint16_t virtKey_ = 0;
  std::uint16_t modifier_ = 0;
  TShortCut refusedHotKey_ = 0;
  platform::HotKeyRefusal refusal_ = platform::HotKeyRefusal::None;
  QWidget* window_ = nullptr;  // the window the key is registered for
  int id_ = 0;
  bool hooked_ = false;
};

}  // namespace toviwall
