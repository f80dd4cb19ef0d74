#pragma once
// Single instance through a per-user folder (mode 0700, $XDG_RUNTIME_DIR first):
// an flock()ed lock file is the mutex, a local socket beside it carries messages.
#include <QLocalServer>
#include <QObject>
#include <memory>

#include "platform/SingleInstance.h"

namespace toviwall::platform {

class LocalSingleInstance final : public QObject, public SingleInstance {
  Q_OBJECT
 public:
  // `folder` empty: the per-user runtime folder.
  explicit LocalSingleInstance(std::string folder = {});
  ~LocalSingleInstance() override;

  bool OtherInstanceRunning(const std::string& name, const std::string& message) override;
  void Listen(std::function<void(const std::string&)> onMessage) override;

  // Sends one message to the running instance; true when it was read.
  static bool Send(const std::string& socketPath, const std::string& message, int timeoutMs);
  // The per-user folder that holds the lock and the socket ("" when none can be had).
  static std::string RuntimeFolder();

 private:
  void OnNewConnection();

  std::string folder_;
  std::string name_;
  int lockFd_ = -1;
  std::unique_ptr<QLocalServer> server_;
  std::function<void(const std::string&)> onMessage_;
};

}  // namespace toviwall::platform
