#pragma once
// The tray icon and the menu it opens: the menu's items and sub-menus in their
// order, their captions (some change each time the menu opens), the default
// item, and what a double-click on the icon does.
#include <QObject>
#include <QTimer>

#include "desktop/ui/ToviTrayIcon.h"

class QAction;
class QMenu;

namespace toviwall {

class TMainForm;

class TrayMenu final : public QObject {
  Q_OBJECT

 public:
  // Needs the actions of the pages and commands made before it.
  explicit TrayMenu(TMainForm& form);

  void ApplyCaptions();
  // Shows the icon with its image and hint (during start-up, the starting hint).
  void RefreshTrayIcon();
  void RemoveTrayIcon();
  void SetExitEnabled(bool enabled);
  QAction* ExitAction() const { return TBItemExit; }
  // A few seconds after start-up: without a tray the main window stands in for it.
  void WatchForTray();

  // The sub-menus other features fill.
  QMenu* DisplayModeMenu() const { return TBItemDisplayMode; }
  QMenu* CDRomMenu() const { return TBSubmenuCDRom; }
  QMenu* ExitWindowsMenu() const { return TBSubmenuItemExitWin; }

 private:
  void BuildMenu();
  void BuildTrayIcon();
  void ReAddIcon();
  void ToviWallIconMouseDown(QObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void ToviWallIconDblClick(QObject* sender);
  void TBPopupMenuPopup();
  void MarkDefaultItem();
  void ResetMenuImages();
  void TBItemExitClick();

  TMainForm& form_;
  TToviTrayIcon* ToviWallIcon = nullptr;
  QTimer trayWait_;
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
};

}  // namespace toviwall
