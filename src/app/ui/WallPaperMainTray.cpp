// The tray icon, its menu and the double-click action.
#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>

#include "base/AppIdentity.h"
#include "base/ui/Dialogs.h"
#include "base/Settings.h"
#include "base/UnitLanguage.h"
#include "app/ui/WallPaperMain.h"

namespace toviwall {
namespace {

QString T(int number) { return Q(S(number)); }

// The menu's image list: position i holds "NMAIN00i" of the program's resources.
QIcon MenuImage(int position) {
  return QIcon(QStringLiteral(":/NMAIN%1").arg(position, 3, 10, QLatin1Char('0')));
}

// The built-in tray icon: the image the desktop page shows when no custom icon is used.
QIcon BuiltInTrayIcon() { return QIcon(QStringLiteral(":/icons/toviwall.png")); }

}  // namespace

void TMainForm::BuildTrayIcon() {
  ToviWallIcon = new TToviTrayIcon(platform_.trayHost.get(), QStringLiteral("ToviWallIcon"), this);
  ToviWallIcon->OnMouseDown = [this](QObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    ToviWallIconMouseDown(sender, button, shift, x, y);
  };
  ToviWallIcon->OnDblClick = [this](QObject* sender) { ToviWallIconDblClick(sender); };
  // A tray that starts (again) holds none of the old icons: the "TaskbarCreated" of this platform.
  if (platform_.trayHost) {
    QPointer<TMainForm> self(this);
    platform_.trayHost->SetTrayCreatedListener([self] {
      if (self) RunHandler([&] { self->ReAddIcon(); });
    });
  }
  connect(TBPopupMenu, &QMenu::aboutToShow, this, Handler(&TMainForm::TBPopupMenuPopup));
}

void TMainForm::RefreshTrayIcon() {
  ToviWallIcon->SetIcon(CheckBoxCustomIcon->isChecked() ? CustomTrayIcon() : BuiltInTrayIcon());
  ToviWallIcon->SetHint(QString::fromUtf8(kTitle));
  ToviWallIcon->SetVisible(true);
  if (StartupFlag) ToviWallIcon->SetHint(Q(FormatText(S(10081), {kTitle})).left(TToviTrayIcon::kMaxHintChars));
}

void TMainForm::ReAddIcon() { ToviWallIcon->ReAddIcon(); }

void TMainForm::RemoveTrayIcon() { ToviWallIcon->SetVisible(false); }

void TMainForm::ToviWallIconMouseDown(QObject*, TMouseButton button, TShiftState, int, int) {
  if (button != TMouseButton::mbRight) return;
  if (FrontWindow && FrontWindow != this) {
    BringWindowToFront(FrontWindow);  // the About box stays in charge
    return;
  }
  ResetMenuImages();
  // A shown main window takes the focus first; a hidden one cannot, and the menu
  // takes the keyboard and pointer by itself.
  if (MainWindowShowing()) activateWindow();
  TBPopupMenu->exec(QCursor::pos());  // returns when the menu has closed
}

void TMainForm::ToviWallIconDblClick(QObject*) {
  if (FrontWindow && FrontWindow != this) {
    BringWindowToFront(FrontWindow);
    return;
  }
  if (RBChangeWall->isChecked())
    ActionChange->trigger();
  else if (RBLockWork->isChecked())
    ActionLockWorkStation->trigger();
  else if (RadioButtonScrSave->isChecked())
    ActionActivateScreenSave->trigger();
  else
    ActionShowMainWindow->trigger();
}

void TMainForm::TBPopupMenuPopup() {
  // 1. The check mark shows whether the start-up entry really exists.
  const bool autoRun = IsAutoRunOn();
  ActionStartWithWin->setChecked(autoRun);
  Write(SettingsFile, keys::AutoStart, autoRun);
  // 2. - 6.
  TBItemAbout->setText(Q(FormatText(S(10092), {kTitle})));
  TBItemChange->setText(T(10093));
  TBItemAutoChange->setText(T(10094));
  ActionShowMainWindow->setText(MainWindowShowing() ? T(10095) : T(10039));
  TBItemHide->setText(T(10024));
  // 7.
  MarkDefaultItem();
  // 8.
  UpdateEntryButtons();
}

void TMainForm::MarkDefaultItem() {
  QAction* item = TBItemShow;
  if (RBChangeWall->isChecked())
    item = TBItemChange;
  else if (RBLockWork->isChecked())
    item = TBItemLock;
  else if (RadioButtonScrSave->isChecked())
    item = TBItemScrSave;
  TBPopupMenu->setDefaultAction(item);  // shown bold; the menu has one default at most
}

void TMainForm::ResetMenuImages() {
  ActionChange->setIcon(MenuImage(2));
  TBItemHide->setIcon(QIcon());
  ActionShowAbout->setIcon(MenuImage(0));
  TBItemAbout->setIcon(MenuImage(0));  // the menu's About item stands for the action
  ActionHelp->setIcon(MenuImage(6));
  TBItemExit->setIcon(MenuImage(7));
  ActionLockWorkStation->setIcon(MenuImage(4));
  ActionActivateScreenSave->setIcon(MenuImage(5));
  ActionShowMainWindow->setIcon(MenuImage(1));
}

}  // namespace toviwall
