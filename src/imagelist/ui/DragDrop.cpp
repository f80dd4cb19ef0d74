#include "imagelist/ui/DragDrop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QVBoxLayout>
#include <unistd.h>

#include "imagelist/UriList.h"

namespace toviwall {
namespace {

const QString kUriList = QStringLiteral("text/uri-list");

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace

TFileDropTarget::TFileDropTarget(QWidget* parent) : QWidget(parent) {
  setAcceptDrops(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

void TFileDropTarget::SetControl(QWidget* control) { layout()->addWidget(control); }

std::vector<std::string> TFileDropTarget::DroppedPaths(const QMimeData* data) {
  if (!data || !data->hasFormat(kUriList)) return {};
  const QByteArray text = data->data(kUriList);
  return LocalPathsOfUriList(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), HostName());
}

void TFileDropTarget::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedPaths(event->mimeData()).empty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TFileDropTarget::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedPaths(event->mimeData()).empty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TFileDropTarget::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths = DroppedPaths(event->mimeData());
  if (paths.empty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  const QPoint at = event->position().toPoint();
  if (OnDropFiles) OnDropFiles(this, paths, at.x(), at.y());
}

}  // namespace toviwall
