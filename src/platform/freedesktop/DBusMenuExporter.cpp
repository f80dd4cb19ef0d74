#include "platform/freedesktop/DBusMenuExporter.h"

#include <QAction>
#include <QActionGroup>
#include <QBuffer>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>

namespace toviwall::platform {
namespace {

constexpr int kMenuIconSide = 16;

QByteArray Png(const QIcon& icon) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  icon.pixmap(QSize(kMenuIconSide, kMenuIconSide), 1.0).save(&buffer, "PNG");
  return bytes;
}

QVariantMap Only(QVariantMap properties, const QStringList& names) {
  if (names.isEmpty()) return properties;
  for (auto it = properties.begin(); it != properties.end();)
    it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
  return properties;
}

}  // namespace

QString DBusMenuLabel(const QString& caption) {
  QString label;
  label.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    const QChar c = caption.at(i);
    if (c == u'_') {
      label += QStringLiteral("__");
    } else if (c == u'&') {
      if (i + 1 == caption.size()) break;  // a mark on nothing
      const QChar next = caption.at(++i);
      if (next == u'&') {
        label += u'&';
      } else if (next == u'_') {
        label += QStringLiteral("__");  // no mark on a "_"
      } else {
        label += u'_';
        label += next;
      }
    } else {
      label += c;
    }
  }
  return label;
}

DBusMenuExporter::DBusMenuExporter(QObject* object, std::shared_ptr<TrayMenuSource> source)
    : QDBusAbstractAdaptor(object), source_(std::move(source)) {
  RegisterTrayDBusTypes();
  Watch(source_->Root());
}

DBusMenuExporter::~DBusMenuExporter() {
  for (const QPointer<QObject>& menu : std::as_const(watched_))
    if (menu) menu->removeEventFilter(this);
}

QString DBusMenuExporter::TextDirection() const {
  return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

int DBusMenuExporter::IdOf(QAction* action) {
  auto found = ids_.constFind(action);
  if (found != ids_.constEnd()) return *found;
  const int id = nextId_++;
  ids_.insert(action, id);
  actions_.insert(id, action);
  connect(action, &QObject::destroyed, this, [this, action, id] {
    ids_.remove(action);
    actions_.remove(id);
    parents_.remove(id);
  });
  return id;
}

QObject* DBusMenuExporter::MenuOf(int id) {
  if (id == 0) return source_->Root();
  QAction* action = actions_.value(id);
  return action ? action->menu<QObject*>() : nullptr;
}

void DBusMenuExporter::Watch(QObject* menu) {
  if (!menu || watched_.contains(menu)) return;
  watched_.insert(menu, menu);
  menu->installEventFilter(this);
  connect(menu, &QObject::destroyed, this, [this, menu] {
    watched_.remove(menu);
    Changed();
  });
}

bool DBusMenuExporter::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::ActionAdded:
    case QEvent::ActionRemoved:
    case QEvent::ActionChanged:
      Changed();
      break;
    default:
      break;
  }
  return false;
}

// Any change makes the tray read the whole menu again: one notice for all the
// changes the program makes in one go.
void DBusMenuExporter::Changed() {
  changed_ = true;
  if (flushQueued_) return;
  flushQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    flushQueued_ = false;
    Flush();
  });
}

bool DBusMenuExporter::Flush() {
  if (!changed_) return false;
  changed_ = false;
  emit LayoutUpdated(++revision_, 0);
  return true;
}

QVariantMap DBusMenuExporter::Properties(int id, QObject* parentMenu, const QStringList& names) {
  QVariantMap p;
  if (id == 0) {
    p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    return Only(p, names);
  }
  QAction* action = actions_.value(id);
  if (!action) return p;
  if (!action->isVisible()) p.insert(QStringLiteral("visible"), false);
  if (action->isSeparator()) {
    p.insert(QStringLiteral("type"), QStringLiteral("separator"));
    return Only(p, names);
  }
  p.insert(QStringLiteral("label"), DBusMenuLabel(action->text()));
  if (!action->isEnabled()) p.insert(QStringLiteral("enabled"), false);
  if (action->isCheckable()) {
    const bool radio = action->actionGroup() && action->actionGroup()->isExclusive();
    p.insert(QStringLiteral("toggle-type"), radio ? QStringLiteral("radio") : QStringLiteral("checkmark"));
    p.insert(QStringLiteral("toggle-state"), action->isChecked() ? 1 : 0);
  }
  if (action->menu<QObject*>()) p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
  if (!action->icon().isNull()) p.insert(QStringLiteral("icon-data"), Png(action->icon()));
  if (parentMenu && source_->DefaultItem(parentMenu) == action) p.insert(QStringLiteral("x-toviwall-default"), true);
  return Only(p, names);
}

DBusMenuLayout DBusMenuExporter::Layout(int id, QObject* menu, int depth, const QStringList& names) {
  DBusMenuLayout layout;
  layout.id = id;
  layout.properties = Properties(id, parents_.value(id), names);
  if (!menu || depth == 0) return layout;
  Watch(menu);
  for (QAction* action : source_->Items(menu)) {
    const int childId = IdOf(action);
    parents_.insert(childId, menu);
    layout.children.push_back(Layout(childId, action->menu<QObject*>(), depth - 1, names));
  }
  return layout;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayout& layout) {
  layout = Layout(parentId, MenuOf(parentId), recursionDepth, propertyNames);
  return revision_;
}

DBusMenuItems DBusMenuExporter::GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames) {
  DBusMenuItems items;
  for (int id : ids)
    if (id == 0 || actions_.value(id)) items.append({id, Properties(id, parents_.value(id), propertyNames)});
  return items;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
  return QDBusVariant(Properties(id, parents_.value(id), {name}).value(name));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
  if (eventId != QStringLiteral("clicked")) return;
  QPointer<QAction> action = actions_.value(id);
  if (!action || !action->isEnabled() || action->menu<QObject*>()) return;
  // After the answer has gone: the item may open a window with a loop of its own.
  QMetaObject::invokeMethod(
      this, [action] { if (action && action->isEnabled()) action->trigger(); }, Qt::QueuedConnection);
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEvents& events) {
  QList<int> unknown;
  for (const DBusMenuEvent& e : events) {
    if (e.id == 0 || actions_.value(e.id)) Event(e.id, e.eventId, e.data, e.timestamp);
    else unknown.append(e.id);
  }
  return unknown;
}

bool DBusMenuExporter::AboutToShow(int id) {
  QObject* menu = MenuOf(id);
  if (!menu) return false;
  source_->AboutToShow(menu);
  // The captions set now must be what the tray shows: it reads the menu again
  // when the answer says so, before it opens it.
  return Flush();
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
  QList<int> updated;
  for (int id : ids) {
    if (!MenuOf(id)) idErrors.append(id);
    else if (AboutToShow(id)) updated.append(id);
  }
  return updated;
}

}  // namespace toviwall::platform
