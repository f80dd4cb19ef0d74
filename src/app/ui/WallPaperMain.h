#pragma once
// TMainForm: the main window, which owns the whole run. It stays hidden most of
// the time; closing it only hides it. The window itself keeps the run's life
// (creation in its fixed order, showing and hiding, the end of the run, help and
// About); each feature builds, captions, reads and stores the settings of, and
// wires its own controls in a file of its own:
//   ImageListPage      the image list, its file and the list commands
//   DesktopPage        automatic change, interval, filling type, desktop icons
//   OptionsPage        start-up entry, questions, double-click choice, image folder
//   ImageFolderWatch   the watched image folder and its rescans
//   HotKeySet          the four global hot keys and their page
//   TrayMenu           the tray icon, its menu and the double-click action
//   WallpaperRotation  the change timer, the rotation commands, applying an entry
//   SystemCommands     lock, screen saver, display modes, CD doors, log off
//   RemoteControl      the commands of later starts (toviwall --next, --status, ...)
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "base/SettingsPaths.h"
#include "platform/Platform.h"

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;

namespace toviwall {

class DesktopPage;
class HotKeySet;
class ImageFolderWatch;
class ImageListPage;
class OptionsPage;
class RemoteControl;
class SystemCommands;
class THelpViewer;
class TrayMenu;
class WallpaperRotation;

class TMainForm : public QWidget {
  Q_OBJECT

 public:
  TMainForm(ProcessEnvironment env, platform::Platform& platform, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Runs after the event loop has ended: stores what must outlive the run and
  // reports what failed at its end.
  void FormDestroy();
  // True once the program was asked to end (Exit, the session, a signal).
  bool EndRequested() const { return endRequested_; }
  // Why window creation failed, which ends the start; empty when it did not.
  const std::string& StartFailure() const { return startFailure_; }
  // Window creation ran to its end.
  bool Created() const { return created_; }
  // What the end of the run could not do (saving the list, ...), so far.
  const std::vector<std::string>& EndFailures() const { return endFailures_; }

  // --- Shared state -----------------------------------------------------
  bool StartupFlag = true;
  QPointer<QWidget> FrontWindow;
  bool ListChanged = false;
  std::string SettingsFile;
  std::string ImageListFile;
  std::string DefaultImageFolder;
  std::string OutputFile;  // the output wallpaper file

  // --- Commands the features call ---------------------------------------
  void ShowHideMainWindow();
  // Runs every step however the ones before it fail; the failures are
  // reported at the very end (FormDestroy), without holding the end up.
  void PrepareShutdown();
  // PrepareShutdown, then the event loop ends.
  void EndRun();
  void BringWindowToFront(QWidget* w);
  // When another window of ours takes the user's interaction (the About box),
  // brings it to the front and answers true: commands wait until it closes.
  bool RaiseOtherFrontWindow();
  bool MainWindowShowing() const;
  void HideMainWindow();
  void ActionHelpExecute();
  THelpViewer& Help();
  platform::Platform& Platform() { return platform_; }
  Settings& SettingsStore() { return settings_; }
  // The command line, the program file and the user's folders.
  const ProcessEnvironment& Environment() const { return env_; }
  // The information label under the pages, and the progress bar of a batch.
  void SetInfoText(const QString& text);
  // Without a notification area the window is the only way in: it shows, says
  // how to reach it again, and offers Exit.
  void SetNoTrayMode(bool noTray);
  void ShowProgress(bool shown);
  void SetProgress(int percent);

  // --- The features -----------------------------------------------------
  ImageListPage& ImageListTab() { return *imageList_; }
  DesktopPage& DesktopTab() { return *desktop_; }
  OptionsPage& OptionsTab() { return *options_; }
  ImageFolderWatch& FolderWatch() { return *folderWatch_; }
  HotKeySet& HotKeys() { return *hotKeys_; }
  TrayMenu& Tray() { return *tray_; }
  WallpaperRotation& Rotation() { return *rotation_; }
  SystemCommands& System() { return *system_; }

  // The window's own commands, which the tray menu shows too.
  QAction* ActionShowMainWindow() const { return actionShowMainWindow_; }
  QAction* ActionShowAbout() const { return actionShowAbout_; }
  QAction* ActionHelp() const { return actionHelp_; }

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
  void showEvent(QShowEvent* event) override;    // FormShow
  void moveEvent(QMoveEvent* event) override;    // WMMove
  void changeEvent(QEvent* event) override;      // minimising hides

 private:
  void BuildControls();
  void FormCreate();
  void FormShow();
  void ApplyCaptions();
  void SetHelpContexts();
  void ReadSettingsIntoControls();
  void ComputePaths();
  void RegisterMessages();
  void OnInstanceMessage(const std::string& message);
  void ChooseWindowFont();
  void FixWindowSize();
  void CenterOnScreen();
  void ButtonOKClick();
  void WMQueryEndSession();
  void EndStep(const std::function<void()>& step);
  void ReportEndFailures();
  void ActionShowAboutExecute();
  void ActionShowMainWindowExecute();

  ProcessEnvironment env_;
  platform::Platform& platform_;
  Settings settings_;
  std::unique_ptr<THelpViewer> help_;
  bool centred_ = false;
  bool shutdownPrepared_ = false;
  bool endRequested_ = false;
  bool created_ = false;  // window creation ran to its end
  std::string startFailure_;
  std::vector<std::string> endFailures_;

  QAction* actionShowMainWindow_ = nullptr;
  QAction* actionShowAbout_ = nullptr;
  QAction* actionHelp_ = nullptr;

  QTabWidget* PageControl = nullptr;
  QLabel* LabelInfo = nullptr;
  QLabel* LabelNoTray = nullptr;
  QPushButton* ButtonExit = nullptr;
  QPushButton* ButtonOK = nullptr;
  QPushButton* ButtonHelp = nullptr;
  QPushButton* ButtonAbout = nullptr;
  QStatusBar* ToviStatusBar = nullptr;
  QPointer<QProgressBar> listProgress_;

  // In the order they are made: later ones use the actions of earlier ones.
  std::unique_ptr<SystemCommands> system_;
  std::unique_ptr<WallpaperRotation> rotation_;
  std::unique_ptr<ImageListPage> imageList_;
  std::unique_ptr<ImageFolderWatch> folderWatch_;
  std::unique_ptr<DesktopPage> desktop_;
  std::unique_ptr<OptionsPage> options_;
  std::unique_ptr<HotKeySet> hotKeys_;
  std::unique_ptr<TrayMenu> tray_;
  std::unique_ptr<RemoteControl> remote_;
};

}  // namespace toviwall
