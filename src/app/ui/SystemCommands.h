#pragma once
// The system commands of the tray menu and the hot keys: locking the
// workstation, the screen saver, the display settings and modes (with the
// keep-or-revert confirmation), the CD doors and the log-off and power commands.
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "system/DisplayModeTree.h"
#include "system/ui/ToviExitWin.h"

class QAction;
class QMenu;

namespace toviwall {
namespace platform {
class DisplayModes;
class SystemActions;
}  // namespace platform

class DesktopIconCaptions;
class MainWindowControl;

class SystemCommands final : public QObject {
  Q_OBJECT

 public:
  // The actions and menus belong to `owner`'s window; `saveList` keeps what
  // must not be lost before the computer restarts without asking.
  SystemCommands(QWidget& owner, platform::SystemActions& actions, platform::DisplayModes& display,
                 MainWindowControl& window, DesktopIconCaptions& captions, std::function<void()> saveList);
  ~SystemCommands() override;

  QAction* ActionLockWorkStation() const { return ActionLockWorkStation_; }
  QAction* ActionActivateScreenSave() const { return ActionActivateScreenSave_; }
  QAction* ActionOpenDisplayProperties() const { return ActionOpenDisplayProperties_; }
  // The tray menu's sub-menus: display modes, CD drives, log off and power.
  QMenu* DisplayModeMenu() const { return TBItemDisplayMode; }
  QMenu* CDRomMenu() const { return TBSubmenuCDRom; }
  QMenu* ExitWindowsMenu() const { return TBSubmenuItemExitWin; }

  void ApplyCaptions();
  // The sub-menus, filled during start-up.
  void BuildExitWindowsMenu();
  // Reads the display's modes and builds the "Display Mode" tree from them; it is
  // built again whenever the display's configuration changes.
  void BuildDisplayModeMenu();
  void BuildCDRomMenu();
  // Lock shows where the session can lock; the screen saver, the display
  // settings and the display modes are disabled where they cannot run, with why.
  void ShowCommandsThatCanRun();

  void OpenFirstCDDrive();
  void CloseFirstCDDrive();

  // Switches to the mode of the table position `tag`, asks whether to keep it
  // and switches back unless the answer is OK.
  void ChangeDisplayMode(int tag);
  // Asks the system; once it has taken a log off, reboot or shut down, the run
  // ends in order. A refusal is shown and the run goes on.
  void ExitWindowsAs(TToviExitWinType type);
  // The mode number of the marked leaf; -1 when the mode on screen matched none.
  int CurrentModeIndex() const { return CurrentModeIndex_; }

 private:
  struct BuiltItem {
    QAction* action = nullptr;
    QMenu* menu = nullptr;  // a submenu's own menu
    std::vector<BuiltItem> children;
  };

  void ActionLockWorkStationExecute();
  void ActionActivateScreenSaveExecute();
  void ActionOpenDisplayPropertiesExecute();
  void ActionOpenDriveExecute(QAction* item);
  void ActionCloseDriveExecute(QAction* item);
  // The display-change message: the tree is made again from the display's modes.
  void DisplayChanged();
  void EnumerateModes();
  void FillDisplayModeMenu();
  void AddModeItems(QMenu* parent, const std::string& parentName, const std::vector<ModeItem>& items,
                    std::vector<BuiltItem>& built);
  void FreeDisplayModeItems();
  void MarkCurrentMode();
  void ApplyMarks(QMenu* parent, const std::vector<ModeItem>& items, const std::vector<BuiltItem>& built);
  bool ConfirmDisplayMode();
  // The error box for a request the system did not carry out.
  void ShowRefusal(TToviExitWinType type);

  platform::SystemActions& actions_;
  platform::DisplayModes& display_;
  MainWindowControl& window_;
  DesktopIconCaptions& captions_;
  std::function<void()> saveList_;
  TToviExitWin* ExitWin = nullptr;
  QMenu* TBItemDisplayMode = nullptr;
  QMenu* TBSubmenuCDRom = nullptr;
  QMenu* TBSubmenuItemExitWin = nullptr;
  QAction* ActionLockWorkStation_ = nullptr;
  QAction* ActionActivateScreenSave_ = nullptr;
  QAction* ActionOpenDisplayProperties_ = nullptr;

  ModeTable ModeTable_;
  std::vector<ModeItem> modeTree_;
  std::vector<BuiltItem> modeItems_;
  int CurrentModeIndex_ = 0;
  std::vector<std::string> cdDrives_;  // as the CD menu shows them
};

}  // namespace toviwall
