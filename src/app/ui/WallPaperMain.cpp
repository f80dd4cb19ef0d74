// The main window's life: creation in its fixed order, showing and hiding, the
// end of the run, help and About.
#include "app/ui/WallPaperMain.h"

#include <algorithm>
#include <cstdio>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "app/ui/AboutBox.h"
#include "app/ui/DesktopPage.h"
#include "app/ui/FormParts.h"
#include "app/ui/HelpViewer.h"
#include "app/ui/HotKeySet.h"
#include "app/ui/ImageFolderWatch.h"
#include "app/ui/ImageListPage.h"
#include "app/ui/OptionsPage.h"
#include "app/ui/RemoteControl.h"
#include "app/ui/SystemCommands.h"
#include "app/ui/TrashCommand.h"
#include "app/ui/TrayMenu.h"
#include "app/ui/WallpaperRotation.h"
#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "base/Version.h"
#include "imagelist/ui/UnitFormPath.h"
#include "update/MakerServer.h"

namespace toviwall {
namespace {

// Restores the normal cursor however window creation ends.
class HourglassCursor {
 public:
  HourglassCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~HourglassCursor() { Restore(); }
  void Restore() {
    if (active_) QApplication::restoreOverrideCursor();
    active_ = false;
  }

 private:
  bool active_ = true;
};

}  // namespace

TMainForm::TMainForm(ProcessEnvironment env, platform::Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowContextHelpButtonHint),
      env_(std::move(env)),
      platform_(platform) {
  setObjectName(QStringLiteral("MainForm"));
  setAttribute(Qt::WA_QuitOnClose, false);
  BuildFeatures();
  BuildControls();
  WireFeatures();
  // A failure here leaves no way into the program (no tray icon, no listener):
  // the start ends with its message instead.
  try {
    FormCreate();
  } catch (const std::exception& e) {
    startFailure_ = e.what();
  } catch (...) {
    startFailure_ = "Unknown error";
  }
}

TMainForm::~TMainForm() { platform_.sessionEnd().SetEndRequestedListener({}); }

void TMainForm::BuildFeatures() {
  actionShowMainWindow_ = NamedAction(this, "ActionShowMainWindow");
  actionShowAbout_ = NamedAction(this, "ActionShowAbout");
  actionHelp_ = NamedAction(this, "ActionHelp");
  platform::Platform& p = platform_;
  system_ = std::make_unique<SystemCommands>(*this, p.systemActions(), p.displayModes(), *this, captions_,
                                             [this] { imageList_->SaveListIfChanged(); });
  rotation_ = std::make_unique<WallpaperRotation>(
      *this, WallpaperRotation::Parts{settings_, list_, rotationState_, run_, paths_, env_, p.desktopWallpaper(),
                                      p.screen(), captions_, notice_});
  imageList_ = std::make_unique<ImageListPage>(ImageListPage::Parts{list_, settings_, run_, paths_, *this});
  folderWatch_ =
      std::make_unique<ImageFolderWatch>(ImageFolderWatch::Parts{list_, settings_, run_, paths_, p.directoryWatch()});
  desktop_ = std::make_unique<DesktopPage>(
      *this, DesktopPage::Parts{settings_, p.desktopIcons(), p.desktopWallpaper(), captions_, env_});
  options_ = std::make_unique<OptionsPage>(*this, OptionsPage::Parts{settings_, p.autoStart(), env_, paths_, run_});
  hotKeys_ = std::make_unique<HotKeySet>(*this, p.globalHotKeys(), settings_, [this](HotKeyCommand c) {
    switch (c) {
      case HotKeyCommand::ShowMainWindow: actionShowMainWindow_->trigger(); break;
      case HotKeyCommand::ChangeWallpaper: rotation_->ChangeWallpaperNow(); break;
      case HotKeyCommand::NextWallpaper: rotation_->Step(true); break;
      case HotKeyCommand::PreviousWallpaper: rotation_->Step(false); break;
      case HotKeyCommand::OpenCD: system_->OpenFirstCDDrive(); break;
      case HotKeyCommand::CloseCD: system_->CloseFirstCDDrive(); break;
    }
  });
  trash_ = std::make_unique<TrashCommand>(
      *this, TrashCommand::Parts{.list = list_,
                                 .state = rotationState_,
                                 .run = run_,
                                 .env = env_,
                                 .show = [this](int row) { rotation_->ChangeToIndex(row); },
                                 .clear = [this] { rotation_->ClearWallpaper(); },
                                 .saveList = [this] { imageList_->SaveListIfChanged(); }});
  tray_ = std::make_unique<TrayMenu>(
      p.trayHost(), settings_, run_, *this,
      TrayMenu::Actions{.showMainWindow = actionShowMainWindow_,
                        .change = rotation_->ActionChange(),
                        .next = rotation_->ActionNext(),
                        .previous = rotation_->ActionPrevious(),
                        .moveToTrash = trash_->Action(),
                        .lock = system_->ActionLockWorkStation(),
                        .screenSaver = system_->ActionActivateScreenSave(),
                        .displaySettings = system_->ActionOpenDisplayProperties(),
                        .displayModes = system_->DisplayModeMenu(),
                        .cdDrives = system_->CDRomMenu(),
                        .exitWindows = system_->ExitWindowsMenu(),
                        .startWithWindows = options_->ActionStartWithWin(),
                        .autoChange = desktop_->ActionActivateWallChanger(),
                        .hideIcons = desktop_->ActionHideDesktopIcon(),
                        .about = actionShowAbout_,
                        .help = actionHelp_});
  remote_ = std::make_unique<RemoteControl>(RemoteControl::Parts{
      list_, settings_, rotationState_, run_, paths_, *this, notice_,
      RemoteControl::Rotation{.change = [this] { rotation_->ChangeWallpaperNow(); },
                              .next = [this] { rotation_->Step(true); },
                              .previous = [this] { rotation_->Step(false); },
                              .none = [this] { rotation_->ClearWallpaper(); },
                              .desktopShows = [this](int index) { return rotation_->DesktopShows(index); },
                              .nextChangeTime = [this] { return rotation_->NextChangeTime(); }}});
}

void TMainForm::BuildControls() {
  // F1 opens the help; Shift+F1 asks what a control is for, as the caption's "?" does.
  // (A key of its own, so the tray menu does not show F1 beside Help.)
  auto* helpKey = new QAction(this);
  helpKey->setShortcut(QKeySequence::HelpContents);
  connect(helpKey, &QAction::triggered, actionHelp_, &QAction::trigger);
  addAction(helpKey);
  auto* whatsThis = QWhatsThis::createAction(this);
  whatsThis->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
  addAction(whatsThis);

  auto* layout = new QVBoxLayout(this);
  LabelNoTray = Named(new QLabel(this), "LabelNoTray");
  LabelNoTray->setWordWrap(true);
  LabelNoTray->hide();
  layout->addWidget(LabelNoTray);
  PageControl = Named(new QTabWidget(this), "PageControl");
  for (QWidget* page : {imageList_->Page(), desktop_->Page(), options_->Page(), hotKeys_->Page()})
    PageControl->addTab(page, QString());
  layout->addWidget(PageControl, 1);

  auto* bottom = new QHBoxLayout;
  LabelInfo = Named(new QLabel(this), "LabelInfo");
  ButtonOK = Named(new QPushButton(this), "ButtonOK");
  ButtonHelp = Named(new QPushButton(this), "ButtonHelp");
  ButtonAbout = Named(new QPushButton(this), "ButtonAbout");
  ButtonExit = Named(new QPushButton(this), "ButtonExit");
  ButtonExit->hide();
  bottom->addWidget(LabelInfo, 1);
  LabelInfo->setMinimumWidth(0);
  for (QPushButton* b : {ButtonExit, ButtonOK, ButtonHelp, ButtonAbout}) {
    // Compact buttons leave the information label room for its longest texts.
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    b->setMinimumWidth(0);
    bottom->addWidget(b);
  }
  layout->addLayout(bottom);

  ToviStatusBar = Named(new QStatusBar(this), "ToviStatusBar");
  ToviStatusBar->setSizeGripEnabled(false);
  layout->addWidget(ToviStatusBar);
}

void TMainForm::WireFeatures() {
  // The window's own commands.
  connect(actionShowMainWindow_, &QAction::triggered, this, Guarded(this, &TMainForm::ShowHideMainWindow));
  connect(actionShowAbout_, &QAction::triggered, this, Guarded(this, &TMainForm::ActionShowAboutExecute));
  connect(actionHelp_, &QAction::triggered, this, Guarded(this, &TMainForm::ActionHelpExecute));
  LinkButton(ButtonHelp, actionHelp_);
  LinkButton(ButtonAbout, actionShowAbout_);
  connect(ButtonOK, &QPushButton::clicked, this, Guarded(this, &TMainForm::ButtonOKClick));
  connect(ButtonExit, &QPushButton::clicked, tray_->ExitAction(), &QAction::trigger);

  // The list and the rotation: the buttons under the list run the rotation's
  // commands, and what the rotation keeps about the rows follows them.
  WallpaperRotation* rotation = rotation_.get();
  connect(imageList_.get(), &ImageListPage::changeRequested, rotation, Guarded(rotation, &WallpaperRotation::ChangeWallpaperNow));
  connect(imageList_.get(), &ImageListPage::noneRequested, rotation, Guarded(rotation, &WallpaperRotation::ClearWallpaper));
  connect(imageList_.get(), &ImageListPage::previousRequested, rotation, Guarded(rotation, &WallpaperRotation::Previous));
  connect(imageList_.get(), &ImageListPage::nextRequested, rotation, Guarded(rotation, &WallpaperRotation::Next));
  connect(imageList_.get(), &ImageListPage::entryChosen, rotation,
          [rotation](int row) { RunGuarded([&] { rotation->ChangeToIndex(row); }); });
  list_.SetFollowers({.refillBag = [rotation] { rotation->RefillBag(); },
                      .rowsMoving = [this] { rotationState_.RowsMoving(); },
                      .rowsMoved = [this] {
                        rotationState_.RowsMoved();
                        ShowRotationInTray();
                      }});
  // A batch's progress under the pages; Exit waits for its end.
  connect(imageList_.get(), &ImageListPage::infoText, this, &TMainForm::SetInfoText);
  connect(imageList_.get(), &ImageListPage::progressShown, this, &TMainForm::ShowProgress);
  connect(imageList_.get(), &ImageListPage::progressChanged, this, &TMainForm::SetProgress);
  connect(imageList_.get(), &ImageListPage::listActionsEnabled, tray_.get(), &TrayMenu::SetExitEnabled);

  // The settings the rotation acts on when they change.
  subscriptions_.push_back(settings_.OnChange(keys::AutoChangeWallpaper, [rotation] { rotation->EnableChangeTimer(); }));
  subscriptions_.push_back(settings_.OnChange(keys::Interval, [rotation] { rotation->IntervalChosen(); }));
  // The Options page shows the answers the questions store.
  subscriptions_.push_back(settings_.OnChange(keys::DontShowHideDialog, [this] { options_->ReadDoNotHide(); }));
  subscriptions_.push_back(settings_.OnChange(keys::DontShowExitDialog, [this] { options_->ReadNoExitDialog(); }));
  QAction* lock = system_->ActionLockWorkStation();
  connect(lock, &QAction::changed, options_.get(), [this, lock] { options_->SetLockChoiceVisible(lock->isVisible()); });

  // The image folder the Options page names is the one watched.
  connect(options_.get(), &OptionsPage::imageFolderChosen, folderWatch_.get(),
          [this](const std::string& folder) { folderWatch_->WatchFolder(folder); });
  connect(options_.get(), &OptionsPage::imageFolderToWatch, folderWatch_.get(), &ImageFolderWatch::WatchOnly);

  // The tray: its icon from the Desktop page, what it shows brought up to
  // date when it opens, the window standing in for it when there is none, Exit.
  connect(desktop_.get(), &DesktopPage::trayIconChanged, tray_.get(), &TrayMenu::SetIcon);
  connect(tray_.get(), &TrayMenu::menuOpening, this, [this] {
    options_->RecheckAutoRun();
    imageList_->UpdateEntryButtons();
    trash_->UpdateAction();
  });
  connect(rotation, &WallpaperRotation::scheduleChanged, this, &TMainForm::ShowRotationInTray);
  connect(tray_.get(), &TrayMenu::noTrayChanged, this, &TMainForm::SetNoTrayMode);
  connect(tray_.get(), &TrayMenu::exitRequested, this, &TMainForm::EndRun);

  platform_.sessionEnd().SetEndRequestedListener([this] { RunGuarded([this] { WMQueryEndSession(); }); });
}

void TMainForm::FormCreate() {
  // The working lists of the image list and the rotation live in their models.
  run_.startupFlag = true;
  HourglassCursor hourglass;
  frontWindow_ = this;
  LoadLanguageStrings();
  ChooseWindowFont();
  setWindowTitle(QString::fromUtf8(kTitle));
  ApplyCaptions();
  help_ = std::make_unique<THelpViewer>(THelpViewer::HelpFileFor(env_.programFile));
  SetHelpContexts();
  rotation_->SeedRandomGenerator();
  imageList_->ResetListIcons();
  ComputePaths();
  ChooseImageFolder();
  // An end asked for while a dialog of the start was open: nothing more to build.
  if (run_.endRequested) return;
  system_->BuildExitWindowsMenu();
  desktop_->LoadCustomIconOption();
  tray_->RefreshTrayIcon();
  desktop_->FillChoices();
  ToviStatusBar->hide();
  FixWindowSize();
  ReadSettingsIntoControls();
  RegisterMessages();
  RecordVersion(env_, kProductRegistryKey,
                VersionText(kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild));
  system_->BuildDisplayModeMenu();
  system_->BuildCDRomMenu();
  system_->ShowCommandsThatCanRun();
  imageList_->LoadImageList();
  if (run_.endRequested) return;
  paths_.outputFile = rotation_->OutputWallpaperFile();
  rotation_->Reschedule();
  // The list is written at the end of every run.
  run_.listChanged = true;
  PageControl->setCurrentIndex(0);
  hourglass.Restore();
  run_.startupFlag = false;
  // An empty list is filled from the image folder; either way the folder is
  // watched from now on, so that pictures copied there later are added.
  if (imageList_->ImageCount() == 0) options_->EditImageFolderChange();
  else options_->WatchImageFolder();
  if (run_.endRequested) return;
  rotation_->ApplyStoredIndex();
  rotation_->EnableChangeTimer();
  tray_->RefreshTrayIcon();
  tray_->WatchForTray();
  run_.created = true;
}

void TMainForm::ApplyCaptions() {
  PageControl->setTabText(0, T(10011));
  PageControl->setTabText(1, T(10023));
  PageControl->setTabText(2, T(10033));
  PageControl->setTabText(3, T(10044));
  ButtonOK->setText(T(10005));
  ButtonExit->setText(T(10060));
  LabelNoTray->setText(Q(FormatText(S(10106), {kTitle, kTitle})));
  actionHelp_->setText(T(10020));  // the linked buttons follow their actions
  actionShowAbout_->setText(T(10021));
  actionShowMainWindow_->setText(T(10039));
  imageList_->ApplyCaptions();
  desktop_->ApplyCaptions();
  options_->ApplyCaptions();
  hotKeys_->ApplyCaptions();
  rotation_->ApplyCaptions();
  trash_->ApplyCaptions();
  system_->ApplyCaptions();
  tray_->ApplyCaptions();
}

void TMainForm::SetHelpContexts() {
  imageList_->SetHelpContexts(*help_);
  desktop_->SetHelpContexts(*help_);
  options_->SetHelpContexts(*help_);
  hotKeys_->SetHelpContexts(*help_);
  for (auto [widget, context] : {std::pair<QWidget*, int>{ButtonAbout, 5001}, {ButtonHelp, 5002}, {ButtonOK, 5003}})
    help_->SetHelpContext(widget, context);
}

void TMainForm::ReadSettingsIntoControls() {
  imageList_->ReadSettings();
  desktop_->ReadSettings();
  options_->ReadSettings();
  hotKeys_->LoadHotKeys();
}

void TMainForm::ChooseWindowFont() {
  const QStringList installed = QFontDatabase::families();
  for (const char* family : {"Tahoma", "MS Sans Serif", "Arial"}) {
    if (installed.contains(QString::fromLatin1(family), Qt::CaseInsensitive)) {
      setFont(QFont(QString::fromLatin1(family), 8));
      return;
    }
  }
  // None of them: the desktop's own interface font, which every Linux desktop has.
}

void TMainForm::FixWindowSize() {
  // A client area of 449 x 390 at 96 dots per inch, larger only when the fonts
  // need it, as the default and the least size; the user may make it larger.
  const double scale = logicalDpiX() / 96.0;
  for (QPushButton* b : {ButtonExit, ButtonOK, ButtonHelp, ButtonAbout}) {
    QString caption = b->text().remove(QLatin1Char('&'));
    b->setFixedWidth(std::max(b->fontMetrics().horizontalAdvance(caption) + 28, static_cast<int>(64 * scale)));
  }
  if (layout()) layout()->activate();
  QSize wanted(static_cast<int>(449 * scale), static_cast<int>(390 * scale));
  const QSize least = wanted.expandedTo(minimumSizeHint());
  setMinimumSize(least);
  resize(least);
}

void TMainForm::ComputePaths() {
  paths_.settingsFile =
      SettingsFileFor(env_, [](const std::string& text) { ShowMessage(Q(text), QMessageBox::Warning); });
  settings_.SetFile(paths_.settingsFile);
  paths_.imageListFile = ImageListFileFor(paths_.settingsFile);
  // What writes cut short by a kill or a crash left behind; nothing of ours writes yet.
  RemoveStaleTempFiles(
      {paths_.settingsFile, paths_.imageListFile, rotation_->OutputWallpaperFile(), ProductStoreFile(env_)});
}

void TMainForm::ChooseImageFolder() {
  std::string proposed = ProposedImageFolder(env_, paths_.settingsFile);
  if (FileExists(paths_.settingsFile))
    paths_.defaultImageFolder = settings_.Get(keys::ImageFolder, proposed);
  else {
    // Listening already, so that --status and --exit are answered while the
    // question is open (a later start still counts as not heard).
    RegisterMessages();
    run_.askingImageFolder = true;
    paths_.defaultImageFolder = AskImageFolder(proposed);
    run_.askingImageFolder = false;
  }
  if (run_.endRequested) return;  // the question was not answered: nothing is stored
  settings_.Set(keys::ImageFolder, paths_.defaultImageFolder);
}

void TMainForm::RegisterMessages() {
  QPointer<TMainForm> self(this);
  platform_.singleInstance().Listen(
      [self](const std::string& message) {
        if (self) RunGuarded([&] { self->OnInstanceMessage(message); });
      },
      [self](const remote::Request& request, platform::SingleInstance::Answer answer) {
        if (self) self->remote_->Request(request, std::move(answer));
        else answer(remote::Reply{remote::Status::Refused, {"the program is ending"}});
      });
}

void TMainForm::OnInstanceMessage(const std::string& message) {
  // A second start during the first-run question is not heard, as before the program listened.
  if (message == ShowMessageName()) {
    if (!run_.askingImageFolder) ShowHideMainWindow();
  } else if (message == kRefreshDesktopMessage) captions_.ReapplyText();
  else std::fprintf(stderr, "toviwall: ignored an unknown message on the single-instance socket\n");
}

bool TMainForm::MainWindowShowing() const { return isVisible() && !isMinimized(); }

void TMainForm::HideMainWindow() { hide(); }

void TMainForm::ShowHideMainWindow() {
  if (RaiseOtherFrontWindow()) return;
  if (MainWindowShowing()) {
    HideMainWindow();
    return;
  }
  show();
  BringWindowToFront(this);
}

bool TMainForm::RaiseOtherFrontWindow() {
  if (!frontWindow_ || frontWindow_ == this) return false;
  BringWindowToFront(frontWindow_);
  return true;
}

void TMainForm::BringWindowToFront(QWidget* w) {
  if (!w) return;
  if (w->isMinimized()) w->showNormal();
  if (!w->isVisible()) w->show();
  if (w->isActiveWindow()) return;
  w->raise();
  w->activateWindow();
  // Focus-stealing prevention may refuse a plain request; ask as a pager would.
  if (!w->isActiveWindow()) platform_.windowActivation().ForceActivate(w->winId());
}

void TMainForm::CenterOnScreen() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

void TMainForm::ShowRotationInTray() {
  // With no picture to change to, no change is due either.
  const std::string picture = rotation_->CurrentFileName();
  tray_->SetStatus(picture, picture.empty() ? std::nullopt : rotation_->ScheduledChange());
}

void TMainForm::SetInfoText(const QString& text) { LabelInfo->setText(text); }

void TMainForm::ShowProgress(bool shown) {
  if (shown) {
    LabelInfo->show();
    if (!listProgress_) {
      listProgress_ = new QProgressBar(ToviStatusBar);  // owned by the status bar
      listProgress_->setRange(0, 100);
      listProgress_->setTextVisible(false);
      ToviStatusBar->addWidget(listProgress_, 1);
    }
    if (ToviStatusBar->isHidden()) {
      ToviStatusBar->show();
      setFixedHeight(height() + ToviStatusBar->sizeHint().height());
    }
    return;
  }
  if (!ToviStatusBar->isHidden()) {
    ToviStatusBar->hide();
    setFixedHeight(height() - ToviStatusBar->sizeHint().height());
  }
  delete listProgress_;
}

void TMainForm::SetNoTrayMode(bool noTray) {
  if (noTray == LabelNoTray->isVisible()) return;
  LabelNoTray->setVisible(noTray);
  ButtonExit->setVisible(noTray);
  // The pages keep their size; the notice adds to the window's height.
  const int notice = LabelNoTray->heightForWidth(PageControl->width()) + layout()->spacing();
  setFixedHeight(height() + (noTray ? notice : -notice));
  if (noTray && !MainWindowShowing()) ShowHideMainWindow();
}

void TMainForm::SetProgress(int percent) {
  if (listProgress_) listProgress_->setValue(percent);
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!centred_) {
    centred_ = true;
    CenterOnScreen();
  }
  RunGuarded([this] { FormShow(); });
}

void TMainForm::FormShow() { imageList_->CheckBoxShowPreviewClick(); }

void TMainForm::closeEvent(QCloseEvent* event) {
  // FormCloseQuery: closing only hides; the program ends through Exit or the session.
  event->ignore();
  HideMainWindow();
}

void TMainForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized()) {
    // The main window is never shown minimised: minimising hides it.
    QMetaObject::invokeMethod(
        this,
        [this] {
          setWindowState(windowState() & ~Qt::WindowMinimized);
          HideMainWindow();
        },
        Qt::QueuedConnection);
  }
}

void TMainForm::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  imageList_->KeepPreviewDocked();
}

void TMainForm::ButtonOKClick() {
  imageList_->SaveListIfChanged();
  HideMainWindow();
}

void TMainForm::PrepareShutdown() {
  if (shutdownPrepared_) return;
  shutdownPrepared_ = true;
  EndStep([this] { imageList_->FreePreviewWindow(); });
  EndStep([this] { imageList_->SaveListIfChanged(); });
  EndStep([this] { tray_->RemoveTrayIcon(); });
  EndStep([this] { hotKeys_->DeactivateHotKeys(); });
}

void TMainForm::EndStep(const std::function<void()>& step) {
  std::string failure;
  try {
    step();
    return;
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "Unknown error";
  }
  // One read-only file fails several steps alike; it is said once.
  if (std::find(endFailures_.begin(), endFailures_.end(), failure) == endFailures_.end())
    endFailures_.push_back(failure);
}

void TMainForm::EndRun() {
  run_.endRequested = true;  // also when the request comes before the event loop runs
  // A later start waits until we are gone, then runs as the first.
  platform_.singleInstance().StopListening();
  PrepareShutdown();
  QApplication::quit();
}

void TMainForm::WMQueryEndSession() {
  // Nobody may be there to answer an open box: it counts as cancelled.
  EndDialogs();
  EndRun();
}

void TMainForm::FormDestroy() {
  if (run_.created) EndStep([this] { imageList_->StoreColumnWidth(); });
  ReportEndFailures();
}

void TMainForm::ReportEndFailures() {
  if (endFailures_.empty()) return;
  // The terminal or the session's log always hears of it; a box only when the
  // user ended the run and is there to read it.
  QString text;
  for (const std::string& failure : endFailures_) {
    std::fprintf(stderr, "toviwall: %s\n", failure.c_str());
    text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + Q(failure);
  }
  endFailures_.clear();
  if (!DialogsEnded())
    ShowErrorBox(QStringLiteral("%1 could not save everything before ending:\n\n").arg(QString::fromUtf8(kTitle)) + text);
}

THelpViewer& TMainForm::Help() {
  if (!help_) help_ = std::make_unique<THelpViewer>(THelpViewer::HelpFileFor(env_.programFile));
  return *help_;
}

void TMainForm::ActionHelpExecute() {
  if (!MainWindowShowing()) {
    Help().ShowTopics();
    return;
  }
  static const char* const kTopics[] = {"ImageListTab", "DesktopTab", "OptionTab", "Hotkeys"};
  int page = PageControl->currentIndex();
  if (page >= 0 && page < 4) Help().ShowTopic(QString::fromLatin1(kTopics[page]));
}

void TMainForm::ActionShowAboutExecute() {
  if (RaiseOtherFrontWindow()) return;
  AboutInfo info;
  info.productTitle = kTitle;
  const std::string server = MakerServer();
  if (!server.empty()) {
    info.homePage = server + "index.php?i=61";
    info.updateUrl = server + "update/wall.txt";
  }
  info.settingsFile = paths_.settingsFile;
  TAboutBox about(info, MainWindowShowing() ? this : nullptr);
  frontWindow_ = &about;
  about.exec();
  frontWindow_ = this;
  setWindowTitle(QString::fromUtf8(kTitle));
}

}  // namespace toviwall
