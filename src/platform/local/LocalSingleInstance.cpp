#include "platform/local/LocalSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QLocalSocket>
#include <QPointer>

namespace toviwall::platform {
namespace {

// A folder only this user can enter: mode 0700 and owned by us.
bool PrivateFolder(const std::string& path, bool create) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    if (!create || ::mkdir(path.c_str(), 0700) != 0) return false;
    if (lstat(path.c_str(), &st) != 0) return false;
  }
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

constexpr char kAck = '\x06';

}  // namespace

LocalSingleInstance::LocalSingleInstance(std::string folder) : folder_(std::move(folder)) {
  if (folder_.empty()) folder_ = RuntimeFolder();
}

LocalSingleInstance::~LocalSingleInstance() {
  if (server_) server_->close();
  if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

std::string LocalSingleInstance::RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime == '/' && PrivateFolder(runtime, false)) return runtime;
  std::string fallback = "/tmp/toviwall-" + std::to_string(::getuid());
  return PrivateFolder(fallback, true) ? fallback : std::string();
}

bool LocalSingleInstance::OtherInstanceRunning(const std::string& name, const std::string& message) {
  name_ = name;
  if (folder_.empty()) return false;
  std::string lockPath = folder_ + "/" + name + ".lock";
  lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFd_ < 0) return false;
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return false;  // we are the first
  ::close(lockFd_);
  lockFd_ = -1;
  // The first instance may not listen yet (it is still being built); then the
  // message is lost, as the start-up order allows, and this start still ends.
  Send(folder_ + "/" + name, message, 5000);
  return true;
}

bool LocalSingleInstance::Send(const std::string& socketPath, const std::string& message, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(socketPath));
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(QByteArray::fromStdString(message) + '\n');
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  // Wait until the receiver has handled it, like a synchronous send.
  while (socket.bytesAvailable() == 0)
    if (!socket.waitForReadyRead(timeoutMs)) return false;
  return socket.read(1) == QByteArray(1, kAck);
}

void LocalSingleInstance::Listen(std::function<void(const std::string&)> onMessage) {
  onMessage_ = std::move(onMessage);
  if (server_ || folder_.empty() || name_.empty() || lockFd_ < 0) return;
  std::string path = folder_ + "/" + name_;
  ::unlink(path.c_str());  // we hold the lock, so any socket left there is stale
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(QString::fromStdString(path))) {
    server_.reset();
    return;
  }
  connect(server_.get(), &QLocalServer::newConnection, this, &LocalSingleInstance::OnNewConnection);
}

void LocalSingleInstance::OnNewConnection() {
  while (QLocalSocket* raw = server_->nextPendingConnection()) {
    QPointer<QLocalSocket> socket(raw);
    connect(raw, &QLocalSocket::disconnected, raw, &QObject::deleteLater);
    connect(raw, &QLocalSocket::readyRead, this, [this, socket] {
      if (!socket) return;
      while (socket->canReadLine()) {
        QByteArray line = socket->readLine(4096).trimmed();
        if (onMessage_) onMessage_(line.toStdString());
        if (socket) {
          socket->write(QByteArray(1, kAck));
          socket->flush();
        }
      }
      // A sender that never ends its line cannot make us hold data without bound.
      if (socket && socket->bytesAvailable() > 4096) socket->abort();
    });
  }
}

}  // namespace toviwall::platform
