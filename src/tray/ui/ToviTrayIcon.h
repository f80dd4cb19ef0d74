#pragma once
// TToviTrayIcon: one icon in the notification area, with an image, a hint shown
// as a tool tip, and mouse events in the order the tray reports them:
//   move         OnMouseMove
//   left down    OnMouseDown(mbLeft)
//   left up      OnClick, OnMouseUp(mbLeft)
//   left double  OnDblClick, OnMouseDown(mbLeft, ssDouble)   (the second press)
//   right/middle down, up, double: OnMouseDown, OnMouseUp, OnMouseDown(ssDouble)
// A StatusNotifierItem tray reports no pointer: a left click there is a left
// double alone, middle and right clicks are down and up.
// An event fires only when a handler is assigned; an exception from a handler is
// shown in the error box and ends the handling of that report.
#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/TrayHost.h"

class QLabel;
class QMenu;

namespace toviwall {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Modifier keys and the double-click mark that come with a mouse event.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssDouble = 64;

class TToviTrayIcon final : public QObject {
  Q_OBJECT

 public:
  using TNotifyEvent = std::function<void(QObject* sender)>;
  using TMouseEvent = std::function<void(QObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
  using TMouseMoveEvent = std::function<void(QObject* sender, TShiftState shift, int x, int y)>;

  // At most this many characters of the hint reach the tray, of at most 255 kept.
  static constexpr int kMaxTipChars = 127;
  static constexpr int kMaxHintChars = 255;

  // `name` names the component and its window in the tray.
  TToviTrayIcon(platform::TrayHost& host, const QString& name, QObject* owner = nullptr);
  ~TToviTrayIcon() override;

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const QIcon& Icon() const { return icon_; }
  void SetIcon(const QIcon& icon);
  // The tip as the tray has it: at most 127 characters.
  QString Hint() const { return tip_; }
  void SetHint(const QString& hint);

  // Adds the icon again (a new tray has none of the old icons) and makes it visible.
  void ReAddIcon();
  // The menu for trays that draw it themselves (StatusNotifierItem trays, which
  // then report no right click); hand it over before the icon is made visible.
  void SetMenu(QMenu* menu);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  // The tray of this platform shows no balloons; kept so handlers read the same.
  TNotifyEvent OnBalloonHintClick;
  TNotifyEvent OnBalloonHintHide;
  TNotifyEvent OnBalloonHintTimeout;

 private:
  void Callback(const platform::TrayMessage& message);
  void FireEvents(unsigned kind, TShiftState shift, int x, int y);
  void TrackTip(unsigned kind);
  void ShowTip();
  void HideTip();

  std::unique_ptr<platform::TrayIcon> tray_;
  bool visible_ = false;
  QIcon icon_;
  QString tip_;
  // The tool tip: shown when the pointer rests on the icon after moving over it.
  std::unique_ptr<QLabel> tipWindow_;
  QTimer tipDelay_;
  QTimer tipTimeout_;
  bool tipSuppressed_ = false;  // after a press, until the pointer leaves
};

}  // namespace toviwall
