#include "imagelist/ui/UnitFormPath.h"

#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/AppIdentity.h"
#include "base/UnitLanguage.h"
#include "imagelist/ui/ToviBrowseFolderDialog.h"

namespace toviwall {
namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

TFormPath::TFormPath(QWidget* parent)
    // The title bar's X is Cancel, as Escape is: the proposal is kept.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("FormPath"));
  setWindowTitle(QString::fromUtf8(kTitle));
  auto* outer = new QVBoxLayout(this);
  GroupBoxPath = new QGroupBox(Q(" " + S(10001) + " "), this);
  auto* box = new QVBoxLayout(GroupBoxPath);
  LabelInfo = new QLabel(Q(FormatText(S(10002), {kTitle, kTitle})), GroupBoxPath);
  LabelInfo->setWordWrap(true);
  LabelAskInfo = new QLabel(Q(FormatText(S(10003), {kTitle})), GroupBoxPath);
  LabelAskInfo->setWordWrap(true);
  EditPath = new QLineEdit(GroupBoxPath);
  EditPath->setObjectName(QStringLiteral("EditPath"));
  ButtonBrowse = new QPushButton(QStringLiteral("..."), GroupBoxPath);
  ButtonBrowse->setObjectName(QStringLiteral("ButtonBrowse"));
  ButtonBrowse->setFixedWidth(ButtonBrowse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  ButtonBrowse->setAutoDefault(false);  // Enter is OK wherever the focus is
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(EditPath, 1);
  pathRow->addWidget(ButtonBrowse);
  LabelInfoRec = new QLabel(Q(S(10004)), GroupBoxPath);
  LabelInfoRec->setWordWrap(true);
  box->addWidget(LabelInfo);
  box->addSpacing(6);
  box->addWidget(LabelAskInfo);
  box->addLayout(pathRow);
  box->addSpacing(6);
  box->addWidget(LabelInfoRec);
  box->addStretch(1);
  outer->addWidget(GroupBoxPath, 1);

  PanelButton = new QWidget(this);
  auto* buttons = new QHBoxLayout(PanelButton);
  buttons->setContentsMargins(0, 0, 0, 0);
  ButtonOK = new QPushButton(Q(S(10005)), PanelButton);
  ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
  ButtonOK->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(ButtonOK);
  buttons->addStretch(1);
  outer->addWidget(PanelButton);

  ToviFolderDialogPath = new TToviFolderDialog(this);
  ToviFolderDialogPath->setObjectName(QStringLiteral("ToviFolderDialogPath"));
  ToviFolderDialogPath->Flags =
      TToviFolderDialog::ShowPath | TToviFolderDialog::NewDialogStyle | TToviFolderDialog::ShowShared;

  connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
  EditPath->setFocus();
  connect(ButtonBrowse, &QPushButton::clicked, this, &TFormPath::ButtonBrowseClick);

  // 502 x 278 at 96 dots per inch, larger when the font needs it.
  const double scale = logicalDpiX() / 96.0;
  QSize size(static_cast<int>(502 * scale), static_cast<int>(278 * scale));
  setFixedSize(size.expandedTo(sizeHint()));
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TFormPath::ButtonBrowseClick() {
  ToviFolderDialogPath->Folder = EditPath->text().toStdString();
  if (ToviFolderDialogPath->Execute()) EditPath->setText(Q(ToviFolderDialogPath->Folder));
}

std::string AskImageFolder(const std::string& proposed, QWidget* parent) {
  TFormPath form(parent);
  form.EditPath->setText(Q(proposed));
  if (form.exec() == QDialog::Accepted) return form.EditPath->text().toStdString();
  return proposed;
}

}  // namespace toviwall
