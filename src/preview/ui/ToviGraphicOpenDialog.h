#pragma once
// TToviGraphicOpenDialog: the open dialog of the Add command, with a panel that
// shows a thumbnail and the pixel size ("1024 x 768") of the file selected in
// it. A file that cannot be read leaves the panel empty, without a message.
// PNG files are decoded straight into memory: no temporary file is written.
#include "preview/ThumbnailGeometry.h"
#include "preview/ui/VantorFileDialogs.h"

class QLabel;

namespace toviwall {

class TVantorThumbnail;
struct ThumbnailLoad;

class TToviGraphicOpenDialog final : public TVantorCustomExtendedFileDialog {
  Q_OBJECT
 public:
  explicit TToviGraphicOpenDialog(QWidget* parent = nullptr);

  ThumbnailQuality PreviewQuality() const;
  void SetPreviewQuality(ThumbnailQuality quality);

  TVantorThumbnail* Thumbnail() const { return thumbnail_; }
  QLabel* SizeLabel() const { return sizeLabel_; }

  void setVisible(bool visible) override;

 protected:
  void LayoutContainer() override;
  void done(int result) override;

 private:
  void SelectionChange(const QString& path);
  void PreviewLoaded(const ThumbnailLoad& load);
  void ClearPreview();

  QLabel* sizeLabel_ = nullptr;
  TVantorThumbnail* thumbnail_ = nullptr;
};

}  // namespace toviwall
