// The main window's life: creation in its fixed order of steps, showing and
// hiding, the exit command, the end of the session, help and About.
#include "app/ui/WallPaperMain.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeView>
#include <QWhatsThis>

#include "base/Version.h"
#include "app/ui/AboutBox.h"
#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "base/ui/Dialogs.h"
#include "app/ui/HelpViewer.h"
#include "base/Settings.h"
#include "base/UnitLanguage.h"
#include "imagelist/ui/UnitFormPath.h"
#include "platform/local/TerminationSignals.h"
#include "platform/x11/X11Display.h"

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
      platform_(platform),
      terminationSignals_(std::make_unique<platform::TerminationSignals>()) {
  setObjectName(QStringLiteral("MainForm"));
  setAttribute(Qt::WA_QuitOnClose, false);
  BuildControls();
  WireHandlers();
  TimerChange.setInterval(ChangeTimerIntervalMs());
  RunHandler([this] { FormCreate(); });
}

TMainForm::~TMainForm() = default;

void TMainForm::RunHandler(const std::function<void()>& body) { RunGuarded(body); }

void TMainForm::FormCreate() {
  // 1. The working lists of the image list and the rotation live in their models.
  // 2. Start-up flag, no preview window yet, hourglass.
  StartupFlag = true;
  HourglassCursor hourglass;
  // 3.
  FrontWindow = this;
  // 4.
  LoadLanguageStrings();
  // 5.
  ChooseWindowFont();
  setWindowTitle(QString::fromUtf8(kTitle));
  ApplyCaptions();
  help_ = std::make_unique<THelpViewer>(THelpViewer::HelpFileFor(env_.programFile));
  SetHelpContexts();
  // 6.
  SeedRandomGenerator();
  // 7.
  ResetListIcons();
  // 8.
  ComputePaths();
  // 9.
  BuildExitWindowsMenu();
  // 10.
  LoadCustomIconSetting();
  // 11.
  RefreshTrayIcon();
  // 12.
  FillIntervals();
  FillFillingTypes();
  ComboBoxUpdate->setCurrentIndex(0);
  ComboBoxFilling->setCurrentIndex(2);
  // 13.
  ToviStatusBar->hide();
  FixWindowSize();
  // 14.
  ReadSettingsIntoControls();
  // 15.
  RegisterMessages();
  // 16.
  RecordVersion(env_, kProductRegistryKey,
                VersionText(kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild));
  // 17.
  WarnIfActiveDesktop();
  // 18.
  BuildDisplayModeMenu();
  // 19.
  BuildCDRomMenu();
  // 20.
  ShowLockCommandIfSupported();
  // 21.
  LoadImageList();
  // 22.
  ComputeOutputWallpaperFile();
  // 23.
  Reschedule();
  // 24.
  ListChanged = true;
  PageControl->setCurrentIndex(0);
  // 25.
  hourglass.Restore();
  // 26.
  StartupFlag = false;
  // 27.
  if (ImageCount() == 0) EditImageFolderChange();
  // 28.
  ApplyStoredIndex();
  // 29.
  EnableChangeTimer();
  // 30.
  RefreshTrayIcon();
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
  // A client area of 449 x 390 at 96 dots per inch; larger only when the fonts need it.
  const double scale = logicalDpiX() / 96.0;
  for (QPushButton* b : {ButtonOK, ButtonHelp, ButtonAbout}) {
    QString caption = b->text().remove(QLatin1Char('&'));
    b->setFixedWidth(std::max(b->fontMetrics().horizontalAdvance(caption) + 28, static_cast<int>(64 * scale)));
  }
  if (layout()) layout()->activate();
  QSize wanted(static_cast<int>(449 * scale), static_cast<int>(390 * scale));
  setFixedSize(wanted.expandedTo(minimumSizeHint()));
}

void TMainForm::ComputePaths() {
  SettingsFile = SettingsFileFor(env_, [](const std::string& text) { ShowMessage(Q(text), QMessageBox::Warning); });
  ImageListFile = ImageListFileFor(SettingsFile);
  std::string proposed = ProposedImageFolder(env_, SettingsFile);
  if (FileExists(SettingsFile))
    DefaultImageFolder = Read(SettingsFile, keys::ImageFolder, proposed);
  else
    DefaultImageFolder = AskImageFolder(proposed);
  Write(SettingsFile, keys::ImageFolder, DefaultImageFolder);
}

std::string TMainForm::AskImageFolder(const std::string& proposed) { return toviwall::AskImageFolder(proposed); }

void TMainForm::RegisterMessages() {
  if (!platform_.singleInstance) return;
  platform_.singleInstance->Listen(
      [this](const std::string& message) { RunHandler([&] { OnInstanceMessage(message); }); });
}

void TMainForm::OnInstanceMessage(const std::string& message) {
  if (message == ShowMessageName()) ShowHideMainWindow();
  else if (message == kRefreshDesktopMessage) ReapplyIconText();
}

bool TMainForm::MainWindowShowing() const { return isVisible() && !isMinimized(); }

void TMainForm::HideMainWindow() { hide(); }

void TMainForm::ShowHideMainWindow() {
  if (FrontWindow && FrontWindow != this) {
    BringWindowToFront(FrontWindow);
    return;
  }
  if (MainWindowShowing()) {
    HideMainWindow();
    return;
  }
  show();
  BringWindowToFront(this);
}

void TMainForm::BringWindowToFront(QWidget* w) {
  if (!w) return;
  if (w->isMinimized()) w->showNormal();
  if (!w->isVisible()) w->show();
  if (w->isActiveWindow()) return;
  w->raise();
  w->activateWindow();
  // Focus-stealing prevention may refuse a plain request; ask as a pager would.
  if (!w->isActiveWindow()) platform::ForceActivateWindow(w->winId());
}

void TMainForm::CenterOnScreen() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!centred_) {
    centred_ = true;
    CenterOnScreen();
  }
  RunHandler([this] { FormShow(); });
}

void TMainForm::FormShow() { CheckBoxShowPreviewClick(); }

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
  KeepPreviewDocked();
}

void TMainForm::ButtonOKClick() {
  SaveListIfChanged();
  HideMainWindow();
}

void TMainForm::TBItemExitClick() {
  bool proceed = true;
  if (!Read(SettingsFile, keys::DontShowExitDialog)) {
    QApplication::beep();
    AskAnswer answer = AskWithDontShowAgain(Q(FormatText(S(10069), {kTitle})), QMessageBox::Question,
                                            QMessageBox::Yes | QMessageBox::No);
    Write(SettingsFile, keys::DontShowExitDialog, answer.dontShowAgain);
    CheckBoxNoExitDialog->setChecked(answer.dontShowAgain);
    proceed = answer.button != QMessageBox::No;
  }
  if (proceed) {
    PrepareShutdown();
    endRequested_ = true;
    QApplication::quit();
  }
}

void TMainForm::PrepareShutdown() {
  if (shutdownPrepared_) return;
  shutdownPrepared_ = true;
  // 1.
  FreePreviewWindow();
  // 2.
  SaveListIfChanged();
  // 3.
  RemoveTrayIcon();
  // 4.
  DeactivateHotKeys();
}

void TMainForm::WMQueryEndSession() {
  PrepareShutdown();
  endRequested_ = true;  // also when the request comes before the event loop runs
  QApplication::quit();
}

void TMainForm::FormDestroy() {
  RunHandler([this] {
    if (!SettingsFile.empty()) Write(SettingsFile, keys::Col1, ListColumnWidth());
  });
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

void TMainForm::ActionShowMainWindowExecute() { ShowHideMainWindow(); }

void TMainForm::ActionShowAboutExecute() {
  if (FrontWindow != this) {
    BringWindowToFront(FrontWindow);
    return;
  }
  AboutInfo info;
  info.productTitle = kTitle;
  info.proxyPort = "80";
  info.homePage = MakerServer() + "index.php?i=61";
  info.productKey = kProductRegistryKey;
  info.settingsFile = SettingsFile;
  info.updateUrl = MakerServer() + "update/wall.txt";
  TAboutBox about(info, MainWindowShowing() ? this : nullptr);
  FrontWindow = &about;
  about.exec();
  FrontWindow = this;
  setWindowTitle(QString::fromUtf8(kTitle));
}

void TMainForm::WireHandlers() {
  connect(ButtonOK, &QPushButton::clicked, this, Handler(&TMainForm::ButtonOKClick));
  connect(TBItemExit, &QAction::triggered, this, Handler(&TMainForm::TBItemExitClick));
  connect(ActionHelp, &QAction::triggered, this, Handler(&TMainForm::ActionHelpExecute));
  // F1 opens the help; Shift+F1 asks what a control is for, as the caption's "?" does.
  // (A key of its own, so the tray menu does not show F1 beside Help.)
  auto* helpKey = new QAction(this);
  helpKey->setShortcut(QKeySequence::HelpContents);
  connect(helpKey, &QAction::triggered, ActionHelp, &QAction::trigger);
  addAction(helpKey);
  auto* whatsThis = QWhatsThis::createAction(this);
  whatsThis->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
  addAction(whatsThis);
  connect(ActionShowAbout, &QAction::triggered, this, Handler(&TMainForm::ActionShowAboutExecute));
  connect(ActionShowMainWindow, &QAction::triggered, this, Handler(&TMainForm::ActionShowMainWindowExecute));
  connect(terminationSignals_.get(), &platform::TerminationSignals::terminationRequested, this,
          Handler(&TMainForm::WMQueryEndSession));
  connect(qApp, &QGuiApplication::commitDataRequest, this, Handler(&TMainForm::WMQueryEndSession));
  WireSettingsHandlers();
  WireRotationHandlers();
  WireListHandlers();
  WireDesktopHandlers();
  WireWallpaperHandlers();
}

}  // namespace toviwall
