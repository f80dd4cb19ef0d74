#pragma once
// TToviHotKeyBox: a box that takes one key combination by being pressed, like a
// hot key box: it shows "Ctrl + Alt + W" while keeping the shortcut value.
// Backspace, Delete, Esc, Space and Enter alone empty it; Tab moves on; the
// modifiers held so far show while no key is pressed yet. A combination that
// cannot be taken system-wide (a key that types without Ctrl, Alt or Super)
// empties it too, and the empty box says why. Exit runs when the focus moves on
// to another control.
#include <QLineEdit>

#include "base/ShortCut.h"
#include "platform/GlobalHotKeys.h"

namespace toviwall {

class TToviHotKey;

class TToviHotKeyBox final : public QLineEdit {
  Q_OBJECT

 public:
  // `keys` tells the key code of a key press.
  explicit TToviHotKeyBox(platform::GlobalHotKeys& keys, QWidget* parent = nullptr);

  TShortCut HotKey() const { return hotKey_; }
  void SetHotKey(TShortCut hotKey);
  // Shows why the combination was not taken, in the box while it stays empty
  // (None: says nothing any more).
  void ShowRefusal(TShortCut refused, platform::HotKeyRefusal why);
  // Why the key's last activation refused its combination, if it had one.
  void ShowRefusal(const TToviHotKey& key);

 signals:
  void Exit();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ShowModifiers(Qt::KeyboardModifiers modifiers);

  platform::GlobalHotKeys& keys_;
  TShortCut hotKey_ = 0;
  bool partial_ = false;  // showing the modifiers held, before any key
};

}  // namespace toviwall
