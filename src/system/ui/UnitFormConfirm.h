#pragma once
// TFormConfirm: after a display-mode switch, asks whether to keep the new mode
// and counts down 20 seconds; pressing nothing, Cancel (the default button),
// Enter or closing the dialog answers Cancel.
#include <QDialog>
#include <QTimer>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace toviwall {

class TFormConfirm final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kSeconds = 20;

  // `tickMs` is the length of one of the 20 steps (a second; tests shorten it);
  // `bringToFront` raises the shown dialog above other programs' windows.
  TFormConfirm(const QFont& font, int tickMs = 1000, std::function<void(QWidget*)> bringToFront = {},
               QWidget* parent = nullptr);

  int Remaining() const { return Remaining_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
  void CenterOnScreen();
  void FormShow();
  void TimerConfirmTimer();
  void ButtonOKClick();

  std::function<void(QWidget*)> bringToFront_;
  int Remaining_ = kSeconds;
  QLabel* ImageIcon = nullptr;
  QLabel* LabelWindow = nullptr;
  QLabel* LabelInfoCancel = nullptr;
  QProgressBar* ProgressBarConfirm = nullptr;
  QLabel* LabelTimer = nullptr;
  QPushButton* ButtonOK = nullptr;
  QPushButton* ButtonCancel = nullptr;
  QTimer TimerConfirm;
};

}  // namespace toviwall
