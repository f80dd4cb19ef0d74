#include "preview/ui/ToviGraphicOpenDialog.h"

#include <QFileInfo>
#include <QLabel>
#include <algorithm>

#include "preview/ui/VantorThumbnails.h"

namespace toviwall {

TToviGraphicOpenDialog::TToviGraphicOpenDialog(QWidget* parent) : TVantorCustomExtendedFileDialog(parent) {
  setObjectName(QStringLiteral("TToviGraphicOpenDialog"));
  SetExtendedSize(160);
  setNameFilters({QStringLiteral("All pictures (*.bmp *.jpg *.jpeg *.png)"), QStringLiteral("Bitmaps (*.bmp)"),
                  QStringLiteral("JPEG images (*.jpg *.jpeg)"), QStringLiteral("PNG images (*.png)")});
  QWidget* panel = Container();
  sizeLabel_ = new QLabel(panel);
  sizeLabel_->setObjectName(QStringLiteral("LabelImageSize"));
  sizeLabel_->setAlignment(Qt::AlignCenter);
  thumbnail_ = new TVantorThumbnail(panel);
  thumbnail_->setObjectName(QStringLiteral("VantorThumbnail"));
  thumbnail_->OnGraphicLoaded = [this](TVantorThumbnail*, const ThumbnailLoad& load) { PreviewLoaded(load); };
  connect(this, &QFileDialog::currentChanged, this, &TToviGraphicOpenDialog::SelectionChange);
}

ThumbnailQuality TToviGraphicOpenDialog::PreviewQuality() const { return thumbnail_->Quality(); }
void TToviGraphicOpenDialog::SetPreviewQuality(ThumbnailQuality quality) { thumbnail_->SetQuality(quality); }

void TToviGraphicOpenDialog::setVisible(bool visible) {
  if (visible) thumbnail_->ClearGraphic();
  TVantorCustomExtendedFileDialog::setVisible(visible);
}

void TToviGraphicOpenDialog::done(int result) {
  thumbnail_->ClearGraphic();
  TVantorCustomExtendedFileDialog::done(result);
}

void TToviGraphicOpenDialog::LayoutContainer() {
  const int w = Container()->width(), h = Container()->height();
  sizeLabel_->setGeometry(0, 0, w, 24);
  thumbnail_->setGeometry(0, 24, w, std::max(h - 24, 0));
  TVantorCustomExtendedFileDialog::LayoutContainer();
}

void TToviGraphicOpenDialog::SelectionChange(const QString& path) {
  // The picture is decoded on a worker; the dialog stays responsive meanwhile.
  if (QFileInfo(path).isFile())
    thumbnail_->LoadGraphic(path.toStdString());
  else
    ClearPreview();
}

void TToviGraphicOpenDialog::PreviewLoaded(const ThumbnailLoad& load) {
  if (!load.ok) {
    ClearPreview();  // a damaged file shows nothing, and says nothing
    return;
  }
  sizeLabel_->setText(QStringLiteral("%1 x %2").arg(load.image.width).arg(load.image.height));
}

void TToviGraphicOpenDialog::ClearPreview() {
  sizeLabel_->clear();
  thumbnail_->ClearGraphic();
}

}  // namespace toviwall
