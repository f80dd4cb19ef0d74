#include "platform/local/LocalSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QLocalSocket>
#include <QPointer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace toviwall::platform {
namespace {

constexpr char kAck = '\x06';
// A socket's path must fit in sockaddr_un with its terminating NUL.
constexpr std::size_t kMaxSocketPath = sizeof(sockaddr_un{}.sun_path) - 1;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Why `path` cannot hold the lock and the socket `name` ("" when it can). Only a
// folder of this user, mode 0700 and no link, keeps other users from taking
// the name (or the socket) first. `create` makes a missing one.
std::string Unusable(const std::string& path, const std::string& name, bool create) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return std::strerror(errno);
    if (!create) return "no such folder";
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return std::strerror(errno);
    if (lstat(path.c_str(), &st) != 0) return std::strerror(errno);
  }
  if (S_ISLNK(st.st_mode)) return "a symbolic link";
  if (!S_ISDIR(st.st_mode)) return "not a folder";
  if (st.st_uid != ::getuid()) return "owned by another user";
  if (st.st_mode & 077) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return std::string("open to other users (mode ") + mode + ")";
  }
  if (path.size() + 1 + name.size() > kMaxSocketPath)
    return "too long for a socket path (at most " + std::to_string(kMaxSocketPath) + " bytes)";
  return {};
}

}  // namespace

LocalSingleInstance::LocalSingleInstance(std::string folder) : folder_(std::move(folder)) {}

LocalSingleInstance::~LocalSingleInstance() {
  if (server_) server_->close();
  if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

std::string LocalSingleInstance::RuntimeFolder(const std::string& name) {
  struct Candidate {
    std::string path;
    bool create;
    std::string parent;  // made first when missing
  };
  std::vector<Candidate> candidates;
  const std::string runtime = Env("XDG_RUNTIME_DIR");
  if (!runtime.empty() && runtime[0] == '/') candidates.push_back({runtime, false, {}});
  std::string tmp = Env("TMPDIR");
  if (tmp.empty() || tmp[0] != '/') tmp = "/tmp";
  candidates.push_back({tmp + "/toviwall-" + std::to_string(::getuid()), true, {}});
  // Another user may have taken the shared name in /tmp first; the cache folder
  // in our home is out of their reach.
  std::string cache = Env("XDG_CACHE_HOME");
  if (cache.empty() || cache[0] != '/') {
    const std::string home = Env("HOME");
    cache = home.empty() || home[0] != '/' ? std::string() : home + "/.cache";
  }
  if (!cache.empty()) candidates.push_back({cache + "/toviwall", true, cache});

  std::string refused;
  for (const Candidate& c : candidates) {
    if (!c.parent.empty()) ::mkdir(c.parent.c_str(), 0700);  // may exist already
    const std::string why = Unusable(c.path, name, c.create);
    if (why.empty()) return c.path;
    refused += "\n  " + c.path + ": " + why;
  }
  throw SingleInstanceError(
      "Cannot keep to one running instance: no private folder for its lock (a folder of this user only, "
      "mode 0700, not a link). Refused:" +
      refused);
}

bool LocalSingleInstance::OtherInstanceRunning(const std::string& name, const std::string& message) {
  name_ = name;
  if (folder_.empty()) {
    folder_ = RuntimeFolder(name);
  } else if (std::string why = Unusable(folder_, name, false); !why.empty()) {
    throw SingleInstanceError("Cannot keep to one running instance: cannot use " + folder_ + " for its lock: " + why);
  }
  const std::string lockPath = folder_ + "/" + name + ".lock";
  lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd_ < 0) return false;  // no lock to be had: run as the first
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return false;  // we are the first

  // The first instance listens once its window is built, which can take a
  // while; wait for it as long as it holds the lock, within a limit. When it
  // ends meanwhile, this start becomes the first.
  const std::string socketPath = folder_ + "/" + name;
  const auto deadline = std::chrono::steady_clock::now() + kStartWait;
  Delivery delivery = Delivery::NotListening;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    delivery = Send(socketPath, message, static_cast<int>(std::max<long long>(left.count(), 1)));
    if (delivery != Delivery::NotListening) break;
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return false;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ::close(lockFd_);
  lockFd_ = -1;
  if (delivery == Delivery::Delivered) return true;
  const std::string limit = std::to_string(kStartWait.count()) + " s";
  if (delivery == Delivery::NoAnswer)
    throw SingleInstanceError("The running instance took the message but did not answer within " + limit + ".");
  throw SingleInstanceError("An instance is running but did not take the message within " + limit + " (at " +
                            socketPath + ").");
}

LocalSingleInstance::Delivery LocalSingleInstance::Send(const std::string& socketPath, const std::string& message,
                                                       int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(socketPath));
  if (!socket.waitForConnected(timeoutMs)) return Delivery::NotListening;
  socket.write(QByteArray::fromStdString(message) + '\n');
  if (!socket.waitForBytesWritten(timeoutMs)) return Delivery::NoAnswer;
  // Wait until the receiver has handled it, like a synchronous send.
  while (socket.bytesAvailable() == 0)
    if (!socket.waitForReadyRead(timeoutMs)) return Delivery::NoAnswer;
  return socket.read(1) == QByteArray(1, kAck) ? Delivery::Delivered : Delivery::NoAnswer;
}

void LocalSingleInstance::Listen(std::function<void(const std::string&)> onMessage) {
  onMessage_ = std::move(onMessage);
  if (server_ || folder_.empty() || name_.empty() || lockFd_ < 0) return;
  std::string path = folder_ + "/" + name_;
  ::unlink(path.c_str());  // we hold the lock, so any socket left there is stale
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(QString::fromStdString(path))) {
    // Later starts would wait for us in vain; say why at least.
    std::fprintf(stderr, "toviwall: later starts cannot reach this one: cannot listen on %s: %s\n", path.c_str(),
                 server_->errorString().toLocal8Bit().constData());
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
