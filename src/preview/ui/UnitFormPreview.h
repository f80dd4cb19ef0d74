#pragma once
// TPreviewForm: the companion window beside the main window that shows the
// selected list entry's picture with its file name and size. A frameless tool
// window without a taskbar entry that never takes the keyboard, so the list
// keeps it while the user walks through the entries.
#include <QFrame>
#include <QString>

class QLabel;

namespace toviwall {

class TToviThumbnail;

class TPreviewForm final : public QFrame {
  Q_OBJECT
 public:
  // `linkAddress`: the maker's web address the link label shows and opens.
  TPreviewForm(const QString& linkAddress, QWidget* parent);

  TToviThumbnail* Thumbnail() const { return ToviThumbnail; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  int Scaled(int designPixels) const;
  void Place(QWidget* control, int left, int top);
  void ToviThumbnailImgChanged(TToviThumbnail* sender);
  void LinkLabelClick();

  QString linkAddress_;
  int clientWidth_ = 0;
  QLabel* LabelImagePreview = nullptr;
  TToviThumbnail* ToviThumbnail = nullptr;
  QFrame* BevelSpacer = nullptr;
  QLabel* LabelImageInfo = nullptr;
  QLabel* LabelFileName = nullptr;
  QLabel* LabelImageHeight = nullptr;
  QLabel* LabelImageWidth = nullptr;
  QLabel* LabelLink = nullptr;
};

}  // namespace toviwall
