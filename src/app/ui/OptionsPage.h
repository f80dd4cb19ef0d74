#pragma once
// The "Options" page: the start-up entry, the two "don't ask again" answers,
// what a double-click on the tray icon does, and the image folder.
#include <QObject>
#include <string>

#include "app/DoubleClickChoice.h"
#include "startup/AutoStart.h"

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
namespace platform {
class AutoStart;
}

struct AppPaths;
struct ProcessEnvironment;
struct RunState;
class Settings;
class THelpViewer;
class TToviFolderDialog;

class OptionsPage final : public QObject {
  Q_OBJECT

 public:
  struct Parts {
    Settings& settings;
    platform::AutoStart& autoStart;
    const ProcessEnvironment& env;
    AppPaths& paths;
    RunState& run;
  };
  // The action and the folder browser belong to `owner`'s window.
  OptionsPage(QWidget& owner, Parts parts);

  QWidget* Page() const { return TabSheetOptions; }
  QAction* ActionStartWithWin() const { return ActionStartWithWin_; }

  void ApplyCaptions();
  void SetHelpContexts(THelpViewer& help);
  void ReadSettings();

  DoubleClickChoice Choice() const;
  // The two "do not ask" boxes as stored (the questions store them too).
  void ReadNoExitDialog();
  void ReadDoNotHide();
  // The Lock choice shows only while the workstation can be locked.
  void SetLockChoiceVisible(bool visible);
  // The check mark follows whether the start-up entry really exists.
  void RecheckAutoRun();
  // The folder the field names becomes the image folder (imageFolderChosen;
  // nothing during start-up, nor for a field that names no folder).
  void EditImageFolderChange();
  // The end of a start with pictures in the list: the field's folder is
  // watched, not scanned (imageFolderToWatch).
  void WatchImageFolder();
  // How long typing must pause before the typed folder is taken.
  static constexpr int kTypingPauseMs = 1000;

 signals:
  // The folder (an existing one) is the image folder from now on: scanned
  // into the list, watched and stored.
  void imageFolderChosen(const std::string& folder);
  // The folder is watched, without a scan.
  void imageFolderToWatch(const std::string& folder);

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

  Parts parts_;
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
