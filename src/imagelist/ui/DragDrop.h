#pragma once
// TFileDropTarget: a container that takes files and folders dragged from a
// file manager (XDND, "text/uri-list") onto the control it holds. Drags that
// carry local files show the copy cursor; others are refused. A drop raises
// OnDropFiles with the local paths in the drag's order and the drop point;
// URLs that name no local file are left out.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace toviwall {

class TFileDropTarget final : public QWidget {
  Q_OBJECT
 public:
  using TDropFilesEvent =
      std::function<void(QObject* sender, const std::vector<std::string>& fileList, int x, int y)>;

  explicit TFileDropTarget(QWidget* parent = nullptr);
  // The control that fills the container.
  void SetControl(QWidget* control);

  TDropFilesEvent OnDropFiles;

  // The local paths a drag carries.
  static std::vector<std::string> DroppedPaths(const QMimeData* data);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace toviwall
