#include "app/ui/WidgetMap.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>
#include <cstdlib>

#include "base/AtomicFile.h"

namespace toviwall {

std::unique_ptr<WidgetMap> WidgetMap::FromEnvironment() {
  const char* file = std::getenv("TOVIWALL_WIDGET_MAP");
  if (!file || !*file) return nullptr;
  auto map = std::make_unique<WidgetMap>(file);
  qApp->installEventFilter(map.get());
  return map;
}

WidgetMap::WidgetMap(std::string file) : file_(std::move(file)) {
  pending_.setSingleShot(true);
  pending_.setInterval(0);
  connect(&pending_, &QTimer::timeout, this, &WidgetMap::Write);
}

bool WidgetMap::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
      if (watched->isWidgetType()) pending_.start();
      break;
    case QEvent::Paint:
      // A label repaints when its text changes (the preview's file name and size).
      if (qobject_cast<QLabel*>(watched)) pending_.start();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void WidgetMap::Write() {
  // One line per item: name, x, y, width, height of its screen rectangle, then
  // the text it shows (line breaks as "\\n").
  std::string out;
  auto line = [&out](const QString& name, const QRect& r, QString text = {}) {
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.remove(QLatin1Char('\r'));
    out += name.toStdString() + " " + std::to_string(r.x()) + " " + std::to_string(r.y()) + " " +
           std::to_string(r.width()) + " " + std::to_string(r.height()) + " " + text.toStdString() + "\n";
  };
  auto textOf = [](QWidget* w) -> QString {
    if (auto* m = qobject_cast<QMessageBox*>(w)) return m->text();
    if (auto* v = qobject_cast<QListWidget*>(w)) return QString::number(v->currentRow());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    if (w->isWindow()) return w->windowTitle();
    return {};
  };
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible()) continue;
    if (!top->objectName().isEmpty()) line(top->objectName(), top->frameGeometry(), textOf(top));
    for (QWidget* w : top->findChildren<QWidget*>()) {
      if (w->objectName().isEmpty() || !w->isVisible() || w->objectName().startsWith(QLatin1String("qt_"))) continue;
      if (w->window() != top) continue;  // a window of its own (the preview) has its own lines
      line(w->objectName(), QRect(w->mapToGlobal(QPoint(0, 0)), w->size()), textOf(w));
    }
    if (auto* menu = qobject_cast<QMenu*>(top)) {
      for (QAction* a : menu->actions()) {
        QString name = a->objectName();
        if (a->menu() && !a->menu()->objectName().isEmpty()) name = a->menu()->objectName();
        if (name.isEmpty() || !a->isVisible()) continue;
        QRect r = menu->actionGeometry(a);
        const QRect global(menu->mapToGlobal(r.topLeft()), r.size());
        const QString key = QStringLiteral("%1.%2").arg(menu->objectName(), name);
        line(key, global, a->text());
        // The marks an item carries: "checked:Menu.Item", "default:Menu.Item".
        if (a->isChecked()) line(QStringLiteral("checked:") + key, global, a->text());
        if (menu->defaultAction() == a) line(QStringLiteral("default:") + key, global, a->text());
      }
    }
    for (QTabWidget* tabs : top->findChildren<QTabWidget*>()) {
      if (!tabs->isVisible() || tabs->objectName().isEmpty()) continue;
      for (int i = 0; i < tabs->count(); ++i) {
        QRect r = tabs->tabBar()->tabRect(i);
        line(QStringLiteral("%1.tab%2").arg(tabs->objectName()).arg(i),
             QRect(tabs->tabBar()->mapToGlobal(r.topLeft()), r.size()), tabs->tabText(i));
      }
    }
  }
  // The window that has the keyboard, as the program sees it.
  if (QWidget* active = QApplication::activeWindow(); active && !active->objectName().isEmpty())
    line(QStringLiteral("ActiveWindow"), active->frameGeometry(), active->objectName());
  if (out == written_) return;  // most repaints change nothing the map holds
  try {
    WriteFileAtomically(file_, out);
    written_ = out;
  } catch (const FileWriteError&) {
    // Only tests read the map; a failed write must not disturb the program.
  }
}

}  // namespace toviwall
