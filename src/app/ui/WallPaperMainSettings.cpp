// Reading the settings into the controls at start-up (creation step 14), and the
// handlers that only store what the user changed.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "base/ui/Dialogs.h"
#include "app/Intervals.h"
#include "base/Settings.h"
#include "app/ui/WallPaperMain.h"

namespace toviwall {

void TMainForm::ReadSettingsIntoControls() {
  const std::string& f = SettingsFile;
  SetListColumnWidth(Read(f, keys::Col1, ListColumnWidth()));

  ActionHideDesktopIcon->setChecked(Read(f, keys::HideDesktopIcon));
  ApplyDesktopIconsHidden();
  ActionActivateWallChanger->setChecked(Read(f, keys::AutoChangeWallpaper));
  ComboBoxUpdate->setEnabled(ActionActivateWallChanger->isChecked());
  CheckBoxRandomizeWall->setEnabled(ActionActivateWallChanger->isChecked());
  CheckBoxRandomizeWall->setChecked(Read(f, keys::Randomize));
  int interval = Read(f, keys::Interval);
  ComboBoxUpdate->setCurrentIndex(interval >= 0 && interval < kIntervalCount ? interval : -1);
  // A type outside the list would hand the desktop a style it does not have.
  int type = Read(f, keys::Type);
  ComboBoxFilling->setCurrentIndex(type >= 0 && type < ComboBoxFilling->count() ? type : keys::Type.def);
  bool transparent = Read(f, keys::Transparent);
  if (transparent != CheckBoxTransparentBack->isChecked()) {
    CheckBoxTransparentBack->setChecked(transparent);
    CheckBoxTransparentBackClick();  // a change of the box runs its handler
  }
  ApplyIconTextColorSetting();

  ActionStartWithWin->setChecked(Read(f, keys::AutoStart));
  BringAutoStartInLine();
  CheckBoxNoExitDialog->setChecked(Read(f, keys::DontShowExitDialog));
  CheckBoxDoNotHide->setChecked(Read(f, keys::DontShowHideDialog));

  // The four choices are read first, then applied in order; each one that is set
  // selects its button and stores the whole choice, so the last set one wins.
  const bool choice[] = {Read(f, keys::DblClickShowMainWin), Read(f, keys::DblClickToChange),
                         Read(f, keys::DblClickToLock), Read(f, keys::DblClickScrSave)};
  QRadioButton* const radios[] = {RBShowMain, RBChangeWall, RBLockWork, RadioButtonScrSave};
  for (QRadioButton* rb : radios) rb->setAutoExclusive(false);
  for (QRadioButton* rb : radios) rb->setChecked(false);
  for (QRadioButton* rb : radios) rb->setAutoExclusive(true);
  for (int i = 0; i < 4; ++i) {
    if (!choice[i]) continue;
    radios[i]->setChecked(true);
    StoreDoubleClickChoice();
  }

  EditImageFolder->setText(Q(Read(f, keys::ImageFolder, DefaultImageFolder)));
  LoadHotKeys();
  CheckBoxShowPreview->setChecked(Read(f, keys::ShowPreview));
}

void TMainForm::StoreDoubleClickChoice() {
  Write(SettingsFile, keys::DblClickToChange, RBChangeWall->isChecked());
  Write(SettingsFile, keys::DblClickToLock, RBLockWork->isChecked());
  Write(SettingsFile, keys::DblClickShowMainWin, RBShowMain->isChecked());
  Write(SettingsFile, keys::DblClickScrSave, RadioButtonScrSave->isChecked());
}

void TMainForm::CheckBoxNoExitDialogClick() {
  Write(SettingsFile, keys::DontShowExitDialog, CheckBoxNoExitDialog->isChecked());
}

void TMainForm::CheckBoxDoNotHideClick() {
  Write(SettingsFile, keys::DontShowHideDialog, CheckBoxDoNotHide->isChecked());
}

void TMainForm::ComboBoxFillingChange() { Write(SettingsFile, keys::Type, ComboBoxFilling->currentIndex()); }

void TMainForm::WireSettingsHandlers() {
  for (QRadioButton* rb : {RBShowMain, RBChangeWall, RBLockWork, RadioButtonScrSave})
    connect(rb, &QRadioButton::clicked, this, Handler(&TMainForm::StoreDoubleClickChoice));
  connect(CheckBoxNoExitDialog, &QCheckBox::clicked, this, Handler(&TMainForm::CheckBoxNoExitDialogClick));
  connect(CheckBoxDoNotHide, &QCheckBox::clicked, this, Handler(&TMainForm::CheckBoxDoNotHideClick));
  connect(ComboBoxFilling, &QComboBox::activated, this, Handler(&TMainForm::ComboBoxFillingChange));
}

}  // namespace toviwall
