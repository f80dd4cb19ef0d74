#include "preview/ui/UnitFormPreview.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include "base/AppIdentity.h"
#include "base/UnitLanguage.h"
#include "base/ui/Dialogs.h"
#include "preview/ui/ToviThumbnail.h"

namespace toviwall {
namespace {

// Client size at 96 dots per inch; the height follows the main window.
constexpr int kClientWidth = 230;
constexpr int kClientHeight = 377;

// A label that reads as a link: blue, underlined under the pointer, a hand cursor.
class THoverLinkLabel final : public QLabel {
 public:
  explicit THoverLinkLabel(QWidget* parent) : QLabel(parent) {
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    setPalette(blue);
    setCursor(Qt::PointingHandCursor);
  }
  std::function<void()> OnClick;

 protected:
  void enterEvent(QEnterEvent* event) override {
    Underline(true);
    QLabel::enterEvent(event);
  }
  void leaveEvent(QEvent* event) override {
    Underline(false);
    QLabel::leaveEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick();
    QLabel::mouseReleaseEvent(event);
  }

 private:
  void Underline(bool on) {
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
  }
};

QLabel* BoldLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

}  // namespace

TPreviewForm::TPreviewForm(const QString& linkAddress, QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      linkAddress_(linkAddress) {
  setObjectName(QStringLiteral("PreviewForm"));
  setWindowTitle(QString::fromUtf8(kTitle) + QStringLiteral(" ") + Q(S(10006)));
  // The main window's font: a window of its own does not inherit it.
  if (parent) setFont(parent->font());
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFrameStyle(QFrame::Box | QFrame::Plain);  // the thin border of a window without a caption
  setLineWidth(1);

  LabelImagePreview = BoldLabel(this);
  LabelImagePreview->setObjectName(QStringLiteral("LabelImagePreview"));
  LabelImagePreview->setText(QString::fromUtf8(kTitle) + QStringLiteral(" ") + Q(S(10006)));
  // Wider than designed when the fonts here are wider, so the heading is whole.
  clientWidth_ = std::max(Scaled(kClientWidth), 2 * Scaled(8) + LabelImagePreview->sizeHint().width());
  Place(LabelImagePreview, 8, 8);

  ToviThumbnail = new TToviThumbnail(this);
  ToviThumbnail->setObjectName(QStringLiteral("ToviThumbnail"));
  ToviThumbnail->SetOptions(vtoConstrainRatio);
  ToviThumbnail->SetPadding(0);
  ToviThumbnail->resize(Scaled(212), Scaled(159));
  Place(ToviThumbnail, 8, 31);

  BevelSpacer = new QFrame(this);
  BevelSpacer->setObjectName(QStringLiteral("BevelSpacer"));
  BevelSpacer->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  BevelSpacer->resize(Scaled(209), 2);
  Place(BevelSpacer, 8, 204);

  LabelImageInfo = BoldLabel(this);
  LabelImageInfo->setObjectName(QStringLiteral("LabelImageInfo"));
  LabelImageInfo->setText(Q(S(10007)));
  Place(LabelImageInfo, 8, 212);

  LabelFileName = new QLabel(QStringLiteral("File name:"), this);
  LabelFileName->setObjectName(QStringLiteral("LabelFileName"));
  LabelFileName->setTextFormat(Qt::PlainText);  // a file name, never markup
  Place(LabelFileName, 16, 234);
  LabelImageHeight = new QLabel(QStringLiteral("Image height:"), this);
  LabelImageHeight->setObjectName(QStringLiteral("LabelImageHeight"));
  Place(LabelImageHeight, 16, 254);
  LabelImageWidth = new QLabel(QStringLiteral("Image width:"), this);
  LabelImageWidth->setObjectName(QStringLiteral("LabelImageWidth"));
  Place(LabelImageWidth, 16, 273);

  auto* link = new THoverLinkLabel(this);
  link->setObjectName(QStringLiteral("LabelLink"));
  link->setText(linkAddress_);
  link->adjustSize();
  link->OnClick = [this] { LinkLabelClick(); };
  LabelLink = link;
  Place(LabelLink, 8, 352);
  LabelLink->setVisible(!linkAddress_.isEmpty());  // no server, no link

  resize(clientWidth_ + 2 * frameWidth(), Scaled(kClientHeight) + 2 * frameWidth());
  setFixedWidth(width());

  ToviThumbnail->OnImgChanged = [this](TToviThumbnail* sender) { ToviThumbnailImgChanged(sender); };
  // A picture that cannot be shown is reported as every failed command is; the
  // preview keeps what it showed.
  ToviThumbnail->OnImgError = [](TToviThumbnail*, const std::string& message) { ShowErrorBox(Q(message)); };
}

int TPreviewForm::Scaled(int designPixels) const {
  return static_cast<int>(std::lround(designPixels * logicalDpiX() / 96.0));
}

void TPreviewForm::Place(QWidget* control, int left, int top) {
  // Text labels reach to the window's right edge, where longer texts are cut.
  if (auto* label = qobject_cast<QLabel*>(control); label && label != LabelLink)
    label->setFixedSize(clientWidth_ - Scaled(8) - Scaled(left), label->sizeHint().height());
  control->move(frameWidth() + Scaled(left), frameWidth() + Scaled(top));
}

void TPreviewForm::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  // The link keeps its distance from the bottom edge.
  LabelLink->move(LabelLink->x(), height() - frameWidth() - Scaled(kClientHeight - 352));
}

void TPreviewForm::ToviThumbnailImgChanged(TToviThumbnail* sender) {
  const std::string name = std::filesystem::path(sender->ImgFileName()).filename().string();
  LabelFileName->setText(Q(FormatText(S(10008), {name})));
  LabelImageWidth->setText(Q(FormatText(S(10009), {static_cast<long long>(sender->ImgWidth())})));
  LabelImageHeight->setText(Q(FormatText(S(10010), {static_cast<long long>(sender->ImgHeight())})));
}

void TPreviewForm::LinkLabelClick() { QDesktopServices::openUrl(QUrl(linkAddress_)); }

}  // namespace toviwall
