#include "platform/freedesktop/StatusNotifierTray.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <atomic>

#include "platform/freedesktop/StatusNotifierItem.h"
#include "platform/local/SessionBus.h"

namespace toviwall::platform {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int kAskMs = 2000;

int NextNumber() {
  static std::atomic<int> count{0};
  return ++count;
}

QDBusMessage HostQuestion() {
  QDBusMessage m = QDBusMessage::createMethodCall(
      kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  m << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
  return m;
}

bool HostAnswer(const QDBusMessage& reply) {
  return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
         qvariant_cast<QDBusVariant>(reply.arguments().front()).variant().toBool();
}

// One icon in whichever tray it belongs to now.
class ChosenTrayIcon final : public TrayIcon {
 public:
  ChosenTrayIcon(StatusNotifierTray& tray, std::unique_ptr<StatusNotifierItem> item, std::unique_ptr<TrayIcon> fallback)
      : tray_(tray), item_(std::move(item)), fallback_(std::move(fallback)) {
    auto report = [this](const TrayMessage& m) { Report(m); };
    item_->SetMessageListener(report);
    if (fallback_) fallback_->SetMessageListener(report);
  }

  bool Add(const QIcon& image) override {
    image_ = image;
    wanted_ = true;
    if (tray_.TakesItem(withMenu_)) {
      if (fallback_) fallback_->Delete();
      return item_->Add(image);
    }
    item_->Delete();
    return fallback_ && fallback_->Add(image);
  }
  bool Modify(const QIcon& image) override {
    image_ = image;
    const bool inItemTray = item_->Modify(image);  // both keep it for a later Add
    const bool inFallback = fallback_ && fallback_->Modify(image);
    return inItemTray || inFallback;
  }
  bool Delete() override {
    wanted_ = false;
    const bool inItemTray = item_->Delete();
    const bool inFallback = fallback_ && fallback_->Delete();
    return inItemTray || inFallback;
  }
  void SetToolTip(const std::string& text) override { item_->SetToolTip(text); }
  void SetMenu(std::shared_ptr<TrayMenuSource> menu) override {
    withMenu_ = menu != nullptr;
    item_->SetMenu(std::move(menu));
    if (wanted_) Add(image_);  // with a menu it may belong elsewhere
  }

 private:
  StatusNotifierTray& tray_;
  std::unique_ptr<StatusNotifierItem> item_;
  std::unique_ptr<TrayIcon> fallback_;
  QIcon image_;
  bool wanted_ = false;
  bool withMenu_ = false;
};

}  // namespace

StatusNotifierTray::StatusNotifierTray(const QString& busAddress, const QString& connectionName,
                                       std::unique_ptr<TrayHost> fallback)
    : busAddress_(busAddress),
      connectionName_(connectionName),
      bus_(connectionName),
      fallback_(std::move(fallback)),
      watcher_(kWatcher, bus_, QDBusServiceWatcher::WatchForOwnerChange) {
  if (fallback_) fallback_->SetTrayCreatedListener([this] { AnnounceTrayCreated(); });
  connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
          [this](const QString&, const QString&, const QString& owner) { WatcherChanged(owner); });
  bus_.connect(kWatcher, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"), this,
               SLOT(HostRegistered()));
  bus_.connect(kWatcher, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostUnregistered"), this,
               SLOT(HostUnregistered()));
  // At start the answer is waited for: the first icon is added right after.
  if (bus_.interface()) watcherOwner_ = bus_.interface()->serviceOwner(kWatcher).value();
  if (!watcherOwner_.isEmpty()) itemTray_ = HostAnswer(bus_.call(HostQuestion(), QDBus::Block, kAskMs));
}

StatusNotifierTray::~StatusNotifierTray() { QDBusConnection::disconnectFromBus(connectionName_); }

std::unique_ptr<TrayIcon> StatusNotifierTray::CreateIcon(const std::string& name) {
  return std::make_unique<ChosenTrayIcon>(*this, std::make_unique<StatusNotifierItem>(busAddress_, name),
                                          fallback_ ? fallback_->CreateIcon(name) : nullptr);
}

void StatusNotifierTray::WatcherChanged(const QString& owner) {
  watcherOwner_ = owner;
  if (owner.isEmpty()) SetItemTray(false);
  else AskWatcher(true);  // its tray registers a moment later, or has
}

void StatusNotifierTray::AskWatcher(bool newWatcher) {
  if (watcherOwner_.isEmpty()) return SetItemTray(false);
  auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(HostQuestion(), kAskMs), this);
  const QString asked = watcherOwner_;
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, asked, newWatcher] {
    pending->deleteLater();
    if (asked != watcherOwner_) return;  // a later question follows
    const bool host = HostAnswer(pending->reply());
    // A watcher that took over from another knows none of our items: they register anew.
    if (host && itemTray_ && newWatcher) AnnounceTrayCreated();
    else SetItemTray(host);
  });
}

void StatusNotifierTray::HostRegistered() {
  if (!watcherOwner_.isEmpty()) SetItemTray(true);
}

void StatusNotifierTray::HostUnregistered() { AskWatcher(false); }  // others may remain

void StatusNotifierTray::SetItemTray(bool running) {
  if (running == itemTray_) return;
  itemTray_ = running;
  // Icons move to the tray that takes them now; with none left, they wait.
  if (running || FallbackRunning()) AnnounceTrayCreated();
}

std::unique_ptr<TrayHost> CreateStatusNotifierTray(std::unique_ptr<TrayHost> fallback) {
  const QString address = SessionBusAddress();
  if (address.isEmpty()) return fallback;
  const QString name = QStringLiteral("toviwall-tray-host-%1").arg(NextNumber());
  if (!QDBusConnection::connectToBus(address, name).isConnected()) {
    QDBusConnection::disconnectFromBus(name);
    return fallback;
  }
  return std::make_unique<StatusNotifierTray>(address, name, std::move(fallback));
}

}  // namespace toviwall::platform
