#include "platform/sway/SwaySession.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <algorithm>
#include <climits>
#include <cstdlib>

namespace toviwall::platform {
namespace {

QJsonDocument Parse(const std::string& json) {
  QJsonParseError error{};
  QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  if (error.error != QJsonParseError::NoError) throw SwayIpcError("sway sent unreadable JSON: " + error.errorString().toStdString());
  return doc;
}

}  // namespace

std::vector<SwayOutput> ParseSwayOutputs(const std::string& json) {
  std::vector<SwayOutput> outputs;
  for (const QJsonValue& value : Parse(json).array()) {
    const QJsonObject o = value.toObject();
    const QJsonObject r = o.value(QStringLiteral("rect")).toObject();
    SwayOutput out{o.value(QStringLiteral("name")).toString().toStdString(),
                   {r.value(QStringLiteral("x")).toInt(), r.value(QStringLiteral("y")).toInt(),
                    r.value(QStringLiteral("width")).toInt(), r.value(QStringLiteral("height")).toInt()}};
    if (o.value(QStringLiteral("active")).toBool() && !out.name.empty() && out.rect.width > 0 && out.rect.height > 0)
      outputs.push_back(std::move(out));
  }
  int left = INT_MAX, top = INT_MAX;
  for (const SwayOutput& o : outputs) {
    left = std::min(left, o.rect.x);
    top = std::min(top, o.rect.y);
  }
  for (SwayOutput& o : outputs) {
    o.rect.x -= left;
    o.rect.y -= top;
  }
  std::stable_sort(outputs.begin(), outputs.end(), [](const SwayOutput& a, const SwayOutput& b) {
    return a.rect.x != b.rect.x ? a.rect.x < b.rect.x : a.rect.y < b.rect.y;
  });
  return outputs;
}

ScreenLayout LayoutOf(const std::vector<SwayOutput>& outputs) {
  ScreenLayout layout;
  for (const SwayOutput& o : outputs) {
    layout.width = std::max(layout.width, o.rect.x + o.rect.width);
    layout.height = std::max(layout.height, o.rect.y + o.rect.height);
    layout.monitors.push_back(o.rect);
  }
  return layout;
}

std::shared_ptr<SwaySession> SwaySession::FromEnvironment() {
  const char* socket = std::getenv("SWAYSOCK");
  if (!socket || !*socket) return nullptr;
  try {
    return std::make_shared<SwaySession>(socket);
  } catch (const SwayIpcError&) {
    return nullptr;  // a stale variable: no sway here
  }
}

SwaySession::SwaySession(const std::string& socketPath) : socketPath_(socketPath), requests_(socketPath) {
  Subscribe();
  // sway 1.7 tells of no mode change; the Wayland outputs Qt follows do.
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    auto watch = [this](QScreen* screen) {
      connect(screen, &QScreen::geometryChanged, this, &SwaySession::CheckOutputs);
    };
    for (QScreen* screen : gui->screens()) watch(screen);
    connect(gui, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
      watch(screen);
      CheckOutputs();
    });
    connect(gui, &QGuiApplication::screenRemoved, this, &SwaySession::CheckOutputs);
  }
}

void SwaySession::Subscribe() {
  // "output" events came with sway 1.10, and an older sway refuses the whole
  // list for it; there a new output shows as a workspace made or moved.
  for (const char* events : {R"(["workspace","output"])", R"(["workspace"])"}) {
    auto connection = std::make_unique<SwayConnection>(socketPath_);
    const QJsonObject reply = Parse(connection->Request(SwayMessage::Subscribe, events)).object();
    if (!reply.value(QStringLiteral("success")).toBool()) continue;
    events_ = std::move(connection);
    notifier_ = std::make_unique<QSocketNotifier>(events_->Fd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SwaySession::EventsArrived);
    return;
  }
}

void SwaySession::EventsArrived() {
  const bool open = events_->ReadAvailable();
  bool reloaded = false, outputs = false;
  try {
    for (SwayFrame frame; TakeSwayFrame(events_->Buffer(), frame);) {
      if (frame.type == kSwayOutputEvent) {
        outputs = true;
      } else if (frame.type == kSwayWorkspaceEvent) {
        const QString change = Parse(frame.payload).object().value(QStringLiteral("change")).toString();
        reloaded = reloaded || change == QLatin1String("reload");
        outputs = outputs || change == QLatin1String("init") || change == QLatin1String("move");
      }
    }
  } catch (const SwayIpcError&) {
    events_->Buffer().clear();  // not sway's framing: nothing more to learn from it
  }
  if (!open) notifier_.reset();  // sway has gone
  if (outputs) CheckOutputs();
  if (reloaded) emit Reloaded();
}

void SwaySession::CheckOutputs() {
  std::vector<SwayOutput> now;
  try {
    now = Outputs();
  } catch (const SwayIpcError&) {
    return;
  }
  if (known_ && *known_ == now) return;
  known_ = std::move(now);
  emit OutputsChanged();
}

void SwaySession::Command(const std::string& commands) {
  const QJsonArray results = Parse(requests_.Request(SwayMessage::RunCommand, commands)).array();
  for (const QJsonValue& value : results) {
    const QJsonObject result = value.toObject();
    if (!result.value(QStringLiteral("success")).toBool())
      throw SwayIpcError("sway refused \"" + commands + "\": " +
                         result.value(QStringLiteral("error")).toString().toStdString());
  }
}

std::vector<SwayOutput> SwaySession::Outputs() {
  std::vector<SwayOutput> outputs = ParseSwayOutputs(requests_.Request(SwayMessage::GetOutputs, {}));
  if (!known_) known_ = outputs;
  return outputs;
}

}  // namespace toviwall::platform
