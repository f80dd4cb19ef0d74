#include "system/ui/UnitFormConfirm.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "base/AppIdentity.h"
#include "base/UnitLanguage.h"
#include "base/ui/Dialogs.h"

namespace toviwall {

TFormConfirm::TFormConfirm(const QFont& font, int tickMs, std::function<void(QWidget*)> bringToFront,
                           QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      bringToFront_(std::move(bringToFront)) {
  setObjectName(QStringLiteral("FormConfirm"));
  setFont(font);
  TimerConfirm.setInterval(tickMs);
  connect(&TimerConfirm, &QTimer::timeout, this, [this] { RunGuarded([this] { TimerConfirmTimer(); }); });
  FormCreate();
}

void TFormConfirm::FormCreate() {
  setWindowTitle(QString::fromUtf8(kTitle));
  auto named = [this](auto* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
  };
  ImageIcon = named(new QLabel(this), "ImageIcon");
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  ImageIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize));
  ImageIcon->setAlignment(Qt::AlignTop);
  LabelWindow = named(new QLabel(Q(FormatText(S(10097), {kTitle})), this), "LabelWindow");
  LabelInfoCancel = named(new QLabel(Q(S(10098)), this), "LabelInfoCancel");
  for (QLabel* l : {LabelWindow, LabelInfoCancel}) l->setWordWrap(true);
  ProgressBarConfirm = named(new QProgressBar(this), "ProgressBarConfirm");
  ProgressBarConfirm->setRange(0, kSeconds);
  ProgressBarConfirm->setValue(0);
  ProgressBarConfirm->setTextVisible(false);  // a smooth bar, no percentage
  QPalette red = ProgressBarConfirm->palette();
  red.setColor(QPalette::Highlight, Qt::red);
  ProgressBarConfirm->setPalette(red);
  LabelTimer = named(new QLabel(Q(FormatText(S(10099), {static_cast<long long>(kSeconds)})), this), "LabelTimer");
  ButtonOK = named(new QPushButton(Q(S(10005)), this), "ButtonOK");
  ButtonCancel = named(new QPushButton(Q(S(10096)), this), "ButtonCancel");
  connect(ButtonOK, &QPushButton::clicked, this, [this] { RunGuarded([this] { ButtonOKClick(); }); });
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* text = new QVBoxLayout;
  text->addWidget(LabelWindow);
  text->addWidget(LabelInfoCancel);
  text->addStretch(1);
  text->addWidget(ProgressBarConfirm);
  text->addWidget(LabelTimer);
  auto* top = new QHBoxLayout;
  top->addWidget(ImageIcon);
  top->addLayout(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ButtonOK);
  buttons->addWidget(ButtonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);

  // 386 x 223 at 96 dots per inch; larger only when the fonts need it.
  const double scale = logicalDpiX() / 96.0;
  layout->activate();
  setFixedSize(QSize(static_cast<int>(386 * scale), static_cast<int>(223 * scale)).expandedTo(minimumSizeHint()));
  CenterOnScreen();
  // The dialog follows a switch: the screen's new size may reach us after it shows.
  if (QScreen* screen = QGuiApplication::primaryScreen())
    connect(screen, &QScreen::availableGeometryChanged, this, &TFormConfirm::CenterOnScreen);
}

void TFormConfirm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  RunGuarded([this] { FormShow(); });
}

void TFormConfirm::CenterOnScreen() {
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TFormConfirm::FormShow() {
  if (bringToFront_) bringToFront_(this);
  Remaining_ = kSeconds;
  TimerConfirm.start();
  ButtonCancel->setDefault(true);
  ButtonCancel->setFocus();
}

void TFormConfirm::TimerConfirmTimer() {
  --Remaining_;
  if (Remaining_ <= 0) {
    TimerConfirm.stop();
    ButtonCancel->click();
    return;
  }
  ProgressBarConfirm->setValue(kSeconds - Remaining_);
  LabelTimer->setText(Q(FormatText(S(10099), {static_cast<long long>(Remaining_)})));
}

void TFormConfirm::ButtonOKClick() {
  TimerConfirm.stop();
  accept();
}

}  // namespace toviwall
