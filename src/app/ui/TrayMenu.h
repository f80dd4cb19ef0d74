#pragma once
// The tray icon and the menu it opens: the menu's items and sub-menus in their
// order, their captions (some change each time the menu opens), the default
// item, and what a double-click on the icon does. The items are the actions
// and sub-menus their owners made; the menu adds only Exit and the items that
// carry captions of their own.
#include <QIcon>
#include <QObject>
#include <QTimer>
#include <optional>
#include <string>

#include "tray/ui/ToviTrayIcon.h"

class QAction;
class QMenu;

namespace toviwall {
namespace platform {
class TrayHost;
}

struct RunState;
class MainWindowControl;
class Settings;

class TrayMenu final : public QObject {
  Q_OBJECT

 public:
  // What the menu shows, in its order.
  struct Actions {
    QAction* showMainWindow;
    QAction* change;
    QAction* next;
    QAction* previous;
    QAction* moveToTrash;
    QAction* lock;
    QAction* screenSaver;
    QAction* displaySettings;
    QMenu* displayModes;
    QMenu* cdDrives;
    QMenu* exitWindows;
    QAction* startWithWindows;
    QAction* autoChange;
    QAction* hideIcons;
    QAction* about;
    QAction* help;
  };
  TrayMenu(platform::TrayHost& host, Settings& settings, RunState& run, MainWindowControl& window,
           Actions actions);

  void ApplyCaptions();
  // Shows the icon with its image and hint (during start-up, the starting hint).
  void RefreshTrayIcon();
  // The icon to show: the custom one, or null for the program's own.
  void SetIcon(const QIcon& icon);
  // What the hint tells below the title: the current picture's file name and
  // when the next automatic change is due (local date-time in days; none when off).
  void SetStatus(const std::string& pictureName, std::optional<double> nextChange);
  void RemoveTrayIcon();
  void SetExitEnabled(bool enabled);
  QAction* ExitAction() const { return TBItemExit; }
  // A few seconds after start-up: without a tray the main window stands in for it.
  void WatchForTray();

 signals:
  // Exit was chosen (and its question answered Yes).
  void exitRequested();
  // The menu is about to open: what it shows is brought up to date.
  void menuOpening();
  // No tray was found after start-up (true), or a tray came (false).
  void noTrayChanged(bool noTray);

 private:
  void BuildMenu();
  void BuildTrayIcon();
  void ReAddIcon();
  void ToviWallIconMouseDown(QObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void ToviWallIconDblClick(QObject* sender);
  QAction* ChosenAction() const;
  QString Hint() const;
  void TBPopupMenuPopup();
  void MarkDefaultItem();
  void ResetMenuImages();
  void TBItemExitClick();

  platform::TrayHost& host_;
  Settings& settings_;
  RunState& run_;
  MainWindowControl& window_;
  Actions actions_;
  QIcon icon_;
  QString pictureName_;
  QString nextChange_;
  TToviTrayIcon* ToviWallIcon = nullptr;
  QTimer trayWait_;
  QMenu* TBPopupMenu = nullptr;
  QAction* TBItemShow = nullptr;
  QAction* TBItemChange = nullptr;
  QAction* TBItemLock = nullptr;
  QAction* TBItemScrSave = nullptr;
  QMenu* TBSubmenuItemDisplay = nullptr;
  QAction* TBItemShowDisplay = nullptr;
  QMenu* TBSubmenuItemPopupOptions = nullptr;
  QAction* TBItemStartWithWin = nullptr;
  QAction* TBItemAutoChange = nullptr;
  QAction* TBItemHide = nullptr;
  QAction* TBItemAbout = nullptr;
  QAction* TBItemHelp = nullptr;
  QAction* TBItemExit = nullptr;
};

}  // namespace toviwall
