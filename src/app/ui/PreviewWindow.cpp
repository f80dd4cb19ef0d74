#include "app/ui/PreviewWindow.h"

#include <QEvent>

#include <QWidget>

#include "base/AtomicFile.h"
#include "base/ui/Dialogs.h"
#include "preview/ui/ToviThumbnail.h"
#include "preview/ui/UnitFormPreview.h"
#include "update/MakerServer.h"

namespace toviwall {

PreviewWindow::PreviewWindow(QWidget& mainWindow) : form_(mainWindow) { form_.installEventFilter(this); }

PreviewWindow::~PreviewWindow() { Close(); }

void PreviewWindow::Open(const std::string& selectedFile) {
  if (!window_) {
    window_ = new TPreviewForm(Q(MakerServer()), &form_);
    window_->setFixedHeight(form_.frameGeometry().height());
    KeepDocked();
    if (!selectedFile.empty()) ShowEntry(selectedFile);
  } else {
    KeepDocked();
  }
  window_->show();
}

void PreviewWindow::Close() {
  if (!window_) return;
  window_->hide();
  delete window_.data();
}

void PreviewWindow::KeepDocked() {
  if (!window_) return;
  const QRect main = form_.frameGeometry();
  window_->move(main.x() + main.width(), main.y());
}

void PreviewWindow::ShowEntry(const std::string& file) {
  if (!window_ || !FileExists(file)) return;
  window_->Thumbnail()->SetImgFileName(file);
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
  // Closing the main window hides both; showing it brings the preview back (FormShow).
  if (watched == &form_ && event->type() == QEvent::Hide && window_) window_->hide();
  return QObject::eventFilter(watched, event);
}

}  // namespace toviwall
