#include "app/ui/FormParts.h"

#include <QAbstractButton>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace toviwall {
namespace {

class ClickToAction final : public QObject {
 public:
  ClickToAction(QWidget* target, QAction* action) : QObject(target), action_(action) {
    target->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      action_->trigger();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QAction* action_;
};

}  // namespace

QAction* NamedAction(QObject* owner, const char* name, bool checkable) {
  auto* a = new QAction(owner);
  a->setObjectName(QString::fromLatin1(name));
  a->setCheckable(checkable);
  return a;
}

void LinkButton(QAbstractButton* button, QAction* action) {
  auto sync = [button, action] {
    button->setText(action->text());
    button->setEnabled(action->isEnabled());
    button->setVisible(action->isVisible());
    if (action->isCheckable()) button->setChecked(action->isChecked());
  };
  QObject::connect(action, &QAction::changed, button, sync);
  QObject::connect(action, &QAction::toggled, button, [button](bool on) { button->setChecked(on); });
  QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
  sync();
}

void ClickRunsAction(QWidget* target, QAction* action) { new ClickToAction(target, action); }  // owned by target

}  // namespace toviwall
