#pragma once
// A menu that the tray draws itself for an icon (StatusNotifierItem hosts draw
// it from what the icon exports over D-Bus). The menu stays the program's: the
// tray reads it through this view each time, and an item chosen there is
// triggered as a click on it in the program's own menu would be.
#include <QList>

class QAction;
class QObject;

namespace toviwall::platform {

class TrayMenuSource {
 public:
  virtual ~TrayMenuSource() = default;
  // The top menu. A sub-menu is the menu object of one of the items
  // (QAction::menu<QObject*>()); every menu object gets the action events
  // (QEvent::ActionAdded, ActionRemoved, ActionChanged) of its items.
  virtual QObject* Root() const = 0;
  // The items of `menu`, in order; separators are items too.
  virtual QList<QAction*> Items(QObject* menu) const = 0;
  // The item a menu marks as its default (shown bold); nullptr for none.
  virtual QAction* DefaultItem(QObject* menu) const = 0;
  // The tray is about to open `menu`: captions that change at each opening are set now.
  virtual void AboutToShow(QObject* menu) = 0;
};

}  // namespace toviwall::platform
