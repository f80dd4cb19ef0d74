#pragma once
// The running sway, shared by its wallpaper and screen: commands and the
// outputs asked over one IPC connection, and the news that sway reloaded its
// configuration (which drops every runtime output setting) or that its outputs
// changed, heard on a second one.
#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Screen.h"
#include "platform/sway/SwayIpc.h"

namespace toviwall::platform {

struct SwayOutput {
  std::string name;
  MonitorRect rect;  // sway's layout, in logical pixels
  bool operator==(const SwayOutput&) const = default;
};

// The active outputs of a GET_OUTPUTS reply, moved so that the layout's
// top-left corner is (0, 0), from left to right (top to bottom in a column).
std::vector<SwayOutput> ParseSwayOutputs(const std::string& json);
// Their layout: the bounding box and each output, in the same order.
ScreenLayout LayoutOf(const std::vector<SwayOutput>& outputs);

class SwaySession final : public QObject {
  Q_OBJECT

 public:
  // The sway $SWAYSOCK names; null without one, or when it does not answer.
  static std::shared_ptr<SwaySession> FromEnvironment();
  explicit SwaySession(const std::string& socketPath);  // throws SwayIpcError

  // Runs sway commands (";" between them); throws SwayIpcError with sway's
  // reason when one fails.
  void Command(const std::string& commands);
  std::vector<SwayOutput> Outputs();

 signals:
  void Reloaded();
  void OutputsChanged();

 private:
  void Subscribe();
  void EventsArrived();
  void CheckOutputs();

  std::string socketPath_;
  SwayConnection requests_;
  std::unique_ptr<SwayConnection> events_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::optional<std::vector<SwayOutput>> known_;
};

}  // namespace toviwall::platform
