#pragma once
// One running instance per user: the first start holds the name for its whole
// life; a later start hands its message to the first one and ends.
#include <functional>
#include <stdexcept>
#include <string>

namespace toviwall::platform {

// The rule cannot be kept, or the running instance was not reached; the text
// says why, for the user.
class SingleInstanceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;

  // Claims `name` for this process. When another process holds it, sends it
  // `message`, waits until that process has read it and answers true; a process
  // that is still starting is waited for within a limit. When the claim itself
  // fails (its lock file cannot be made), answers false: this process runs as if
  // it were the first. Throws SingleInstanceError when there is no safe place for
  // the name or the running instance did not answer in time.
  virtual bool OtherInstanceRunning(const std::string& name, const std::string& message) = 0;

  // From now on, messages from later starts (and other local senders) reach
  // `onMessage` on the main thread, one at a time.
  virtual void Listen(std::function<void(const std::string&)> onMessage) = 0;
};

}  // namespace toviwall::platform
