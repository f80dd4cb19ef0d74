#include "tray/ui/ToviTrayIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QToolTip>

#include "base/ui/Dialogs.h"
#include "platform/TrayMenuSource.h"

namespace toviwall {
namespace {

constexpr int kTipDelayMs = 600;
constexpr int kTipShownMs = 10000;

// The first `count` characters, without splitting a character made of two UTF-16 units.
QString FirstChars(const QString& text, int count) {
  if (text.size() <= count) return text;
  if (count > 0 && text.at(count - 1).isHighSurrogate()) --count;
  return text.left(count);
}

// A QMenu as the tray reads it; opening it there is opening it here.
class MenuSource final : public platform::TrayMenuSource {
 public:
  explicit MenuSource(QMenu* menu) : menu_(menu) {}
  QObject* Root() const override { return menu_; }
  QList<QAction*> Items(QObject* menu) const override {
    auto* m = qobject_cast<QMenu*>(menu);
    return m ? m->actions() : QList<QAction*>();
  }
  QAction* DefaultItem(QObject* menu) const override {
    auto* m = qobject_cast<QMenu*>(menu);
    return m ? m->defaultAction() : nullptr;
  }
  void AboutToShow(QObject* menu) override {
    if (auto* m = qobject_cast<QMenu*>(menu)) emit m->aboutToShow();
  }

 private:
  QPointer<QMenu> menu_;
};

}  // namespace

TToviTrayIcon::TToviTrayIcon(platform::TrayHost& host, const QString& name, QObject* owner) : QObject(owner) {
  setObjectName(name);
  tray_ = host.CreateIcon(name.toStdString());
  tray_->SetMessageListener([this](const platform::TrayMessage& m) { Callback(m); });
  tipDelay_.setSingleShot(true);
  tipDelay_.setInterval(kTipDelayMs);
  connect(&tipDelay_, &QTimer::timeout, this, &TToviTrayIcon::ShowTip);
  tipTimeout_.setSingleShot(true);
  tipTimeout_.setInterval(kTipShownMs);
  connect(&tipTimeout_, &QTimer::timeout, this, &TToviTrayIcon::HideTip);
}

TToviTrayIcon::~TToviTrayIcon() { SetVisible(false); }

void TToviTrayIcon::SetVisible(bool visible) {
  if (visible != visible_) {
    if (visible)
      tray_->Add(icon_);
    else
      tray_->Delete();
  }
  visible_ = visible;
  if (!visible_) HideTip();
}

void TToviTrayIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  tray_->Modify(icon_);  // also when absent: the record keeps the new image
}

void TToviTrayIcon::SetHint(const QString& hint) {
  // The tray keeps 127 characters: a text that agrees with them is no change.
  const QString tip = FirstChars(FirstChars(hint, kMaxHintChars), kMaxTipChars);
  if (tip == tip_) return;
  tip_ = tip;
  tray_->SetToolTip(tip_.toStdString());
  if (tipWindow_ && tipWindow_->isVisible()) {
    if (tip_.isEmpty()) {
      HideTip();
    } else {
      tipWindow_->setText(tip_);
      tipWindow_->adjustSize();
    }
  }
}

void TToviTrayIcon::ReAddIcon() {
  tray_->Add(icon_);
  visible_ = true;
}

void TToviTrayIcon::SetMenu(QMenu* menu) {
  tray_->SetMenu(menu ? std::make_shared<MenuSource>(menu) : nullptr);
}

void TToviTrayIcon::Callback(const platform::TrayMessage& message) {
  QPoint at;
  RunGuarded([&] { at = QCursor::pos(); });
  TShiftState shift = (message.shift ? ssShift : 0) | (message.ctrl ? ssCtrl : 0) | (message.alt ? ssAlt : 0);
  TrackTip(message.kind);
  RunGuarded([&] { FireEvents(message.kind, shift, at.x(), at.y()); });
}

void TToviTrayIcon::FireEvents(unsigned kind, TShiftState shift, int x, int y) {
  using M = platform::TrayMessage;
  auto down = [&](TMouseButton b, TShiftState s) {
    if (OnMouseDown) OnMouseDown(this, b, s, x, y);
  };
  auto up = [&](TMouseButton b) {
    if (OnMouseUp) OnMouseUp(this, b, shift, x, y);
  };
  switch (kind) {
    case M::MouseMove:
      if (OnMouseMove) OnMouseMove(this, shift, x, y);
      break;
    case M::LButtonDown:
      down(TMouseButton::mbLeft, shift);
      break;
    case M::LButtonUp:
      if (OnClick) OnClick(this);
      up(TMouseButton::mbLeft);
      break;
    case M::LButtonDblClk:
      if (OnDblClick) OnDblClick(this);
      down(TMouseButton::mbLeft, shift | ssDouble);
      break;
    case M::RButtonDown:
      down(TMouseButton::mbRight, shift);
      break;
    case M::RButtonUp:
      up(TMouseButton::mbRight);
      break;
    case M::RButtonDblClk:
      down(TMouseButton::mbRight, shift | ssDouble);
      break;
    case M::MButtonDown:
      down(TMouseButton::mbMiddle, shift);
      break;
    case M::MButtonUp:
      up(TMouseButton::mbMiddle);
      break;
    case M::MButtonDblClk:
      down(TMouseButton::mbMiddle, shift | ssDouble);
      break;
    default:
      break;
  }
}

void TToviTrayIcon::TrackTip(unsigned kind) {
  using M = platform::TrayMessage;
  switch (kind) {
    case M::MouseMove:
      // The tip comes when the pointer rests after moving over the icon, not after
      // a click and not when a window merely uncovers the icon under the pointer.
      if (!tipSuppressed_ && !tip_.isEmpty() && !(tipWindow_ && tipWindow_->isVisible())) tipDelay_.start();
      break;
    case M::MouseLeave:
      tipSuppressed_ = false;
      HideTip();
      break;
    case M::LButtonDown:
    case M::LButtonDblClk:
    case M::RButtonDown:
    case M::RButtonDblClk:
    case M::MButtonDown:
    case M::MButtonDblClk:
      tipSuppressed_ = true;
      HideTip();
      break;
    default:
      break;
  }
}

void TToviTrayIcon::ShowTip() {
  if (tip_.isEmpty() || !visible_) return;
  if (!tipWindow_) {
    tipWindow_ = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::BypassGraphicsProxyWidget);
    tipWindow_->setObjectName(objectName() + QStringLiteral("Hint"));
    tipWindow_->setTextFormat(Qt::PlainText);
    tipWindow_->setPalette(QToolTip::palette());
    tipWindow_->setFont(QToolTip::font());
    tipWindow_->setForegroundRole(QPalette::ToolTipText);
    tipWindow_->setBackgroundRole(QPalette::ToolTipBase);
    tipWindow_->setAutoFillBackground(true);
    tipWindow_->setFrameStyle(QFrame::Box | QFrame::Plain);
    tipWindow_->setMargin(3);
  }
  tipWindow_->setText(tip_);
  tipWindow_->adjustSize();
  // Below and right of the pointer, inside the screen; above it near the bottom.
  const QPoint pointer = QCursor::pos();
  QPoint at = pointer + QPoint(2, 20);
  if (QScreen* screen = QGuiApplication::screenAt(pointer)) {
    const QRect area = screen->geometry();
    const QSize size = tipWindow_->size();
    if (at.x() + size.width() > area.right()) at.setX(area.right() - size.width());
    if (at.y() + size.height() > area.bottom()) at.setY(pointer.y() - 4 - size.height());
    at.setX(std::max(at.x(), area.left()));
    at.setY(std::max(at.y(), area.top()));
  }
  tipWindow_->move(at);
  tipWindow_->show();
  tipTimeout_.start();
}

void TToviTrayIcon::HideTip() {
  tipDelay_.stop();
  tipTimeout_.stop();
  if (tipWindow_) tipWindow_->hide();
}

}  // namespace toviwall
