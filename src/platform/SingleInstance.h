#pragma once
// One running instance per user: the first start holds the name for its whole
// life; a later start hands its message to the first one and ends.
#include <functional>
#include <string>

namespace toviwall::platform {

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;

  // Claims `name` for this process. When another process holds it, sends it
  // `message`, waits until that process has read it (or a short deadline passed)
  // and answers true. When the name cannot be claimed for another reason, answers
  // false: this process runs as if it were the first.
  virtual bool OtherInstanceRunning(const std::string& name, const std::string& message) = 0;

  // From now on, messages from later starts (and other local senders) reach
  // `onMessage` on the main thread, one at a time.
  virtual void Listen(std::function<void(const std::string&)> onMessage) = 0;
};

}  // namespace toviwall::platform
