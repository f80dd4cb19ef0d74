#pragma once
// The end of the run requested from outside: the session ending (logging out,
// the session manager's request) or a termination signal. Whatever the cause,
// the program runs the same orderly shutdown as its own Exit.
#include <functional>

namespace toviwall::platform {

class SessionEnd {
 public:
  virtual ~SessionEnd() = default;
  // Runs on the main thread, once per request; a request that came before the
  // listener is handed to it at once.
  void SetEndRequestedListener(std::function<void()> listener) {
    listener_ = std::move(listener);
    if (listener_ && pending_) {
      pending_ = false;
      listener_();
    }
  }

 protected:
  void AnnounceEndRequested() {
    if (listener_)
      listener_();
    else
      pending_ = true;
  }

 private:
  std::function<void()> listener_;
  bool pending_ = false;
};

}  // namespace toviwall::platform
