#pragma once
// TMainForm: the main window, which owns the whole run. It stays hidden most of
// the time; closing it only hides it. The window itself keeps the run's life
// (creation in its fixed order, showing and hiding, the end of the run, help and
// About); each feature builds, captions, reads and stores the settings of, and
// wires its own controls in a file of its own, handed what it uses:
//   ImageListPage      the image list, its file and the list commands
//   DesktopPage        automatic change, interval, filling type, desktop icons
//   OptionsPage        start-up entry, questions, double-click choice, image folder
//   ImageFolderWatch   the watched image folder and its rescans
//   HotKeySet          the four global hot keys and their page
//   TrayMenu           the tray icon, its menu and the double-click action
//   WallpaperRotation  the change timer, the rotation commands, applying an entry
//   SystemCommands     lock, screen saver, display modes, CD doors, log off
//   RemoteControl      the commands of later starts (toviwall --next, --status, ...)
// WireFeatures() connects them: it reads as the program's structure.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/RotationState.h"
#include "app/ui/DesktopIconCaptions.h"
#include "app/ui/MainWindowControl.h"
#include "app/ui/NoticeBox.h"
#include "app/ui/RunState.h"
#include "base/Settings.h"
#include "base/SettingsPaths.h"
#include "imagelist/ImageList.h"
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
class TrashCommand;
class THelpViewer;
class TrayMenu;
class WallpaperRotation;

class TMainForm : public QWidget, public MainWindowControl {
  Q_OBJECT

 public:
  TMainForm(ProcessEnvironment env, platform::Platform& platform, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Runs after the event loop has ended: stores what must outlive the run and
  // reports what failed at its end.
  void FormDestroy();
  // True once the program was asked to end (Exit, the session, a signal).
  bool EndRequested() const { return run_.endRequested; }
  // Why window creation failed, which ends the start; empty when it did not.
  const std::string& StartFailure() const { return startFailure_; }
  // Window creation ran to its end.
  bool Created() const { return run_.created; }

  // Runs every step however the ones before it fail; the failures are
  // reported at the very end (FormDestroy), without holding the end up.
  void PrepareShutdown();

  // MainWindowControl
  QWidget& Window() override { return *this; }
  bool MainWindowShowing() const override;
  void ShowHideMainWindow() override;
  void HideMainWindow() override;
  void BringWindowToFront(QWidget* w) override;
  bool RaiseOtherFrontWindow() override;
  // PrepareShutdown, then the event loop ends.
  void EndRun() override;
  const std::vector<std::string>& EndFailures() const override { return endFailures_; }

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
  void showEvent(QShowEvent* event) override;    // FormShow
  void moveEvent(QMoveEvent* event) override;    // WMMove
  void changeEvent(QEvent* event) override;      // minimising hides

 private:
  void BuildFeatures();
  void BuildControls();
  void WireFeatures();
  void FormCreate();
  void FormShow();
  void ApplyCaptions();
  void SetHelpContexts();
  void ReadSettingsIntoControls();
  void ComputePaths();
  void ChooseImageFolder();
  void RegisterMessages();
  void OnInstanceMessage(const std::string& message);
  void ChooseWindowFont();
  void FixWindowSize();
  void CenterOnScreen();
  void ButtonOKClick();
  void WMQueryEndSession();
  void EndStep(const std::function<void()>& step);
  void ReportEndFailures();
  void ActionHelpExecute();
  void ActionShowAboutExecute();
  THelpViewer& Help();
  // The tray icon's hint follows the current entry and the schedule.
  void ShowRotationInTray();
  // The information label under the pages, and the progress bar of a batch.
  void SetInfoText(const QString& text);
  // Without a notification area the window is the only way in: it shows, says
  // how to reach it again, and offers Exit.
  void SetNoTrayMode(bool noTray);
  void ShowProgress(bool shown);
  void SetProgress(int percent);

  ProcessEnvironment env_;
  platform::Platform& platform_;
  // What the features share, made before them.
  Settings settings_;
  AppPaths paths_;
  RunState run_;
  ImageList list_;
  RotationState rotationState_{settings_, list_.Rows()};
  DesktopIconCaptions captions_{platform_.desktopIcons(), settings_};
  NoticeBox notice_;

  std::unique_ptr<THelpViewer> help_;
  QPointer<QWidget> frontWindow_;
  bool centred_ = false;
  bool shutdownPrepared_ = false;
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

  std::unique_ptr<SystemCommands> system_;
  std::unique_ptr<WallpaperRotation> rotation_;
  std::unique_ptr<ImageListPage> imageList_;
  std::unique_ptr<ImageFolderWatch> folderWatch_;
  std::unique_ptr<DesktopPage> desktop_;
  std::unique_ptr<OptionsPage> options_;
  std::unique_ptr<HotKeySet> hotKeys_;
  std::unique_ptr<TrashCommand> trash_;
  std::unique_ptr<TrayMenu> tray_;
  std::unique_ptr<RemoteControl> remote_;
  // Who hears of which settings' changes; gone before the features.
  std::vector<Settings::Subscription> subscriptions_;
};

}  // namespace toviwall
