#pragma once
// The "Options" page: the start-up entry, the two "don't ask again" answers,
// what a double-click on the tray icon does, and the image folder.
#include <QObject>

#include "desktop/AutoStart.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace toviwall {

class THelpViewer;
class TMainForm;

// What a double-click on the tray icon does.
enum class DoubleClickChoice { ShowMainWindow, ChangeWallpaper, LockWorkStation, ScreenSaver };

class OptionsPage final : public QObject {
  Q_OBJECT

 public:
  explicit OptionsPage(TMainForm& form);

  QWidget* Page() const { return TabSheetOptions; }
  QAction* ActionStartWithWin() const { return ActionStartWithWin_; }

  void ApplyCaptions();
  void SetHelpContexts(THelpViewer& help);
  void ReadSettings();

  DoubleClickChoice Choice() const;
  void SetNoExitDialog(bool on);
  // The Lock choice shows only while the workstation can be locked.
  void SetLockChoiceVisible(bool visible);
  // The check mark follows whether the start-up entry really exists.
  void RecheckAutoRun();
  // Scans the folder the field names into the list (not during start-up).
  void EditImageFolderChange();

 private:
  QWidget* BuildPage();
  void Wire();
  void StoreDoubleClickChoice();
  void CheckBoxNoExitDialogClick();
  void CheckBoxDoNotHideClick();
  void ButtonImageFolderClick();
  void ActionStartWithWinExecute();
  void BringAutoStartInLine();
  AutoRunEntry AutoRun() const;
  bool IsAutoRunOn();
  void SetAutoRun(bool on);

  TMainForm& form_;
  QAction* ActionStartWithWin_ = nullptr;

  QWidget* TabSheetOptions = nullptr;
  QGroupBox* GroupBoxOptions = nullptr;
  QCheckBox* CheckBoxStartWithWin = nullptr;
  QCheckBox* CheckBoxNoExitDialog = nullptr;
  QCheckBox* CheckBoxDoNotHide = nullptr;
  QLabel* LabelDblClick = nullptr;
  QRadioButton* RBShowMain = nullptr;
  QRadioButton* RBChangeWall = nullptr;
  QRadioButton* RBLockWork = nullptr;
  QRadioButton* RadioButtonScrSave = nullptr;
  QLabel* LabelImageFolder = nullptr;
  QLineEdit* EditImageFolder = nullptr;
  QPushButton* ButtonImageFolder = nullptr;
};

}  // namespace toviwall
