#include "platform/freedesktop/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QStyleHints>
#include <QtEndian>
#include <atomic>

#include "platform/freedesktop/DBusMenuExporter.h"

namespace toviwall::platform {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
// Qt's mark for an item without a menu: KDE's tray then asks with ContextMenu.
const QString kNoMenuPath = QStringLiteral("/NO_DBUSMENU");
// The sizes trays draw their icons at; each takes the nearest.
constexpr int kSides[] = {16, 22, 24, 32, 48};

int NextNumber() {
  static std::atomic<int> count{0};
  return ++count;
}

SniImages Pixmaps(const QIcon& icon) {
  SniImages images;
  for (int side : kSides) {
    const QImage image = icon.pixmap(QSize(side, side), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) continue;
    bool known = false;
    for (const SniImage& i : images) known = known || (i.width == image.width() && i.height == image.height());
    if (known) continue;  // an icon without that size gives a smaller one again
    SniImage sni{image.width(), image.height(), QByteArray(image.width() * image.height() * 4, Qt::Uninitialized)};
    for (int y = 0; y < image.height(); ++y)
      qToBigEndian<quint32>(image.constScanLine(y), image.width(), sni.pixels.data() + y * image.width() * 4);
    images.append(sni);
  }
  return images;
}

}  // namespace

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(QObject* object, StatusNotifierItem& item)
    : QDBusAbstractAdaptor(object), item_(item) {}

QString StatusNotifierItemAdaptor::Id() const { return item_.id_; }

QString StatusNotifierItemAdaptor::Title() const { return item_.tip_.isEmpty() ? item_.id_ : item_.tip_; }

QDBusObjectPath StatusNotifierItemAdaptor::Menu() const {
  return QDBusObjectPath(item_.menu_ ? kMenuPath : kNoMenuPath);
}

SniImages StatusNotifierItemAdaptor::IconPixmap() const {
  if (!item_.images_) item_.images_ = Pixmaps(item_.image_);
  return *item_.images_;
}

SniToolTip StatusNotifierItemAdaptor::ToolTip() const {
  // The first line is the tip's title, the further ones its text.
  const qsizetype lineEnd = item_.tip_.indexOf(QLatin1Char('\n'));
  if (lineEnd < 0) return {QString(), {}, item_.tip_, QString()};
  return {QString(), {}, item_.tip_.left(lineEnd), item_.tip_.mid(lineEnd + 1)};
}

void StatusNotifierItemAdaptor::ContextMenu(int, int) {
  item_.Post(TrayMessage::RButtonDown);
  item_.Post(TrayMessage::RButtonUp);
}

void StatusNotifierItemAdaptor::Activate(int, int) { item_.Activated(); }

void StatusNotifierItemAdaptor::SecondaryActivate(int, int) {
  item_.Post(TrayMessage::MButtonDown);
  item_.Post(TrayMessage::MButtonUp);
}

void StatusNotifierItemAdaptor::Scroll(int, const QString&) {}

// ---------------------------------------------------------------------------

StatusNotifierItem::StatusNotifierItem(const QString& busAddress, std::string id)
    : number_(NextNumber()),
      connectionName_(QStringLiteral("toviwall-tray-%1").arg(number_)),
      bus_(QDBusConnection::connectToBus(busAddress, connectionName_)),
      service_(QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(QCoreApplication::applicationPid()).arg(number_)),
      id_(QString::fromStdString(id)),
      adaptor_(nullptr) {
  RegisterTrayDBusTypes();
  adaptor_ = new StatusNotifierItemAdaptor(&itemObject_, *this);
}

StatusNotifierItem::~StatusNotifierItem() {
  Delete();
  QDBusConnection::disconnectFromBus(connectionName_);
}

QString StatusNotifierItem::WatcherOwner() {
  if (!bus_.isConnected() || !bus_.interface()) return {};
  return bus_.interface()->serviceOwner(kWatcher).value();
}

bool StatusNotifierItem::Add(const QIcon& image) {
  if (image.cacheKey() != image_.cacheKey()) {
    image_ = image;
    images_.reset();
  }
  const QString watcher = WatcherOwner();
  if (watcher.isEmpty() || (registered_ && watcher == registeredWith_)) return false;
  if (!registered_) {
    if (!bus_.registerObject(kItemPath, &itemObject_, QDBusConnection::ExportAdaptors) ||
        !bus_.registerService(service_)) {
      bus_.unregisterObject(kItemPath);
      return false;
    }
    ExportMenu();
    registered_ = true;
  }
  // A watcher that started again knows nothing of the items: tell the new one.
  registeredWith_ = watcher;
  QDBusMessage call = QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                                     QStringLiteral("RegisterStatusNotifierItem"));
  call << service_;
  bus_.asyncCall(call);
  return true;
}

bool StatusNotifierItem::Modify(const QIcon& image) {
  image_ = image;
  images_.reset();
  if (!registered_) return false;
  emit adaptor_->NewIcon();
  return true;
}

bool StatusNotifierItem::Delete() {
  if (!registered_) return false;
  // The watcher drops an item whose service goes away.
  bus_.unregisterService(service_);
  bus_.unregisterObject(kItemPath);
  bus_.unregisterObject(kMenuPath);
  menuObject_.reset();
  registered_ = false;
  registeredWith_.clear();
  return true;
}

void StatusNotifierItem::SetToolTip(const std::string& text) {
  const QString tip = QString::fromStdString(text);
  if (tip == tip_) return;
  tip_ = tip;
  if (!registered_) return;
  emit adaptor_->NewToolTip();
  emit adaptor_->NewTitle();
}

void StatusNotifierItem::SetMenu(std::shared_ptr<TrayMenuSource> menu) {
  // Trays read the menu's path once: an item in the tray comes back with it.
  const bool shown = registered_;
  if (shown) Delete();
  menu_ = std::move(menu);
  if (shown) Add(image_);
}

void StatusNotifierItem::ExportMenu() {
  bus_.unregisterObject(kMenuPath);
  menuObject_.reset();
  if (!menu_) return;
  menuObject_ = std::make_unique<QObject>();
  new DBusMenuExporter(menuObject_.get(), menu_);  // owned by the object
  bus_.registerObject(kMenuPath, menuObject_.get(), QDBusConnection::ExportAdaptors);
}

void StatusNotifierItem::Activated() {
  const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
  const bool repeat = sinceActivate_.isValid() && sinceActivate_.elapsed() <= interval;
  sinceActivate_.start();
  if (!repeat) Post(TrayMessage::LButtonDblClk);
}

void StatusNotifierItem::Post(unsigned kind) {
  // After the answer has gone: a handler may open a window with a loop of its own.
  QMetaObject::invokeMethod(
      &context_, [this, kind] { Report(TrayMessage{kind}); }, Qt::QueuedConnection);
}

}  // namespace toviwall::platform
