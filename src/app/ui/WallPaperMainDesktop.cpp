// Desktop icons, display modes, system commands, start-up entry, custom tray
// icon and the preview window.
#include <QAction>
#include <QCheckBox>
#include <QPushButton>

#include "base/Settings.h"
#include "app/ui/WallPaperMain.h"

namespace toviwall {

void TMainForm::BuildExitWindowsMenu() {}        // not built yet: the system commands
void TMainForm::LoadCustomIconSetting() {}       // not built yet: the custom tray icon
void TMainForm::BuildDisplayModeMenu() {}        // not built yet: display modes
void TMainForm::BuildCDRomMenu() {}              // not built yet: CD drives
void TMainForm::ShowLockCommandIfSupported() {}  // not built yet: locking
void TMainForm::ApplyDesktopIconsHidden() {}     // not built yet: desktop icons
void TMainForm::ReapplyIconText() {}
void TMainForm::ApplyIconTextColorSetting() {}
void TMainForm::BringAutoStartInLine() {}        // not built yet: the start-up entry
// Not built yet: the start-up entry itself. Until then the stored state stands for it.
bool TMainForm::IsAutoRunOn() { return Read(SettingsFile, keys::AutoStart); }
// Not built yet: the custom tray icon. Until then the built-in one.
QIcon TMainForm::CustomTrayIcon() { return QIcon(QStringLiteral(":/icons/toviwall.png")); }
void TMainForm::OpenFirstCDDrive() {}   // not built yet: CD drives
void TMainForm::CloseFirstCDDrive() {}
void TMainForm::ActionHideDesktopIconExecute() {}
void TMainForm::ActionChangeTextColorExecute() {}
void TMainForm::ActionStartWithWinExecute() {}
void TMainForm::ActionLockWorkStationExecute() {}
void TMainForm::ActionActivateScreenSaveExecute() {}
void TMainForm::ActionOpenDisplayPropertiesExecute() {}
void TMainForm::CheckBoxCustomIconClick() {}
void TMainForm::ButtonChangeIconClick() {}
void TMainForm::CheckBoxShowPreviewClick() {}    // not built yet: the preview window
void TMainForm::KeepPreviewDocked() {}
void TMainForm::FreePreviewWindow() {}

void TMainForm::CheckBoxTransparentBackClick() {
  Write(SettingsFile, keys::Transparent, CheckBoxTransparentBack->isChecked());
  ReapplyIconText();
}

void TMainForm::WireDesktopHandlers() {
  connect(ActionHideDesktopIcon, &QAction::triggered, this, Handler(&TMainForm::ActionHideDesktopIconExecute));
  connect(ActionChangeTextColor, &QAction::triggered, this, Handler(&TMainForm::ActionChangeTextColorExecute));
  connect(ActionStartWithWin, &QAction::triggered, this, Handler(&TMainForm::ActionStartWithWinExecute));
  connect(ActionLockWorkStation, &QAction::triggered, this, Handler(&TMainForm::ActionLockWorkStationExecute));
  connect(ActionActivateScreenSave, &QAction::triggered, this,
          Handler(&TMainForm::ActionActivateScreenSaveExecute));
  connect(ActionOpenDisplayProperties, &QAction::triggered, this,
          Handler(&TMainForm::ActionOpenDisplayPropertiesExecute));
  connect(CheckBoxTransparentBack, &QCheckBox::clicked, this, Handler(&TMainForm::CheckBoxTransparentBackClick));
  connect(CheckBoxCustomIcon, &QCheckBox::clicked, this, Handler(&TMainForm::CheckBoxCustomIconClick));
  connect(ButtonChangeIcon, &QPushButton::clicked, this, Handler(&TMainForm::ButtonChangeIconClick));
  connect(CheckBoxShowPreview, &QCheckBox::clicked, this, Handler(&TMainForm::CheckBoxShowPreviewClick));
}

}  // namespace toviwall
