#include "app/ui/TrayMenu.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPointer>

#include "app/ui/DesktopPage.h"
#include "app/ui/FormParts.h"
#include "app/ui/ImageListPage.h"
#include "app/ui/OptionsPage.h"
#include "app/ui/SystemCommands.h"
#include "app/ui/WallPaperMain.h"
#include "app/ui/WallpaperRotation.h"
#include "base/AppIdentity.h"
#include "base/Settings.h"

namespace toviwall {
namespace {

// The menu's image list: position i holds "NMAIN00i" of the program's resources.
QIcon MenuImage(int position) {
  return QIcon(QStringLiteral(":/NMAIN%1").arg(position, 3, 10, QLatin1Char('0')));
}

// The built-in tray icon: the image the desktop page shows when no custom icon is used.
QIcon BuiltInTrayIcon() { return QIcon(QStringLiteral(":/icons/toviwall.png")); }

}  // namespace

// How long a tray may take to appear after start-up (a session's panel may start
// after the programs of its autostart).
constexpr int kTrayWaitMs = 5000;

TrayMenu::TrayMenu(TMainForm& form) : form_(form) {
  BuildMenu();
  BuildTrayIcon();
  trayWait_.setSingleShot(true);
  trayWait_.setInterval(kTrayWaitMs);
  connect(&trayWait_, &QTimer::timeout, this, [this] {
    if (!form_.Platform().trayHost().TrayRunning()) RunGuarded([this] { form_.SetNoTrayMode(true); });
  });
}

void TrayMenu::WatchForTray() { trayWait_.start(); }

void TrayMenu::BuildMenu() {
  TBPopupMenu = Named(new QMenu(&form_), "TBPopupMenu");
  TBItemShow = form_.ActionShowMainWindow();
  TBPopupMenu->addAction(TBItemShow);
  TBItemChange = form_.Rotation().ActionChange();
  TBPopupMenu->addAction(TBItemChange);
  TBItemLock = form_.System().ActionLockWorkStation();
  TBPopupMenu->addAction(TBItemLock);
  TBItemScrSave = form_.System().ActionActivateScreenSave();
  TBPopupMenu->addAction(TBItemScrSave);
  TBPopupMenu->addSeparator();
  TBSubmenuItemDisplay = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuItemDisplay");
  // An item of its own: the menu's caption is not the action's.
  TBItemShowDisplay = NamedAction(&form_, "TBItemShowDisplay");
  connect(TBItemShowDisplay, &QAction::triggered, form_.System().ActionOpenDisplayProperties(), &QAction::trigger);
  TBSubmenuItemDisplay->addAction(TBItemShowDisplay);
  TBSubmenuItemDisplay->addSeparator();
  TBItemDisplayMode = Named(TBSubmenuItemDisplay->addMenu(QString()), "TBItemDisplayMode");
  TBSubmenuCDRom = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuCDRom");
  TBSubmenuCDRom->menuAction()->setVisible(false);  // shown once a CD drive is found
  TBSubmenuItemExitWin = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuItemExitWin");
  TBPopupMenu->addSeparator();
  TBSubmenuItemPopupOptions = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuItemPopupOptions");
  TBItemStartWithWin = form_.OptionsTab().ActionStartWithWin();
  TBSubmenuItemPopupOptions->addAction(TBItemStartWithWin);
  // The automatic-change and hide items carry captions of their own, so they are
  // items that mirror their actions rather than the actions themselves.
  TBItemAutoChange = NamedAction(&form_, "TBItemAutoChange", true);
  TBSubmenuItemPopupOptions->addAction(TBItemAutoChange);
  TBItemHide = NamedAction(&form_, "TBItemHide", true);
  TBSubmenuItemPopupOptions->addAction(TBItemHide);
  for (auto [item, action] : {std::pair{TBItemAutoChange, form_.DesktopTab().ActionActivateWallChanger()},
                              std::pair{TBItemHide, form_.DesktopTab().ActionHideDesktopIcon()}}) {
    connect(action, &QAction::toggled, item, &QAction::setChecked);
    connect(item, &QAction::triggered, this, [item, action] {
      item->setChecked(action->isChecked());  // the action decides the state
      action->trigger();
    });
  }
  TBPopupMenu->addSeparator();
  TBItemAbout = NamedAction(&form_, "TBItemAbout");
  connect(TBItemAbout, &QAction::triggered, form_.ActionShowAbout(), &QAction::trigger);
  TBPopupMenu->addAction(TBItemAbout);
  TBItemHelp = form_.ActionHelp();
  TBPopupMenu->addAction(TBItemHelp);
  TBPopupMenu->addSeparator();
  TBItemExit = NamedAction(&form_, "TBItemExit");
  TBPopupMenu->addAction(TBItemExit);
  connect(TBItemExit, &QAction::triggered, this, Guarded(this, &TrayMenu::TBItemExitClick));
  connect(TBPopupMenu, &QMenu::aboutToShow, this, Guarded(this, &TrayMenu::TBPopupMenuPopup));
}

void TrayMenu::BuildTrayIcon() {
  ToviWallIcon = new TToviTrayIcon(form_.Platform().trayHost(), QStringLiteral("ToviWallIcon"), this);
  ToviWallIcon->OnMouseDown = [this](QObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    ToviWallIconMouseDown(sender, button, shift, x, y);
  };
  ToviWallIcon->OnDblClick = [this](QObject* sender) { ToviWallIconDblClick(sender); };
  // A tray that starts (again) holds none of the old icons.
  QPointer<TrayMenu> self(this);
  form_.Platform().trayHost().SetTrayCreatedListener([self] {
    if (self) RunGuarded([&] { self->ReAddIcon(); });
  });
}

void TrayMenu::ApplyCaptions() {
  TBSubmenuItemDisplay->setTitle(T(10049));
  TBItemShowDisplay->setText(T(10050));
  TBItemDisplayMode->setTitle(T(10051));
  TBSubmenuCDRom->setTitle(T(10052));
  TBSubmenuItemExitWin->setTitle(T(10053));
  TBSubmenuItemPopupOptions->setTitle(T(10033));
  TBItemHide->setText(T(10037));
  TBItemAutoChange->setText(T(10059));
  TBItemAbout->setText(T(10021) + QStringLiteral(" ") + QString::fromUtf8(kTitle));
  TBItemExit->setText(T(10060));
}

void TrayMenu::RefreshTrayIcon() {
  ToviWallIcon->SetIcon(form_.DesktopTab().CustomIconChosen() ? form_.DesktopTab().CustomTrayIcon()
                                                                : BuiltInTrayIcon());
  ToviWallIcon->SetHint(QString::fromUtf8(kTitle));
  ToviWallIcon->SetVisible(true);
  if (form_.StartupFlag)
    ToviWallIcon->SetHint(Q(FormatText(S(10081), {kTitle})).left(TToviTrayIcon::kMaxHintChars));
}

void TrayMenu::ReAddIcon() {
  ToviWallIcon->ReAddIcon();
  form_.SetNoTrayMode(false);
}

void TrayMenu::RemoveTrayIcon() { ToviWallIcon->SetVisible(false); }

void TrayMenu::SetExitEnabled(bool enabled) { TBItemExit->setEnabled(enabled); }

void TrayMenu::ToviWallIconMouseDown(QObject*, TMouseButton button, TShiftState, int, int) {
  if (button != TMouseButton::mbRight) return;
  if (form_.RaiseOtherFrontWindow()) return;  // the About box stays in charge
  ResetMenuImages();
  // A shown main window takes the focus first; a hidden one cannot, and the menu
  // takes the keyboard and pointer by itself.
  if (form_.MainWindowShowing()) form_.activateWindow();
  TBPopupMenu->exec(QCursor::pos());  // returns when the menu has closed
}

void TrayMenu::ToviWallIconDblClick(QObject*) {
  if (form_.RaiseOtherFrontWindow()) return;
  switch (form_.OptionsTab().Choice()) {
    case DoubleClickChoice::ChangeWallpaper: TBItemChange->trigger(); break;
    case DoubleClickChoice::LockWorkStation: TBItemLock->trigger(); break;
    case DoubleClickChoice::ScreenSaver: TBItemScrSave->trigger(); break;
    case DoubleClickChoice::ShowMainWindow: TBItemShow->trigger(); break;
  }
}

void TrayMenu::TBPopupMenuPopup() {
  form_.OptionsTab().RecheckAutoRun();
  TBItemAbout->setText(Q(FormatText(S(10092), {kTitle})));
  TBItemChange->setText(T(10093));
  TBItemAutoChange->setText(T(10094));
  TBItemShow->setText(form_.MainWindowShowing() ? T(10095) : T(10039));
  TBItemHide->setText(T(10024));
  MarkDefaultItem();
  form_.ImageListTab().UpdateEntryButtons();
}

void TrayMenu::MarkDefaultItem() {
  QAction* item = TBItemShow;
  switch (form_.OptionsTab().Choice()) {
    case DoubleClickChoice::ChangeWallpaper: item = TBItemChange; break;
    case DoubleClickChoice::LockWorkStation: item = TBItemLock; break;
    case DoubleClickChoice::ScreenSaver: item = TBItemScrSave; break;
    case DoubleClickChoice::ShowMainWindow: break;
  }
  TBPopupMenu->setDefaultAction(item);  // shown bold; the menu has one default at most
}

void TrayMenu::ResetMenuImages() {
  TBItemChange->setIcon(MenuImage(2));
  TBItemHide->setIcon(QIcon());
  form_.ActionShowAbout()->setIcon(MenuImage(0));
  TBItemAbout->setIcon(MenuImage(0));  // the menu's About item stands for the action
  TBItemHelp->setIcon(MenuImage(6));
  TBItemExit->setIcon(MenuImage(7));
  TBItemLock->setIcon(MenuImage(4));
  TBItemScrSave->setIcon(MenuImage(5));
  TBItemShow->setIcon(MenuImage(1));
}

void TrayMenu::TBItemExitClick() {
  bool proceed = true;
  if (!form_.SettingsStore().Get(keys::DontShowExitDialog)) {
    QApplication::beep();
    AskAnswer answer = AskWithDontShowAgain(Q(FormatText(S(10069), {kTitle})), QMessageBox::Question,
                                            QMessageBox::Yes | QMessageBox::No);
    form_.SettingsStore().Set(keys::DontShowExitDialog, answer.dontShowAgain);
    form_.OptionsTab().SetNoExitDialog(answer.dontShowAgain);
    proceed = answer.button != QMessageBox::No;
  }
  if (proceed) form_.EndRun();
}

}  // namespace toviwall
