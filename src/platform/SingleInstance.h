#pragma once
// One running instance per user: the first start holds the name for its whole
// life; a later start hands its message or command to the first one and ends.
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>

#include "base/RemoteProtocol.h"

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
  // that is still starting is waited for within a limit. An empty `message`
  // sends nothing: a held name answers true at once. When the claim itself
  // fails (its lock file cannot be made), answers false: this process runs as if
  // it were the first. Throws SingleInstanceError when there is no safe place for
  // the name or the running instance did not answer in time.
  virtual bool OtherInstanceRunning(const std::string& name, const std::string& message) = 0;

  enum class Outcome { NotRunning, Answered };
  // Hands `request` to the process that holds `name` and waits for its final
  // answer, as long as the process shows signs of life; one still starting is
  // waited for within a limit. NotRunning: nobody holds the name (nothing is
  // claimed). Throws SingleInstanceError when the process cannot be reached,
  // falls silent or answers what is no answer.
  virtual Outcome SendRequest(const std::string& name, const remote::Request& request, remote::Reply& reply) = 0;
  // Waits until nobody holds `name`; false when it is still held after `timeout`.
  virtual bool WaitUntilReleased(const std::string& name, std::chrono::milliseconds timeout) = 0;

  // Answers one request: once, on the main thread, at any time later. An answer
  // to a requester that has gone is dropped.
  using Answer = std::function<void(const remote::Reply&)>;
  using MessageHandler = std::function<void(const std::string&)>;
  using RequestHandler = std::function<void(const remote::Request&, Answer)>;
  // From now on, plain messages of later starts (and other local senders) reach
  // `onMessage`, and requests `onRequest`, on the main thread, one at a time.
  virtual void Listen(MessageHandler onMessage, RequestHandler onRequest) = 0;
  // The run is ending: later starts find no one listening and wait until the
  // name is free. Answers still owed are still delivered.
  virtual void StopListening() = 0;
};

}  // namespace toviwall::platform
