#include "app/ui/NoticeBox.h"

#include <QApplication>

#include "base/AppIdentity.h"

namespace toviwall {

NoticeBox::~NoticeBox() { delete box_; }

void NoticeBox::Show(const QString& text) {
  if (box_) {
    if (!box_->text().contains(text)) box_->setText(box_->text() + QStringLiteral("\n\n") + text);
    return;
  }
  // No parent: the main window is mostly hidden, and the box must show anyway.
  box_ = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kTitle), text, QMessageBox::Ok);
  box_->setObjectName(QStringLiteral("NoticeBox"));
  box_->setTextFormat(Qt::PlainText);
  box_->setWindowModality(Qt::NonModal);
  box_->setAttribute(Qt::WA_DeleteOnClose);
  QApplication::beep();
  box_->show();
}

}  // namespace toviwall
