#pragma once
// TMainForm: the main window, which owns the whole run. It stays hidden most of
// the time; closing it only hides it. Its implementation is split by subsystem:
//   WallPaperMain.cpp          creation steps, show/hide, exit, help, About
//   WallPaperMainUi.cpp        the controls, menus and actions
//   WallPaperMainCaptions.cpp  captions from the language strings
//   WallPaperMainSettings.cpp  reading the settings into the controls
//   WallPaperMainRotation.cpp  the change timer and the rotation commands
//   WallPaperMainList.cpp      the image list and its file
//   WallPaperMainWallpaper.cpp applying an entry to the desktop
//   WallPaperMainTray.cpp      tray icon and tray menu
//   WallPaperMainHotKeys.cpp   global hot keys
//   WallPaperMainDesktop.cpp   desktop icons, display modes, system commands
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/RotationController.h"
#include "base/SettingsPaths.h"
#include "desktop/ui/ToviTrayIcon.h"
#include "imagelist/ImageList.h"
#include "imagelist/ui/ImageListView.h"
#include "platform/Platform.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTreeView;

namespace toviwall {
namespace platform {
class TerminationSignals;
}

class THelpViewer;
class TToviHotKey;
class TToviHotKeyBox;

class TMainForm : public QWidget {
  Q_OBJECT

 public:
  TMainForm(ProcessEnvironment env, platform::Platform& platform, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Runs after the event loop has ended: stores what must outlive the run.
  void FormDestroy();
  // True once the program was asked to end (Exit, the session, a signal).
  bool EndRequested() const { return endRequested_; }

  // --- Shared state -----------------------------------------------------
  bool StartupFlag = true;
  QPointer<QWidget> FrontWindow;
  bool ListChanged = false;
  std::string SettingsFile;
  std::string ImageListFile;
  std::string DefaultImageFolder;
  std::string OutputFile;  // the output wallpaper file

  // --- Commands other parts call ---------------------------------------
  void ShowHideMainWindow();
  void PrepareShutdown();
  void BringWindowToFront(QWidget* w);
  bool MainWindowShowing() const;
  void HideMainWindow();

  // Rotation and list commands other parts call.
  void ChangeWallpaperNow();
  void ChangeToIndex(int index);
  void ApplyWallpaper(int index);
  void UpdateEntryButtons();
  void RefillBag();
  // A batch of files, folders and list files for the image list (callers set ListChanged).
  void AddPaths(const std::vector<std::string>& paths);
  void SetListActionsEnabled(bool enabled);

  // The help commands: the topics page, a named topic, a context text by number.
  void ActionHelpExecute();
  THelpViewer& Help();

  // --- Controls, named as the program's forms name them ----------------
  QTabWidget* PageControl = nullptr;
  QWidget* TabSheetImageList = nullptr;
  QWidget* TabSheetDesktop = nullptr;
  QWidget* TabSheetOptions = nullptr;
  QWidget* TabSheetHotkeys = nullptr;
  QLabel* LabelInfo = nullptr;
  QPushButton* ButtonOK = nullptr;
  QPushButton* ButtonHelp = nullptr;
  QPushButton* ButtonAbout = nullptr;
  QStatusBar* ToviStatusBar = nullptr;

  // Image list page.
  TImageListView* ListViewImage = nullptr;
  QPushButton* ButtonAdd = nullptr;
  QPushButton* ButtonSave = nullptr;
  QPushButton* ButtonDelete = nullptr;
  QPushButton* ButtonChange = nullptr;
  QPushButton* ButtonNone = nullptr;
  QPushButton* ButtonPrevious = nullptr;
  QPushButton* ButtonNext = nullptr;
  QCheckBox* CheckBoxShowPreview = nullptr;
  QMenu* TBListPopupMenu = nullptr;

  // Desktop page.
  QGroupBox* GroupBoxDesktop = nullptr;
  QCheckBox* CheckBoxHideDesktopIcon = nullptr;
  QCheckBox* CheckBoxAutoChange = nullptr;
  QCheckBox* CheckBoxRandomizeWall = nullptr;
  QLabel* LabelInterval = nullptr;
  QComboBox* ComboBoxUpdate = nullptr;
  QLabel* LabelFilling = nullptr;
  QComboBox* ComboBoxFilling = nullptr;
  QCheckBox* CheckBoxTransparentBack = nullptr;
  QLabel* LabelTextColor = nullptr;
  QLabel* PanelColor = nullptr;
  QMenu* PanelColorPopupMenu = nullptr;
  QAction* TBItemRightChange = nullptr;
  QCheckBox* CheckBoxCustomIcon = nullptr;
  QPushButton* ButtonChangeIcon = nullptr;
  QLabel* ImageMainIcon = nullptr;

  // Options page.
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

  // Hot keys page. The boxes are key-capture boxes.
  QGroupBox* GroupBoxHotkeys = nullptr;
  QLabel* LabelHotKeyMainWin = nullptr;
  QLabel* LabelHotKeyChangeWall = nullptr;
  QLabel* LabelCDDrive = nullptr;
  QLabel* LabelOpenCD = nullptr;
  QLabel* LabelCloseCD = nullptr;
  TToviHotKeyBox* HotKeyMainWin = nullptr;
  TToviHotKeyBox* HotKeyChangeWall = nullptr;
  TToviHotKeyBox* HotKeyOpenCD = nullptr;
  TToviHotKeyBox* HotKeyCloseCD = nullptr;

  // Actions.
  QAction* ActionAddImage = nullptr;
  QAction* ActionSaveList = nullptr;
  QAction* ActionDeleteImage = nullptr;
  QAction* ActionSelectAll = nullptr;
  QAction* ActionHelp = nullptr;
  QAction* ActionShowAbout = nullptr;
  QAction* ActionHideDesktopIcon = nullptr;
  QAction* ActionActivateWallChanger = nullptr;
  QAction* ActionChangeTextColor = nullptr;
  QAction* ActionStartWithWin = nullptr;
  QAction* ActionChange = nullptr;
  QAction* ActionLockWorkStation = nullptr;
  QAction* ActionActivateScreenSave = nullptr;
  QAction* ActionOpenDisplayProperties = nullptr;
  QAction* ActionShowMainWindow = nullptr;

  // Tray menu, in its order.
  QMenu* TBPopupMenu = nullptr;
  QAction* TBItemShow = nullptr;
  QAction* TBItemChange = nullptr;
  QAction* TBItemLock = nullptr;
  QAction* TBItemScrSave = nullptr;
  QMenu* TBSubmenuItemDisplay = nullptr;
  QAction* TBItemShowDisplay = nullptr;
  QMenu* TBItemDisplayMode = nullptr;
  QMenu* TBSubmenuCDRom = nullptr;
  QMenu* TBSubmenuItemExitWin = nullptr;
  QMenu* TBSubmenuItemPopupOptions = nullptr;
  QAction* TBItemStartWithWin = nullptr;
  QAction* TBItemAutoChange = nullptr;
  QAction* TBItemHide = nullptr;
  QAction* TBItemAbout = nullptr;
  QAction* TBItemHelp = nullptr;
  QAction* TBItemExit = nullptr;

  // Timers.
  QTimer TimerChange;

  // The tray icon and the four global hot keys.
  TToviTrayIcon* ToviWallIcon = nullptr;
  TToviHotKey* ToviHotKeyMainWin = nullptr;
  TToviHotKey* ToviHotKeyChangeWall = nullptr;
  TToviHotKey* ToviHotKeyOpenCD = nullptr;
  TToviHotKey* ToviHotKeyCloseCD = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
  void showEvent(QShowEvent* event) override;    // FormShow
  void moveEvent(QMoveEvent* event) override;    // WMMove
  void changeEvent(QEvent* event) override;      // minimising hides

 private:
  // Creation (WallPaperMain.cpp).
  void FormCreate();
  void FormShow();
  void ComputePaths();  // step 8
  std::string AskImageFolder(const std::string& proposed);
  void RegisterMessages();  // step 15
  void OnInstanceMessage(const std::string& message);
  void ChooseWindowFont();
  void FixWindowSize();

  // Commands (WallPaperMain.cpp).
  void ButtonOKClick();
  void TBItemExitClick();
  void WMQueryEndSession();
  void ActionShowAboutExecute();
  void ActionShowMainWindowExecute();
  void CenterOnScreen();
  void WireHandlers();

  // Controls (WallPaperMainUi.cpp).
  void BuildControls();
  void BuildActions();
  void BuildTrayMenu();
  QWidget* BuildImageListPage();
  QWidget* BuildDesktopPage();
  QWidget* BuildOptionsPage();
  QWidget* BuildHotkeysPage();
  void SetHelpContexts();

  // Captions (WallPaperMainCaptions.cpp).
  void ApplyCaptions();
  void FillFillingTypes();

  // Settings into controls, step 14 (WallPaperMainSettings.cpp).
  void ReadSettingsIntoControls();
  void StoreDoubleClickChoice();
  void CheckBoxNoExitDialogClick();
  void CheckBoxDoNotHideClick();
  void ComboBoxFillingChange();
  void WireSettingsHandlers();

  // Rotation (WallPaperMainRotation.cpp).
  void FillIntervals();
  void Reschedule();
  void ApplyStoredIndex();
  void TimerChangeTimer();
  void ActionActivateWallChangerExecute();
  void CheckBoxRandomizeWallClick();
  void ComboBoxUpdateChange();
  void ButtonChangeClick();
  void ButtonNoneClick();
  void ButtonPreviousClick();
  void ButtonNextClick();
  void ActionChangeExecute();
  void WMWinIniChange();
  void EnableChangeTimer();
  void SeedRandomGenerator();  // step 6
  static int ChangeTimerIntervalMs();
  void WireRotationHandlers();
  RotationController& Rotation();

  // Image list (WallPaperMainList.cpp).
  void ResetListIcons();  // step 7
  void LoadImageList();   // step 21
  void SaveListIfChanged();
  void EditImageFolderChange();
  void ButtonImageFolderClick();
  void ActionAddImageExecute();
  void ActionSaveListExecute();
  void ActionDeleteImageExecute();
  void ActionSelectAllExecute();
  int ListColumnWidth() const;
  void SetListColumnWidth(int width);
  int ImageCount() const;
  void WireListHandlers();
  void SelectEntry(int index);
  int FileTypeIcon(const std::string& path);
  bool ConfirmManyImages(std::size_t count);
  void BatchRunning(bool running);
  void BatchProgress(std::size_t i, std::size_t n);
  void PumpEvents();
  void ListViewImageKeyDown(QKeyEvent* event);
  void ListViewImageDblClick();
  void ListViewImageSelectItem(int row, bool selected);
  void ListViewImageDragDrop();

  // Wallpaper (WallPaperMainWallpaper.cpp).
  void ComputeOutputWallpaperFile();  // step 22
  void WarnIfActiveDesktop();         // step 17
  void WireWallpaperHandlers();
  // True when the desktop does not show what applying `imageFile` under the
  // current filling type hands to it (the watchdog's test).
  bool WallpaperDiffers(const std::string& imageFile);

  // Tray (WallPaperMainTray.cpp).
  void RefreshTrayIcon();
  void ReAddIcon();
  void RemoveTrayIcon();
  void BuildTrayIcon();
  void ToviWallIconMouseDown(QObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void ToviWallIconDblClick(QObject* sender);
  void TBPopupMenuPopup();
  void ResetMenuImages();
  void MarkDefaultItem();

  // Hot keys (WallPaperMainHotKeys.cpp).
  void LoadHotKeys();  // part of step 14
  void DeactivateHotKeys();
  void BuildHotKeys();
  void LoadHotKeyBox(int modifier, int virtKey, TToviHotKeyBox* box);
  void HotKeyMainWinExit();
  void HotKeyChangeWallExit();
  void HotKeyOpenCDExit();
  void HotKeyCloseCDExit();
  void ToviHotKeyMainWinHotKey();
  void ToviHotKeyChangeWallHotKey();
  void ToviHotKeyOpenCDHotKey();
  void ToviHotKeyCloseCDHotKey();

  // Desktop and system (WallPaperMainDesktop.cpp).
  void BuildExitWindowsMenu();      // step 9
  void LoadCustomIconSetting();     // step 10
  void BuildDisplayModeMenu();      // step 18
  void BuildCDRomMenu();            // step 19
  void ShowLockCommandIfSupported();  // step 20
  void ApplyDesktopIconsHidden();
  void ReapplyIconText();
  void ApplyIconTextColorSetting();
  void BringAutoStartInLine();
  bool IsAutoRunOn();
  QIcon CustomTrayIcon();
  void OpenFirstCDDrive();
  void CloseFirstCDDrive();
  void ActionHideDesktopIconExecute();
  void CheckBoxTransparentBackClick();
  void ActionChangeTextColorExecute();
  void ActionStartWithWinExecute();
  void ActionLockWorkStationExecute();
  void ActionActivateScreenSaveExecute();
  void ActionOpenDisplayPropertiesExecute();
  void CheckBoxCustomIconClick();
  void ButtonChangeIconClick();
  void CheckBoxShowPreviewClick();
  void KeepPreviewDocked();
  void FreePreviewWindow();
  void WireDesktopHandlers();

  // Wraps a handler so an escaping exception reaches the error box.
  template <class F>
  auto Handler(F f) {
    return [this, f](auto&&...) { RunHandler([&] { (this->*f)(); }); };
  }
  static void RunHandler(const std::function<void()>& body);

  ProcessEnvironment env_;
  platform::Platform& platform_;
  std::unique_ptr<platform::TerminationSignals> terminationSignals_;
  std::unique_ptr<THelpViewer> help_;
  bool centred_ = false;
  bool shutdownPrepared_ = false;
  bool endRequested_ = false;

  // The image list and the rotation (WallPaperMainList.cpp, WallPaperMainRotation.cpp).
  ImageList imageList_;
  std::unique_ptr<RotationController> rotation_;
  std::uint64_t randomSeed_ = 0;
  QPointer<QProgressBar> listProgress_;
  std::int64_t lastPumpMs_ = 0;
  std::int64_t lastProgressMs_ = 0;
};

}  // namespace toviwall
