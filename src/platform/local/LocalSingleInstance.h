#pragma once
// Single instance through a per-user folder (mode 0700, not a link): an flock()ed
// lock file is the mutex, a local socket beside it carries messages and
// commands (app/RemoteProtocol.h). The folder is the first usable of
// $XDG_RUNTIME_DIR, $TMPDIR/toviwall-<uid> (/tmp by default) and
// $XDG_CACHE_HOME/toviwall (~/.cache/toviwall).
#include <QLocalServer>
#include <QObject>
#include <chrono>
#include <memory>

#include "platform/SingleInstance.h"

namespace toviwall::platform {

class LocalSingleInstance final : public QObject, public SingleInstance {
  Q_OBJECT
 public:
  // `folder` empty: the per-user folder chosen as above.
  explicit LocalSingleInstance(std::string folder = {});
  ~LocalSingleInstance() override;

  bool OtherInstanceRunning(const std::string& name, const std::string& message) override;
  Outcome SendRequest(const std::string& name, const remote::Request& request, remote::Reply& reply) override;
  bool WaitUntilReleased(const std::string& name, std::chrono::milliseconds timeout) override;
  void Listen(MessageHandler onMessage, RequestHandler onRequest) override;
  void StopListening() override;

  // How long a later start waits for an instance that is still starting, and
  // how long a silent instance is waited for.
  static constexpr std::chrono::seconds kStartWait{30};
  // While an answer is owed, the requester hears this often that we are at it.
  static constexpr std::chrono::seconds kSignOfLife{5};
  // A sender that does not finish its message within this is dropped.
  static constexpr std::chrono::seconds kMessageWait{10};

  enum class Delivery { Delivered, NotListening, NoAnswer };
  // Sends one message to the running instance and waits up to `timeoutMs` for it
  // to be read. NotListening: nothing was sent (no one accepted the connection).
  static Delivery Send(const std::string& socketPath, const std::string& message, int timeoutMs);
  // The per-user folder for the lock and the socket named `name`; throws
  // SingleInstanceError, saying why, when none is usable.
  static std::string RuntimeFolder(const std::string& name);

 private:
  class Peer;
  std::string FolderFor(const std::string& name);
  void OnNewConnection();

  std::string folder_;
  std::string name_;
  int lockFd_ = -1;
  std::unique_ptr<QLocalServer> server_;
  MessageHandler onMessage_;
  RequestHandler onRequest_;
};

}  // namespace toviwall::platform
