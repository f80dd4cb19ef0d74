#include "app/ui/AboutBox.h"

#include <QDate>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>
#include <functional>

#include "base/SettingsPaths.h"
#include "base/UnitLanguage.h"
#include "base/Version.h"
#include "base/ui/Dialogs.h"
#include "update/VersionCheck.h"
#include "update/ui/ToviGetHttpText.h"

namespace toviwall {

namespace {

// The compiler's date pads a one-digit day with a space ("Dec  7 2024").
QString BuildDate() {
  const QString compiled = QStringLiteral(__DATE__).simplified();
  const QDate date = QLocale::c().toDate(compiled, QStringLiteral("MMM d yyyy"));
  return date.isValid() ? QLocale::c().toString(date, QStringLiteral("d MMMM yyyy")) : compiled;
}

// A label that underlines itself under the pointer and runs `OnClick` when clicked.
class HoverLinkLabel final : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> OnClick;

 protected:
  void enterEvent(QEnterEvent* event) override {
    SetUnderline(true);
    QLabel::enterEvent(event);
  }
  void leaveEvent(QEvent* event) override {
    SetUnderline(hasFocus());
    QLabel::leaveEvent(event);
  }
  void focusInEvent(QFocusEvent* event) override {
    SetUnderline(true);
    QLabel::focusInEvent(event);
  }
  void focusOutEvent(QFocusEvent* event) override {
    SetUnderline(underMouse());
    QLabel::focusOutEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
      RunGuarded(OnClick);
  }
  // Reached with Tab too (underlined while it has the focus): Space runs it.
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Space && OnClick) RunGuarded(OnClick);
    else QLabel::keyPressEvent(event);
  }

 private:
  void SetUnderline(bool on) {
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
  }
};

}  // namespace

QString TAboutBox::VersionLabelText() {
  return Q(FormatText(S(10115), {VersionText(kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild)}));
}

TAboutBox::TAboutBox(const AboutInfo& info, QWidget* parent) : QDialog(parent), info_(info) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(Q(FormatText(S(10092), {info.productTitle})));
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(QStringLiteral("<b>%1</b>").arg(QString::fromStdString(info.productTitle)), this);
  QFont big = name->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  name->setFont(big);
  layout->addWidget(name);
  if (info.updateUrl.empty()) {  // no server to ask: the version as plain text
    LabelVersion = new QLabel(VersionLabelText(), this);
  } else {
    auto* version = new HoverLinkLabel(VersionLabelText(), this);
    version->setToolTip(Q(S(10116)));
    version->setCursor(Qt::PointingHandCursor);
    version->setFocusPolicy(Qt::TabFocus);
    version->OnClick = [this] { LabelVersionClick(); };
    LabelVersion = version;
  }
  LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
  ButtonCancelCheck = new QPushButton(Q(S(10096)), this);
  ButtonCancelCheck->setObjectName(QStringLiteral("ButtonCancelCheck"));
  ButtonCancelCheck->setCursor(Qt::ArrowCursor);
  ButtonCancelCheck->setAutoDefault(false);
  ButtonCancelCheck->hide();
  connect(ButtonCancelCheck, &QPushButton::clicked, this, [this] {
    if (check_) check_->Cancel();
    SetChecking(false);
  });
  auto* versionRow = new QHBoxLayout;
  versionRow->addWidget(LabelVersion);
  versionRow->addWidget(ButtonCancelCheck);
  versionRow->addStretch(1);
  layout->addLayout(versionRow);
  layout->addWidget(new QLabel(Q(FormatText(S(10117), {U(BuildDate())})), this));
  layout->addWidget(new QLabel(Q(S(10118)), this));
  if (!info.homePage.empty()) {
    auto* home = new QLabel(
        QStringLiteral("<a href=\"%1\">%1</a>").arg(QString::fromStdString(info.homePage).toHtmlEscaped()), this);
    home->setObjectName(QStringLiteral("LabelHomePage"));
    home->setOpenExternalLinks(true);
    layout->addWidget(home);
  }
  auto* settings = new QLabel(Q(FormatText(S(10119), {info.settingsFile})), this);
  settings->setTextFormat(Qt::PlainText);  // a path as it is, "<" and "&" too
  settings->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(settings);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::LabelVersionClick() {
  if (checking_) return;
  if (!check_) {
    check_ = new TToviGetHttpText(this);
    // Queued: the answer's message box then runs from the event loop, not inside the network code.
    connect(
        check_, &TToviGetHttpText::Finished, this,
        [this](bool fetched) { RunGuarded([&] { VersionCheckDone(fetched); }); }, Qt::QueuedConnection);
  }
  check_->Agent = QString::fromStdString(info_.productTitle);
  check_->Url = QString::fromStdString(info_.updateUrl);
  SetChecking(true);
  check_->Fetch();
}

// The box stays usable meanwhile: a busy pointer, and Cancel beside the version.
void TAboutBox::SetChecking(bool checking) {
  checking_ = checking;
  LabelVersion->setText(checking ? Q(S(10120)) : VersionLabelText());
  ButtonCancelCheck->setVisible(checking);
  if (checking) setCursor(Qt::BusyCursor);
  else unsetCursor();
}

void TAboutBox::VersionCheckDone(bool fetched) {
  if (!checking_) return;  // cancelled meanwhile
  SetChecking(false);
  // Not being able to ask, or an answer that is no version (a portal's page),
  // is not the same answer as "nothing newer".
  auto cannotCheck = [](const QString& why) {
    ShowMessage(Q(FormatText(S(10121), {U(why)})), QMessageBox::Warning);
  };
  if (!fetched) return cannotCheck(check_->ErrorText());
  const update::Version own{kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild};
  const update::CheckResult result = update::CheckReply(own, check_->TheText.toStdString());
  if (!result.failure.empty()) return cannotCheck(Q(result.failure));
  if (!result.newer) {
    ShowMessage(Q(S(10122)), QMessageBox::Information);
    return;
  }
  const QString text = Q(FormatText(S(10123), {Q(result.displayText).trimmed().toStdString(), "\n"}));
  if (ShowMessage(text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
    QDesktopServices::openUrl(QUrl(QString::fromStdString(info_.homePage)));
}

}  // namespace toviwall
