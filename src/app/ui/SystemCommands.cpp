#include "app/ui/SystemCommands.h"

#include "app/ui/FormParts.h"
#include "app/ui/OptionsPage.h"
#include "app/ui/WallPaperMain.h"

namespace toviwall {

SystemCommands::SystemCommands(TMainForm& form) : form_(form) {
  ActionLockWorkStation_ = NamedAction(&form, "ActionLockWorkStation");
  ActionActivateScreenSave_ = NamedAction(&form, "ActionActivateScreenSave");
  ActionOpenDisplayProperties_ = NamedAction(&form, "ActionOpenDisplayProperties");
  connect(ActionLockWorkStation_, &QAction::triggered, this,
          Guarded(this, &SystemCommands::ActionLockWorkStationExecute));
  connect(ActionActivateScreenSave_, &QAction::triggered, this,
          Guarded(this, &SystemCommands::ActionActivateScreenSaveExecute));
  connect(ActionOpenDisplayProperties_, &QAction::triggered, this,
          Guarded(this, &SystemCommands::ActionOpenDisplayPropertiesExecute));
}

void SystemCommands::ApplyCaptions() {
  ActionLockWorkStation_->setText(T(10041));
  ActionActivateScreenSave_->setText(T(10042));
  ActionOpenDisplayProperties_->setText(T(10061));
}

void SystemCommands::BuildExitWindowsMenu() {}        // not built yet: the system commands
void SystemCommands::BuildDisplayModeMenu() {}        // not built yet: display modes
void SystemCommands::BuildCDRomMenu() {}              // not built yet: CD drives
// Not built yet: locking. Until then the command cannot work, so it is not offered.
void SystemCommands::ShowLockCommandIfSupported() {
  ActionLockWorkStation_->setVisible(false);
  form_.OptionsTab().SetLockChoiceVisible(false);
}
void SystemCommands::OpenFirstCDDrive() {}
void SystemCommands::CloseFirstCDDrive() {}
void SystemCommands::ActionLockWorkStationExecute() {}
void SystemCommands::ActionActivateScreenSaveExecute() {}
void SystemCommands::ActionOpenDisplayPropertiesExecute() {}

}  // namespace toviwall
