#include "app/ui/OptionsPage.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/ui/FormParts.h"
#include "app/ui/HelpViewer.h"
#include "app/ui/RunState.h"
#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "base/Settings.h"
#include "base/SettingsPaths.h"
#include "imagelist/ImageFolderChoice.h"
#include "imagelist/ui/ToviBrowseFolderDialog.h"
#include "platform/AutoStart.h"

namespace toviwall {

OptionsPage::OptionsPage(QWidget& owner, Parts parts) : parts_(parts) {
  ActionStartWithWin_ = NamedAction(&owner, "ActionStartWithWin", true);
  ToviFolderDialogImage = Named(new TToviFolderDialog(&owner), "ToviFolderDialogImage");
  ToviFolderDialogImage->Flags = TToviFolderDialog::ShowPath;
  typingPause_ = new QTimer(this);
  typingPause_->setSingleShot(true);
  typingPause_->setInterval(kTypingPauseMs);
  TabSheetOptions = BuildPage();
  Wire();
}

QWidget* OptionsPage::BuildPage() {
  auto* page = Named(new QWidget, "TabSheetOptions");
  auto* outer = new QVBoxLayout(page);
  GroupBoxOptions = Named(new QGroupBox(page), "GroupBoxOptions");
  outer->addWidget(GroupBoxOptions);
  auto* box = new QVBoxLayout(GroupBoxOptions);
  CheckBoxStartWithWin = Named(new QCheckBox(GroupBoxOptions), "CheckBoxStartWithWin");
  CheckBoxNoExitDialog = Named(new QCheckBox(GroupBoxOptions), "CheckBoxNoExitDialog");
  CheckBoxDoNotHide = Named(new QCheckBox(GroupBoxOptions), "CheckBoxDoNotHide");
  for (QCheckBox* c : {CheckBoxStartWithWin, CheckBoxNoExitDialog, CheckBoxDoNotHide}) box->addWidget(c);
  LinkButton(CheckBoxStartWithWin, ActionStartWithWin_);
  LabelDblClick = Named(new QLabel(GroupBoxOptions), "LabelDblClick");
  box->addWidget(LabelDblClick);
  RBShowMain = Named(new QRadioButton(GroupBoxOptions), "RBShowMain");
  RBChangeWall = Named(new QRadioButton(GroupBoxOptions), "RBChangeWall");
  RBLockWork = Named(new QRadioButton(GroupBoxOptions), "RBLockWork");
  RadioButtonScrSave = Named(new QRadioButton(GroupBoxOptions), "RadioButtonScrSave");
  auto* radios = new QGridLayout;
  radios->setContentsMargins(16, 0, 0, 0);
  radios->addWidget(RBShowMain, 0, 0);
  radios->addWidget(RBChangeWall, 0, 1);
  radios->addWidget(RBLockWork, 1, 0);
  radios->addWidget(RadioButtonScrSave, 1, 1);
  box->addLayout(radios);
  LabelImageFolder = Named(new QLabel(GroupBoxOptions), "LabelImageFolder");
  EditImageFolder = Named(new QLineEdit(GroupBoxOptions), "EditImageFolder");
  ButtonImageFolder = Named(new QPushButton(QStringLiteral("..."), GroupBoxOptions), "ButtonImageFolder");
  ButtonImageFolder->setFixedWidth(ButtonImageFolder->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  box->addWidget(LabelImageFolder);
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(EditImageFolder, 1);
  folderRow->addWidget(ButtonImageFolder);
  box->addLayout(folderRow);
  box->addStretch(1);
  outer->addStretch(1);
  return page;
}

void OptionsPage::ApplyCaptions() {
  GroupBoxOptions->setTitle(GroupCaption(10033));
  CheckBoxNoExitDialog->setText(T(10035));
  CheckBoxDoNotHide->setText(T(10036));
  LabelDblClick->setText(T(10038));
  RBShowMain->setText(T(10039));
  RBChangeWall->setText(T(10040));
  RBLockWork->setText(T(10041));
  RadioButtonScrSave->setText(T(10042));
  LabelImageFolder->setText(T(10043));
  ActionStartWithWin_->setText(T(10034));  // the linked check box follows
}

void OptionsPage::SetHelpContexts(THelpViewer& help) {
  const std::pair<QWidget*, int> contexts[] = {
      {CheckBoxStartWithWin, 3001}, {CheckBoxNoExitDialog, 3003}, {CheckBoxDoNotHide, 3004},
      {RBShowMain, 3005},           {RBChangeWall, 3006},         {RBLockWork, 3008},
  };
  for (auto [widget, context] : contexts) help.SetHelpContext(widget, context);
}

void OptionsPage::ReadSettings() {
  Settings& f = parts_.settings;
  ActionStartWithWin_->setChecked(f.Get(keys::AutoStart));
  BringAutoStartInLine();
  CheckBoxNoExitDialog->setChecked(f.Get(keys::DontShowExitDialog));
  CheckBoxDoNotHide->setChecked(f.Get(keys::DontShowHideDialog));

  // The four choices are read first, then applied in order; each one that is set
  // selects its button and stores the whole choice, so the last set one wins.
  const bool choice[] = {f.Get(keys::DblClickShowMainWin), f.Get(keys::DblClickToChange),
                         f.Get(keys::DblClickToLock), f.Get(keys::DblClickScrSave)};
  QRadioButton* const radios[] = {RBShowMain, RBChangeWall, RBLockWork, RadioButtonScrSave};
  for (QRadioButton* rb : radios) rb->setAutoExclusive(false);
  for (QRadioButton* rb : radios) rb->setChecked(false);
  for (QRadioButton* rb : radios) rb->setAutoExclusive(true);
  for (int i = 0; i < 4; ++i) {
    if (!choice[i]) continue;
    radios[i]->setChecked(true);
    StoreDoubleClickChoice();
  }

  EditImageFolder->setText(Q(f.Get(keys::ImageFolder, parts_.paths.defaultImageFolder)));
}

DoubleClickChoice OptionsPage::Choice() const {
  if (RBChangeWall->isChecked()) return DoubleClickChoice::ChangeWallpaper;
  if (RBLockWork->isChecked()) return DoubleClickChoice::LockWorkStation;
  if (RadioButtonScrSave->isChecked()) return DoubleClickChoice::ScreenSaver;
  return DoubleClickChoice::ShowMainWindow;
}

void OptionsPage::StoreDoubleClickChoice() {
  Settings& f = parts_.settings;
  f.Set(keys::DblClickToChange, RBChangeWall->isChecked());
  f.Set(keys::DblClickToLock, RBLockWork->isChecked());
  f.Set(keys::DblClickShowMainWin, RBShowMain->isChecked());
  f.Set(keys::DblClickScrSave, RadioButtonScrSave->isChecked());
}

void OptionsPage::ReadNoExitDialog() {
  CheckBoxNoExitDialog->setChecked(parts_.settings.Get(keys::DontShowExitDialog));
}

void OptionsPage::SetLockChoiceVisible(bool visible) { RBLockWork->setVisible(visible); }

void OptionsPage::CheckBoxNoExitDialogClick() {
  parts_.settings.Set(keys::DontShowExitDialog, CheckBoxNoExitDialog->isChecked());
}

void OptionsPage::ReadDoNotHide() { CheckBoxDoNotHide->setChecked(parts_.settings.Get(keys::DontShowHideDialog)); }

void OptionsPage::CheckBoxDoNotHideClick() {
  parts_.settings.Set(keys::DontShowHideDialog, CheckBoxDoNotHide->isChecked());
}

void OptionsPage::EditImageFolderChange() {
  if (parts_.run.startupFlag) return;
  std::string folder = U(EditImageFolder->text());
  if (!DirectoryExists(folder)) return;
  typed_ = false;
  emit imageFolderChosen(folder);
}

void OptionsPage::WatchImageFolder() {
  const std::string folder = U(EditImageFolder->text());
  if (DirectoryExists(folder)) emit imageFolderToWatch(folder);
}

void OptionsPage::EditImageFolderEdited() {
  typed_ = true;
  typingPause_->start();
}

void OptionsPage::EditImageFolderEditingFinished() {
  if (!typed_) return;
  typingPause_->stop();
  TakeChosenFolder(true);
}

void OptionsPage::TakeChosenFolder(bool committed) {
  const std::string folder = U(EditImageFolder->text());
  if (!DirectoryExists(folder)) return;
  const LargeFolder large = LargeFolderKind(folder, parts_.env.home);
  if (large != LargeFolder::None) {
    if (!committed) return;  // a pause on the way to a folder below it
    typed_ = false;          // asked once for what was typed
    const int question = large == LargeFolder::Home ? 10125 : 10126;
    if (ShowMessage(Q(FormatText(S(question), {folder, "\n", "\n"})), QMessageBox::Question,
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
  }
  EditImageFolderChange();
}

void OptionsPage::ButtonImageFolderClick() {
  if (!EditImageFolder->text().isEmpty()) ToviFolderDialogImage->Folder = U(EditImageFolder->text());
  if (!ToviFolderDialogImage->Execute()) return;
  typingPause_->stop();
  EditImageFolder->setText(Q(ToviFolderDialogImage->Folder));
  TakeChosenFolder(true);
}

void OptionsPage::RecheckAutoRun() {
  const bool autoRun = IsAutoRunOn();
  ActionStartWithWin_->setChecked(autoRun);
  parts_.settings.Set(keys::AutoStart, autoRun);
}

// The start-up entry follows the stored setting at every start.
void OptionsPage::BringAutoStartInLine() {
  const QString refusal = SetAutoRun(ActionStartWithWin_->isChecked());
  if (!refusal.isEmpty()) ShowErrorBox(refusal);
}

AutoRunEntry OptionsPage::AutoRun() const {
  const ProcessEnvironment& env = parts_.env;
  return AutoRunEntryFor(kTitle, env.programFile, parts_.paths.settingsFile,
                         ProfileInUse(env.args, FileExists(parts_.paths.settingsFile)));
}

bool OptionsPage::IsAutoRunOn() {
  std::optional<std::string> entry = parts_.autoStart.ReadEntry(AutoRun().name);
  return entry && DesktopEntryEnabled(*entry);
}

// An entry of that name is never replaced, whatever it starts; one the desktop's
// session settings switched off is switched on again, or the check mark would
// not hold. Failures to write are not reported: the menu's next opening shows
// the truth. An entry that could not start us is not written at all.
QString OptionsPage::SetAutoRun(bool on) {
  platform::AutoStart& store = parts_.autoStart;
  const AutoRunEntry entry = AutoRun();
  if (!on) {
    store.RemoveEntry(entry.name);
    return {};
  }
  if (const std::string path = PathNoEntryCanHold(entry); !path.empty()) {
    ActionStartWithWin_->setChecked(false);
    parts_.settings.Set(keys::AutoStart, false);
    return QStringLiteral("%1 cannot start at logon: the desktops' start-up entries are UTF-8 text, and the "
                          "name \"%2\" is not.")
        .arg(QString::fromUtf8(kTitle), Q(path));
  }
  std::optional<std::string> existing = store.ReadEntry(entry.name);
  if (!existing)
    store.WriteEntry(entry.name, DesktopEntryText(entry, kDescription, kIconName));
  else if (!DesktopEntryEnabled(*existing))
    store.WriteEntry(entry.name, EnableDesktopEntry(*existing));
  return {};
}

void OptionsPage::ActionStartWithWinExecute() {
  // The action has already toggled its own check mark.
  const bool on = ActionStartWithWin_->isChecked();
  parts_.settings.Set(keys::AutoStart, on);
  if (const QString refusal = SetAutoRun(on); !refusal.isEmpty()) throw std::runtime_error(U(refusal));
}

void OptionsPage::Wire() {
  for (QRadioButton* rb : {RBShowMain, RBChangeWall, RBLockWork, RadioButtonScrSave})
    connect(rb, &QRadioButton::clicked, this, Guarded(this, &OptionsPage::StoreDoubleClickChoice));
  connect(CheckBoxNoExitDialog, &QCheckBox::clicked, this, Guarded(this, &OptionsPage::CheckBoxNoExitDialogClick));
  connect(CheckBoxDoNotHide, &QCheckBox::clicked, this, Guarded(this, &OptionsPage::CheckBoxDoNotHideClick));
  connect(ActionStartWithWin_, &QAction::triggered, this, Guarded(this, &OptionsPage::ActionStartWithWinExecute));
  connect(EditImageFolder, &QLineEdit::textEdited, this, Guarded(this, &OptionsPage::EditImageFolderEdited));
  connect(EditImageFolder, &QLineEdit::editingFinished, this,
          Guarded(this, &OptionsPage::EditImageFolderEditingFinished));
  connect(typingPause_, &QTimer::timeout, this, [this] { RunGuarded([this] { TakeChosenFolder(false); }); });
  connect(ButtonImageFolder, &QPushButton::clicked, this, Guarded(this, &OptionsPage::ButtonImageFolderClick));
}

}  // namespace toviwall
