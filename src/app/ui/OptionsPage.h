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
class QTimer;
class QWidget;

namespace toviwall {

class THelpViewer;
class TMainForm;
class TToviFolderDialog;

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
  // Ticks "Do not display notification when hiding desktop icon" as stored.
  void ReadDoNotHide();
  // The Lock choice shows only while the workstation can be locked.
  void SetLockChoiceVisible(bool visible);
  // The check mark follows whether the start-up entry really exists.
  void RecheckAutoRun();
  // The folder the field names becomes the image folder: scanned into the
  // list, watched, stored (nothing during start-up, nor for a field that names
  // no folder).
  void EditImageFolderChange();
  // The end of a start with pictures in the list: the field's folder is
  // watched, not scanned.
  void WatchImageFolder();
  // How long typing must pause before the typed folder is taken.
  static constexpr int kTypingPauseMs = 1000;

 private:
  QWidget* BuildPage();
  void Wire();
  void StoreDoubleClickChoice();
  void CheckBoxNoExitDialogClick();
  void CheckBoxDoNotHideClick();
  void ButtonImageFolderClick();
  // Typing does not scan at every key: the folder is taken once typing pauses,
  // or at Enter or when the field is left.
  void EditImageFolderEdited();
  void EditImageFolderEditingFinished();
  // A choice the user made; `committed`: by Enter, leaving the field or the
  // browser (a pause in typing is not). A file-system root or the home folder
  // is scanned only when committed, and after a question.
  void TakeChosenFolder(bool committed);
  void ActionStartWithWinExecute();
  void BringAutoStartInLine();
  AutoRunEntry AutoRun() const;
  bool IsAutoRunOn();
  // Empty, or why the entry cannot be made (the option is then off, and stored so).
  QString SetAutoRun(bool on);

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
  TToviFolderDialog* ToviFolderDialogImage = nullptr;
  QTimer* typingPause_ = nullptr;
  bool typed_ = false;  // the field was typed in since its folder was last taken
};

}  // namespace toviwall
