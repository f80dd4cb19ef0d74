#pragma once
// One channel of XFCE's settings daemon, through its D-Bus interface
// (org.xfce.Xfconf), which also starts the daemon when it is not running.
#include <map>
#include <optional>
#include <string>

#include "platform/local/SessionBus.h"

class QVariant;

namespace toviwall::platform {

class XfconfChannel {
 public:
  explicit XfconfChannel(std::string channel) : channel_(std::move(channel)) {}

  // Sets (creating) a property; raises xfconf's own message.
  void Set(const std::string& property, const QVariant& value);
  // Every property below `base` with its value as text (booleans "true" and
  // "false"); nullopt when xfconf does not answer.
  std::optional<std::map<std::string, std::string>> GetAll(const std::string& base);

 private:
  std::string channel_;
  SessionBus bus_;
};

}  // namespace toviwall::platform
