#pragma once
// What the main window's feature objects build their controls with: named
// widgets and actions (tests and the widget map find them by name), buttons
// that stand for an action, captions from the language strings, and handlers
// whose failures reach the error box.
#include <QAction>
#include <QString>

#include "base/UnitLanguage.h"
#include "base/ui/Dialogs.h"

class QAbstractButton;
class QWidget;

namespace toviwall {

template <class W>
W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

QAction* NamedAction(QObject* owner, const char* name, bool checkable = false);

// The button shows the action's caption and state and runs it when pressed.
void LinkButton(QAbstractButton* button, QAction* action);

// A left click on a plain widget (the colour box) runs the action.
void ClickRunsAction(QWidget* target, QAction* action);

// Caption number `number` of the language strings.
inline QString T(int number) { return Q(S(number)); }
// A group box's caption: the text with a blank either side.
inline QString GroupCaption(int number) { return QStringLiteral(" ") + T(number) + QStringLiteral(" "); }

// A slot that runs `handler` of `self`; an exception escaping it is shown in the
// error box and the program goes on.
template <class C>
auto Guarded(C* self, void (C::*handler)()) {
  return [self, handler](auto&&...) { RunGuarded([&] { (self->*handler)(); }); };
}

}  // namespace toviwall
