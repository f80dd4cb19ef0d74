#include "app/ui/TrayMenu.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPointer>
#include <ctime>

#include "app/DoubleClickChoice.h"
#include "app/ui/FormParts.h"
#include "app/ui/MainWindowControl.h"
#include "app/ui/RunState.h"
#include "base/AppIdentity.h"
#include "base/DateTime.h"
#include "base/Settings.h"
#include "platform/TrayHost.h"

namespace toviwall {
namespace {

// The menu's image list: position i holds "NMAIN00i" of the program's resources.
QIcon MenuImage(int position) {
  return QIcon(QStringLiteral(":/NMAIN%1").arg(position, 3, 10, QLatin1Char('0')));
}

// The built-in tray icon: the image the desktop page shows when no custom icon is used.
QIcon BuiltInTrayIcon() { return QIcon(QStringLiteral(":/icons/toviwall.png")); }

// Today's time alone, another day's with its date.
QString ChangeTimeText(double when) {
  const std::tm at = TmFromDateTime(when);
  const std::tm now = TmFromDateTime(NowLocal());
  char text[32];
  const bool today = at.tm_year == now.tm_year && at.tm_yday == now.tm_yday;
  std::strftime(text, sizeof text, today ? "%H:%M" : "%Y-%m-%d %H:%M", &at);
  return QString::fromLatin1(text);
}

// The text without its middle, to `room` characters, a pair of UTF-16 units kept whole.
QString ElidedMiddle(const QString& text, int room) {
  if (text.size() <= room || room < 3) return text;
  QString head = text.left(room / 2);
  QString tail = text.right(room - room / 2 - 1);
  if (head.back().isHighSurrogate()) head.chop(1);
  if (tail.front().isLowSurrogate()) tail.remove(0, 1);
  return head + QChar(0x2026) + tail;
}

}  // namespace

// How long a tray may take to appear after start-up (a session's panel may start
// after the programs of its autostart).
constexpr int kTrayWaitMs = 5000;

TrayMenu::TrayMenu(platform::TrayHost& host, Settings& settings, RunState& run, MainWindowControl& window,
                   Actions actions)
    : host_(host), settings_(settings), run_(run), window_(window), actions_(actions) {
  BuildMenu();
  BuildTrayIcon();
  trayWait_.setSingleShot(true);
  trayWait_.setInterval(kTrayWaitMs);
  connect(&trayWait_, &QTimer::timeout, this, [this] {
    if (!host_.TrayRunning()) RunGuarded([this] { emit noTrayChanged(true); });
  });
}

void TrayMenu::WatchForTray() { trayWait_.start(); }

void TrayMenu::BuildMenu() {
  QWidget* owner = &window_.Window();
  TBPopupMenu = Named(new QMenu(owner), "TBPopupMenu");
  TBPopupMenu->setToolTipsVisible(true);  // why an item is disabled
  TBItemShow = actions_.showMainWindow;
  TBPopupMenu->addAction(TBItemShow);
  TBItemChange = actions_.change;
  TBPopupMenu->addAction(TBItemChange);
  TBPopupMenu->addAction(actions_.next);
  TBPopupMenu->addAction(actions_.previous);
  TBPopupMenu->addAction(actions_.moveToTrash);
  TBPopupMenu->addSeparator();
  TBItemLock = actions_.lock;
  TBPopupMenu->addAction(TBItemLock);
  TBItemScrSave = actions_.screenSaver;
  TBPopupMenu->addAction(TBItemScrSave);
  TBPopupMenu->addSeparator();
  TBSubmenuItemDisplay = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuItemDisplay");
  TBSubmenuItemDisplay->setToolTipsVisible(true);
  // An item of its own: the menu's caption is not the action's.
  TBItemShowDisplay = NamedAction(owner, "TBItemShowDisplay");
  connect(TBItemShowDisplay, &QAction::triggered, actions_.displaySettings, &QAction::trigger);
  auto mirror = [item = TBItemShowDisplay, action = actions_.displaySettings] {
    item->setEnabled(action->isEnabled());  // disabled where it cannot run, with why
    item->setToolTip(action->isEnabled() ? QString() : action->toolTip());
  };
  mirror();
  connect(actions_.displaySettings, &QAction::changed, TBItemShowDisplay, mirror);
  TBSubmenuItemDisplay->addAction(TBItemShowDisplay);
  TBSubmenuItemDisplay->addSeparator();
  TBSubmenuItemDisplay->addMenu(actions_.displayModes);
  TBPopupMenu->addMenu(actions_.cdDrives);
  TBPopupMenu->addMenu(actions_.exitWindows);
  TBPopupMenu->addSeparator();
  TBSubmenuItemPopupOptions = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuItemPopupOptions");
  TBItemStartWithWin = actions_.startWithWindows;
  TBSubmenuItemPopupOptions->addAction(TBItemStartWithWin);
  // The automatic-change and hide items carry captions of their own, so they are
  // items that mirror their actions rather than the actions themselves.
  TBItemAutoChange = NamedAction(owner, "TBItemAutoChange", true);
  TBSubmenuItemPopupOptions->addAction(TBItemAutoChange);
  TBItemHide = NamedAction(owner, "TBItemHide", true);
  TBSubmenuItemPopupOptions->addAction(TBItemHide);
  for (auto [item, action] : {std::pair{TBItemAutoChange, actions_.autoChange}, std::pair{TBItemHide, actions_.hideIcons}}) {
    connect(action, &QAction::toggled, item, &QAction::setChecked);
    connect(item, &QAction::triggered, this, [item, action] {
      item->setChecked(action->isChecked());  // the action decides the state
      action->trigger();
    });
  }
  TBPopupMenu->addSeparator();
  TBItemAbout = NamedAction(owner, "TBItemAbout");
  connect(TBItemAbout, &QAction::triggered, actions_.about, &QAction::trigger);
  TBPopupMenu->addAction(TBItemAbout);
  TBItemHelp = actions_.help;
  TBPopupMenu->addAction(TBItemHelp);
  TBPopupMenu->addSeparator();
  TBItemExit = NamedAction(owner, "TBItemExit");
  TBPopupMenu->addAction(TBItemExit);
  connect(TBItemExit, &QAction::triggered, this, Guarded(this, &TrayMenu::TBItemExitClick));
  connect(TBPopupMenu, &QMenu::aboutToShow, this, Guarded(this, &TrayMenu::TBPopupMenuPopup));
}

void TrayMenu::BuildTrayIcon() {
  ToviWallIcon = new TToviTrayIcon(host_, QStringLiteral("ToviWallIcon"), this);
  ToviWallIcon->OnMouseDown = [this](QObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    ToviWallIconMouseDown(sender, button, shift, x, y);
  };
  ToviWallIcon->OnDblClick = [this](QObject* sender) { ToviWallIconDblClick(sender); };
  // Trays that draw the menu themselves (StatusNotifierItem hosts) read it from
  // here; it is handed over before the icon first shows, so the icon starts in
  // the tray it belongs to. Its pictures are set once, as they never change.
  ResetMenuImages();
  ToviWallIcon->SetMenu(TBPopupMenu);
  // A tray that starts (again) holds none of the old icons.
  QPointer<TrayMenu> self(this);
  host_.SetTrayCreatedListener([self] {
    if (self) RunGuarded([&] { self->ReAddIcon(); });
  });
}

void TrayMenu::ApplyCaptions() {
  TBSubmenuItemDisplay->setTitle(T(10049));
  TBItemShowDisplay->setText(T(10050));
  TBSubmenuItemPopupOptions->setTitle(T(10033));
  TBItemHide->setText(T(10037));
  TBItemAutoChange->setText(T(10059));
  TBItemAbout->setText(T(10021) + QStringLiteral(" ") + QString::fromUtf8(kTitle));
  TBItemExit->setText(T(10060));
}

void TrayMenu::SetIcon(const QIcon& icon) {
  icon_ = icon;
  RefreshTrayIcon();
}

void TrayMenu::SetStatus(const std::string& pictureName, std::optional<double> nextChange) {
  pictureName_ = Q(pictureName);
  nextChange_ = nextChange ? Q(FormatText(S(10165), {U(ChangeTimeText(*nextChange))})) : QString();
  if (!run_.startupFlag) ToviWallIcon->SetHint(Hint());
}

QString TrayMenu::Hint() const {
  // The tray shows 127 characters: a long file name gives up its middle, so
  // that the next change's line still shows.
  QString hint = QString::fromUtf8(kTitle);
  const int room = TToviTrayIcon::kMaxTipChars - static_cast<int>(hint.size()) - 1 -
                   (nextChange_.isEmpty() ? 0 : static_cast<int>(nextChange_.size()) + 1);
  for (const QString& line : {ElidedMiddle(pictureName_, room), nextChange_})
    if (!line.isEmpty()) hint += QLatin1Char('\n') + line;
  return hint;
}

void TrayMenu::RefreshTrayIcon() {
  ToviWallIcon->SetIcon(icon_.isNull() ? BuiltInTrayIcon() : icon_);
  ToviWallIcon->SetHint(Hint());
  ToviWallIcon->SetVisible(true);
  if (run_.startupFlag)
    ToviWallIcon->SetHint(Q(FormatText(S(10081), {kTitle})).left(TToviTrayIcon::kMaxHintChars));
}

void TrayMenu::ReAddIcon() {
  ToviWallIcon->ReAddIcon();
  emit noTrayChanged(false);
}

void TrayMenu::RemoveTrayIcon() { ToviWallIcon->SetVisible(false); }

void TrayMenu::SetExitEnabled(bool enabled) { TBItemExit->setEnabled(enabled); }

void TrayMenu::ToviWallIconMouseDown(QObject*, TMouseButton button, TShiftState, int, int) {
  if (button != TMouseButton::mbRight) return;
  if (window_.RaiseOtherFrontWindow()) return;  // the About box stays in charge
  // A shown main window takes the focus first; a hidden one cannot, and the menu
  // takes the keyboard and pointer by itself.
  if (window_.MainWindowShowing()) window_.Window().activateWindow();
  TBPopupMenu->exec(QCursor::pos());  // returns when the menu has closed
}

void TrayMenu::ToviWallIconDblClick(QObject*) {
  if (window_.RaiseOtherFrontWindow()) return;
  QAction* action = ChosenAction();
  // A command this session cannot run says why (its tool tip) rather than doing nothing.
  if (!action->isEnabled())
    ShowMessage(action->toolTip(), QMessageBox::Information);
  else
    action->trigger();
}

QAction* TrayMenu::ChosenAction() const {
  switch (StoredDoubleClickChoice(settings_)) {
    case DoubleClickChoice::ChangeWallpaper: return TBItemChange;
    case DoubleClickChoice::LockWorkStation: return TBItemLock;
    case DoubleClickChoice::ScreenSaver: return TBItemScrSave;
    case DoubleClickChoice::ShowMainWindow: break;
  }
  return TBItemShow;
}

void TrayMenu::TBPopupMenuPopup() {
  emit menuOpening();
  TBItemAbout->setText(Q(FormatText(S(10092), {kTitle})));
  TBItemChange->setText(T(10093));
  TBItemAutoChange->setText(T(10094));
  TBItemShow->setText(window_.MainWindowShowing() ? T(10095) : T(10039));
  TBItemHide->setText(T(10024));
  MarkDefaultItem();
}

void TrayMenu::MarkDefaultItem() {
  TBPopupMenu->setDefaultAction(ChosenAction());  // shown bold; the menu has one default at most
}

void TrayMenu::ResetMenuImages() {
  TBItemChange->setIcon(MenuImage(2));
  TBItemHide->setIcon(QIcon());
  actions_.about->setIcon(MenuImage(0));
  TBItemAbout->setIcon(MenuImage(0));  // the menu's About item stands for the action
  TBItemHelp->setIcon(MenuImage(6));
  TBItemExit->setIcon(MenuImage(7));
  TBItemLock->setIcon(MenuImage(4));
  TBItemScrSave->setIcon(MenuImage(5));
  TBItemShow->setIcon(MenuImage(1));
}

void TrayMenu::TBItemExitClick() {
  bool proceed = true;
  if (!settings_.Get(keys::DontShowExitDialog)) {
    QApplication::beep();
    AskAnswer answer = AskWithDontShowAgain(Q(FormatText(S(10069), {kTitle})), QMessageBox::Question,
                                            QMessageBox::Yes | QMessageBox::No);
    settings_.Set(keys::DontShowExitDialog, answer.dontShowAgain);
    proceed = answer.button != QMessageBox::No;
  }
  if (proceed) emit exitRequested();
}

}  // namespace toviwall
