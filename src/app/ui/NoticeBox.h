#pragma once
// What goes wrong without the user at hand (a tick, the start, a command from
// outside): shown in one non-modal box that gathers the texts while it is
// open, so the change timer goes on ticking with nobody there to press OK, and
// failures that keep coming do not stack boxes.
#include <QMessageBox>
#include <QPointer>

namespace toviwall {

class NoticeBox {
 public:
  NoticeBox() = default;
  NoticeBox(const NoticeBox&) = delete;
  NoticeBox& operator=(const NoticeBox&) = delete;
  ~NoticeBox();
  void Show(const QString& text);

 private:
  QPointer<QMessageBox> box_;  // a window of its own, not owned by the main window
};

}  // namespace toviwall
