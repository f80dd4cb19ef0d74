#pragma once
// The system commands of the tray menu and the hot keys: locking the
// workstation, the screen saver, the display settings and modes, the CD doors
// and the log-off and power commands.
#include <QObject>

class QAction;

namespace toviwall {

class TMainForm;

class SystemCommands final : public QObject {
  Q_OBJECT

 public:
  explicit SystemCommands(TMainForm& form);

  QAction* ActionLockWorkStation() const { return ActionLockWorkStation_; }
  QAction* ActionActivateScreenSave() const { return ActionActivateScreenSave_; }
  QAction* ActionOpenDisplayProperties() const { return ActionOpenDisplayProperties_; }

  void ApplyCaptions();
  // The tray menu's sub-menus, filled during start-up.
  void BuildExitWindowsMenu();
  void BuildDisplayModeMenu();
  void BuildCDRomMenu();
  void ShowLockCommandIfSupported();

  void OpenFirstCDDrive();
  void CloseFirstCDDrive();

 private:
  void ActionLockWorkStationExecute();
  void ActionActivateScreenSaveExecute();
  void ActionOpenDisplayPropertiesExecute();

  TMainForm& form_;
  QAction* ActionLockWorkStation_ = nullptr;
  QAction* ActionActivateScreenSave_ = nullptr;
  QAction* ActionOpenDisplayProperties_ = nullptr;
};

}  // namespace toviwall
