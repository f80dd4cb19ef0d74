#include "hotkeys/ui/ToviHotKeyBox.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "base/UnitLanguage.h"
#include "base/ui/Dialogs.h"
#include "hotkeys/ui/ToviHotKey.h"

namespace toviwall {
namespace {

// Super reaches Qt as its Meta modifier.
constexpr Qt::KeyboardModifiers kTaken =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

Qt::KeyboardModifiers ModifierOfKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
      return Qt::ShiftModifier;
    case Qt::Key_Control:
      return Qt::ControlModifier;
    case Qt::Key_Alt:
      return Qt::AltModifier;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
      return Qt::MetaModifier;
    default:
      return Qt::NoModifier;
  }
}

bool IsModifierKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
      return true;
    default:
      return false;
  }
}

bool IsPlainTab(const QKeyEvent* e) {
  const Qt::KeyboardModifiers m = e->modifiers() & kTaken;
  return (e->key() == Qt::Key_Tab && m == Qt::NoModifier) || e->key() == Qt::Key_Backtab ||
         (e->key() == Qt::Key_Tab && m == Qt::ShiftModifier);
}

TShortCutShift ShiftOf(Qt::KeyboardModifiers m) {
  return static_cast<TShortCutShift>((m & Qt::ShiftModifier ? scShift : 0) | (m & Qt::ControlModifier ? scCtrl : 0) |
                                     (m & Qt::AltModifier ? scAlt : 0) | (m & Qt::MetaModifier ? scSuper : 0));
}

// The text that says why, by the refusal's number.
int RefusalText(platform::HotKeyRefusal why) {
  switch (why) {
    case platform::HotKeyRefusal::TakenElsewhere: return 10150;
    case platform::HotKeyRefusal::TakenHere: return 10151;
    case platform::HotKeyRefusal::NoSuchKey: return 10152;
    case platform::HotKeyRefusal::NeedsModifier: return 10153;
    case platform::HotKeyRefusal::Refused: return 10154;
    case platform::HotKeyRefusal::None: break;
  }
  return 0;
}

const QString kNone = QStringLiteral("None");

}  // namespace

TToviHotKeyBox::TToviHotKeyBox(platform::GlobalHotKeys& keys, QWidget* parent) : QLineEdit(parent), keys_(keys) {
  setReadOnly(true);  // typing sets the combination; nothing is edited as text
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setPlaceholderText(kNone);
}

void TToviHotKeyBox::SetHotKey(TShortCut hotKey) {
  hotKey_ = hotKey;
  partial_ = false;
  setText(QString::fromStdString(ShortCutText(hotKey_)));
  if (hotKey_ != 0) ShowRefusal(0, platform::HotKeyRefusal::None);
}

void TToviHotKeyBox::ShowRefusal(TShortCut refused, platform::HotKeyRefusal why) {
  const int text = RefusalText(why);
  const QString reason = text ? Q(FormatText(S(text), {ShortCutText(refused)})) : QString();
  setPlaceholderText(reason.isEmpty() ? kNone : reason);
  setToolTip(reason);  // the whole of it where the box is too narrow
}

void TToviHotKeyBox::ShowRefusal(const TToviHotKey& key) {
  // An empty combination is refused without a reason: the box keeps what it says.
  if (key.Refusal() != platform::HotKeyRefusal::None) ShowRefusal(key.RefusedHotKey(), key.Refusal());
}

void TToviHotKeyBox::ShowModifiers(Qt::KeyboardModifiers modifiers) {
  partial_ = (modifiers & kTaken) != Qt::NoModifier;
  if (partial_)
    setText(QString::fromStdString(ShortCutText(ShiftOf(modifiers))));
  else
    SetHotKey(hotKey_);
}

bool TToviHotKeyBox::event(QEvent* event) {
  // Every combination is for the box, not for the window's shortcuts and mnemonics.
  if (event->type() == QEvent::ShortcutOverride && !IsPlainTab(static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QLineEdit::event(event);
}

void TToviHotKeyBox::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & kTaken;
  if (IsModifierKey(key)) {
    ShowModifiers(modifiers | ModifierOfKey(key));
    return;
  }
  if (modifiers == Qt::NoModifier &&
      (key == Qt::Key_Backspace || key == Qt::Key_Delete || key == Qt::Key_Escape || key == Qt::Key_Space ||
       key == Qt::Key_Return || key == Qt::Key_Enter)) {
    SetHotKey(0);
    ShowRefusal(0, platform::HotKeyRefusal::None);
    return;
  }
  const unsigned code = keys_.VirtualKeyOfKeyPress(event->nativeScanCode(), event->nativeVirtualKey());
  if (code == 0) {
    SetHotKey(hotKey_);  // a key without a code: the box keeps what it had
    return;
  }
  // A key that types needs a modifier.
  const TShortCut typed = ShortCut(code, ShiftOf(modifiers));
  if (UsableSystemWide(typed)) return SetHotKey(typed);
  SetHotKey(0);
  ShowRefusal(typed, platform::HotKeyRefusal::NeedsModifier);
}

void TToviHotKeyBox::keyReleaseEvent(QKeyEvent* event) {
  // Letting go of modifiers before any key shows what is still held, or the
  // combination the box keeps.
  if (partial_ && IsModifierKey(event->key())) ShowModifiers(event->modifiers() & kTaken & ~ModifierOfKey(event->key()));
}

void TToviHotKeyBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  SetHotKey(hotKey_);
  // Another window taking the focus (or a menu) is no move to another control.
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) emit Exit();
}

}  // namespace toviwall
