#include "platform/local/LocalSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QLocalSocket>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "base/SettingsPaths.h"

namespace toviwall::platform {
namespace {

constexpr char kAck = '\x06';
constexpr int kStartWaitMs = static_cast<int>(std::chrono::milliseconds(LocalSingleInstance::kStartWait).count());
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

// The holder of the lock file writes "ending" into it once it listens no more;
// it is empty from the claim on. A holder that is not listening is starting
// unless it says so.
constexpr char kEnding[] = "ending\n";

void MarkLock(int fd, bool ending) {
  if (ending) (void)!::pwrite(fd, kEnding, sizeof kEnding - 1, 0);
  else (void)!::ftruncate(fd, 0);
}

bool MarkedEnding(int fd) {
  char text[sizeof kEnding] = {};
  return ::pread(fd, text, sizeof text - 1, 0) == static_cast<ssize_t>(sizeof kEnding - 1) &&
         std::strcmp(text, kEnding) == 0;
}

// True while a process holds the lock file (nothing is claimed here).
bool Held(const std::string& lockPath) {
  const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // releases it when it was ours for the moment
  return held;
}

// A request over a connected socket; the answer once it is final.
remote::Reply Talk(QLocalSocket& socket, const remote::Request& request) {
  socket.write(QByteArray::fromStdString(remote::Encode(request)));
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(kStartWaitMs))
      throw SingleInstanceError(socket.state() == QLocalSocket::ConnectedState
                                    ? "The running instance did not take the command within 30 s."
                                    : "The running instance closed the connection before it took the command.");
  }
  remote::Reader reader(remote::kMaxReplyBytes, false);
  bool first = true;
  for (;;) {
    remote::Message message;
    const remote::Reader::State state = reader.Next(message);
    if (state == remote::Reader::State::Malformed)
      throw SingleInstanceError("The running instance gave a malformed answer: " + reader.Why() + ".");
    if (state == remote::Reader::State::Ready) {
      std::string why;
      std::optional<remote::Reply> reply = remote::DecodeReply(message, why);
      if (!reply) throw SingleInstanceError("The running instance gave a malformed answer: " + why + ".");
      if (reply->status != remote::Status::Working) return *reply;
      continue;
    }
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(kStartWaitMs)) {
      if (socket.state() != QLocalSocket::ConnectedState)
        throw SingleInstanceError("The running instance closed the connection without an answer.");
      throw SingleInstanceError("The running instance did not answer within 30 s.");
    }
    const QByteArray bytes = socket.read(64 * 1024);
    // A program of an earlier version acknowledges any line it does not know.
    if (first && bytes.startsWith(kAck))
      throw SingleInstanceError(
          "The running instance is an earlier version that takes no commands; end it (Exit in its tray menu) "
          "and try again.");
    first = false;
    reader.Append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
}

void Log(const std::string& text) { std::fprintf(stderr, "toviwall: %s\n", text.c_str()); }

}  // namespace

// One connection of a later start or another local program: plain messages,
// each acknowledged once handled, or one request, answered when carried out.
class LocalSingleInstance::Peer final : public QObject {
 public:
  using Clock = std::chrono::steady_clock;

  Peer(LocalSingleInstance& owner, QLocalSocket* socket) : QObject(&owner), owner_(owner), socket_(socket) {
    owner_.peers_.push_back(this);
    socket_->setParent(this);
    // Qt keeps no more than this of what arrives before we read it.
    socket_->setReadBufferSize(64 * 1024);
    connect(socket_, &QLocalSocket::disconnected, this, &QObject::deleteLater);
    connect(socket_, &QLocalSocket::readyRead, this, [this] { Read(); });
    idle_.setSingleShot(true);
    idle_.setInterval(kMessageWait);
    connect(&idle_, &QTimer::timeout, this, [this] {
      Read();  // what came while the program was busy
      if (!owed_ && reader_.Pending() > 0) Drop("dropped a connection whose message was not finished within 10 s");
      else if (!owed_) Close();
    });
    alive_.setInterval(kSignOfLife);
    connect(&alive_, &QTimer::timeout, this, [this] { Write(remote::Reply{remote::Status::Working, {}}); });
    idle_.start();
  }

  ~Peer() override { Leave(); }

  bool Owed() const { return owed_; }
  std::size_t Pending() const { return reader_.Pending(); }
  Clock::time_point LastHeard() const { return lastHeard_; }

  void Read() {
    while (!owed_ && socket_ && socket_->bytesAvailable() > 0) {
      const QByteArray bytes = socket_->read(64 * 1024);
      lastHeard_ = Clock::now();
      reader_.Append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
      if (!owner_.KeepPendingBounded(this)) return;
      remote::Message message;
      for (;;) {
        const remote::Reader::State state = reader_.Next(message);
        if (state == remote::Reader::State::NeedMore) break;
        if (state == remote::Reader::State::Malformed)
          return Drop("ignored a malformed message on the single-instance socket: " + reader_.Why());
        if (message.kind == remote::Message::Kind::Line) {
          idle_.start();  // the sender may have more lines
          QPointer<Peer> self(this);
          if (owner_.onMessage_) owner_.onMessage_(message.line);
          if (!self) return;
          socket_->write(QByteArray(1, kAck));
          socket_->flush();
          continue;
        }
        Take(message);
        return;
      }
    }
  }

 private:
  void Take(const remote::Message& frame) {
    idle_.stop();
    owed_ = true;
    std::string why;
    std::optional<remote::Request> request = remote::DecodeRequest(frame, why);
    if (!request) {
      Log("refused a request: " + why);
      return Answer(remote::Reply{remote::Status::Refused, {"the running program cannot take " + why}});
    }
    if (!owner_.onRequest_)
      return Answer(remote::Reply{remote::Status::Refused, {"the running program takes no commands yet"}});
    alive_.start();
    QPointer<Peer> self(this);
    owner_.onRequest_(*request, [self](const remote::Reply& reply) {
      if (self) self->Answer(reply);
    });
  }

  void Answer(const remote::Reply& reply) {
    if (!owed_) return;
    if (reply.status == remote::Status::Working) return Write(reply);
    owed_ = false;
    alive_.stop();
    Write(reply);
    Close();
  }

  void Write(const remote::Reply& reply) {
    if (!socket_ || socket_->state() != QLocalSocket::ConnectedState) return;
    socket_->write(QByteArray::fromStdString(remote::Encode(reply)));
    // Out at once: the answer to an exit is the last thing the program does.
    socket_->flush();
  }

  void Close() {
    if (socket_) socket_->disconnectFromServer();
  }

 public:
  // Nothing more is taken from this sender; `why` goes to stderr.
  void Drop(const std::string& why) {
    Leave();
    owner_.Complain(why);
    owed_ = false;
    idle_.stop();
    alive_.stop();
    if (socket_) socket_->abort();
    deleteLater();
  }

 private:
  // No longer counted among the connections (it is on its way out).
  void Leave() {
    auto& peers = owner_.peers_;
    peers.erase(std::remove(peers.begin(), peers.end(), this), peers.end());
  }

  LocalSingleInstance& owner_;
  QPointer<QLocalSocket> socket_;
  remote::Reader reader_{remote::kMaxRequestBytes, true};
  QTimer idle_;
  QTimer alive_;
  bool owed_ = false;
  Clock::time_point lastHeard_ = Clock::now();
};

LocalSingleInstance::LocalSingleInstance(std::string folder, const std::string& settingsFile)
    : folder_(std::move(folder)),
      settings_(settingsFile.empty() ? nullptr : std::make_unique<SettingsFileLock>(settingsFile)) {
  acceptPause_.setSingleShot(true);
  connect(&acceptPause_, &QTimer::timeout, this, [this] {
    if (incoming_) incoming_->setEnabled(true);
    Accept();
  });
}

LocalSingleInstance::~LocalSingleInstance() {
  StopListening();
  // The connections go while the list they take themselves off is still there.
  const QObjectList children = this->children();
  for (QObject* child : children) delete dynamic_cast<Peer*>(child);
  if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

std::string LocalSingleInstance::RuntimeFolder(const std::string& name) {
  struct Candidate {
    std::string path;
    bool create;
    std::string parent;  // made first when missing
  };
  std::vector<Candidate> candidates;
  const ProcessEnvironment folders = ProcessEnvironment::UserFolders();
  if (!folders.runtimeDir.empty()) candidates.push_back({folders.runtimeDir, false, {}});
  std::string tmp = Env("TMPDIR");
  if (tmp.empty() || tmp[0] != '/') tmp = "/tmp";
  candidates.push_back({tmp + "/toviwall-" + std::to_string(::getuid()), true, {}});
  // Another user may have taken the shared name in /tmp first; the cache folder
  // in our home is out of their reach.
  const std::string& cache = folders.cacheHome;
  if (!cache.empty() && cache[0] == '/') candidates.push_back({cache + "/toviwall", true, cache});

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

std::string LocalSingleInstance::FolderFor(const std::string& name) {
  if (folder_.empty()) {
    folder_ = RuntimeFolder(name);
  } else if (std::string why = Unusable(folder_, name, false); !why.empty()) {
    throw SingleInstanceError("Cannot keep to one running instance: cannot use " + folder_ + " for its lock: " + why);
  }
  return folder_;
}

bool LocalSingleInstance::OtherInstanceRunning(const std::string& name, const std::string& message) {
  name_ = name;
  const std::string lockPath = FolderFor(name) + "/" + name + ".lock";
  lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  // No lock to be had: run as the first, unless one runs on the settings file.
  if (lockFd_ < 0) return RunsOnTheSettingsFile(message);
  if (Claimed()) return RunsOnTheSettingsFile(message);  // the first here
  if (message.empty()) {
    ::close(lockFd_);
    lockFd_ = -1;
    return true;
  }

  // The first instance listens once its window is built. Until then it would
  // not hear the message (its first-run question may be open): this start is
  // over at once. One that is ending is waited for, within a limit; once it
  // has ended, this start becomes the first.
  const std::string socketPath = folder_ + "/" + name;
  const auto deadline = std::chrono::steady_clock::now() + kStartWait;
  Delivery delivery = Delivery::NotListening;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    delivery = Send(socketPath, message, static_cast<int>(std::max<long long>(left.count(), 1)));
    if (delivery != Delivery::NotListening) break;
    if (Claimed()) return RunsOnTheSettingsFile(message);
    if (!MarkedEnding(lockFd_)) {
      delivery = Delivery::Delivered;  // and not heard, as a start before it listens is not
      break;
    }
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

bool LocalSingleInstance::Claimed() {
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) return false;
  MarkLock(lockFd_, false);  // starting
  return true;
}

bool LocalSingleInstance::RunsOnTheSettingsFile(const std::string& message) {
  if (!settings_) return false;
  // As in our folder: a holder that is starting (it names no socket yet) would
  // not hear the message; one that is ending is waited for. A start for a
  // command (no message) waits until the holder listens.
  const auto deadline = std::chrono::steady_clock::now() + kStartWait;
  for (;;) {
    if (settings_->Claim()) return false;
    const std::optional<SettingsFileLock::Holder> holder = settings_->HeldBy();
    if (holder && holder->socket.empty() && !holder->ending && !message.empty()) {
      if (!holder->host.empty() && holder->host != HostName()) Unreachable(*holder, "it runs on " + holder->host);
      if (lockFd_ >= 0) ::close(lockFd_);
      lockFd_ = -1;
      return true;
    }
    if (holder && !holder->socket.empty()) {
      CheckReachable(*holder);
      if (!message.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const Delivery delivery = Send(holder->socket, message, static_cast<int>(std::max<long long>(left.count(), 1000)));
        if (delivery == Delivery::NotListening) Unreachable(*holder, "nothing answers at " + holder->socket);
        if (delivery == Delivery::NoAnswer)
          throw SingleInstanceError("The running instance took the message but did not answer within " +
                                    std::to_string(kStartWait.count()) + " s.");
      }
      if (lockFd_ >= 0) ::close(lockFd_);  // this start ends: the name is free again
      lockFd_ = -1;
      return true;
    }
    if (holder && std::chrono::steady_clock::now() >= deadline)
      Unreachable(*holder, "it did not start listening within " + std::to_string(kStartWait.count()) + " s");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void LocalSingleInstance::CheckReachable(const SettingsFileLock::Holder& holder) const {
  if (!holder.host.empty() && holder.host != HostName()) Unreachable(holder, "it runs on " + holder.host);
  // As our own: only a folder of this user alone is trusted with a command.
  const std::size_t slash = holder.socket.find_last_of('/');
  if (slash == std::string::npos || slash == 0) Unreachable(holder, "it names no socket");
  if (std::string why = Unusable(holder.socket.substr(0, slash), holder.socket.substr(slash + 1), false);
      !why.empty())
    Unreachable(holder, "its socket's folder " + holder.socket.substr(0, slash) + " is " + why);
}

void LocalSingleInstance::Unreachable(const SettingsFileLock::Holder& holder, const std::string& why) const {
  throw SingleInstanceError("The settings file " + settings_->SettingsFile() +
                            " is in use by another running Tovi WallChanger (process " + std::to_string(holder.pid) +
                            "), which cannot be reached from here: " + why +
                            ". End that one first, or start this one with another settings file.");
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

SingleInstance::Outcome LocalSingleInstance::SendRequest(const std::string& name, const remote::Request& request,
                                                         remote::Reply& reply) {
  const std::string folder = FolderFor(name);
  const std::string lockPath = folder + "/" + name + ".lock";
  // As for a message: an instance that holds the name but does not listen yet
  // is still starting, and is waited for.
  const auto deadline = std::chrono::steady_clock::now() + kStartWait;
  for (;;) {
    std::string socketPath = folder + "/" + name;
    std::optional<SettingsFileLock::Holder> holder;
    if (!Held(lockPath)) {
      // None here; one on the settings file from another folder takes it.
      if (settings_) holder = settings_->HeldBy();
      if (!holder) return Outcome::NotRunning;
      socketPath = holder->socket;
      if (!socketPath.empty()) CheckReachable(*holder);
    }
    if (!socketPath.empty()) {
      QLocalSocket socket;
      socket.connectToServer(QString::fromStdString(socketPath));
      if (socket.waitForConnected(1000)) {
        reply = Talk(socket, request);
        return Outcome::Answered;
      }
      if (holder) Unreachable(*holder, "nothing answers at " + socketPath);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      if (!Held(lockPath) && !(settings_ && settings_->HeldBy())) return Outcome::NotRunning;
      throw SingleInstanceError("An instance is running but did not take the command within " +
                                std::to_string(kStartWait.count()) + " s (at " + socketPath + ").");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

bool LocalSingleInstance::WaitUntilReleased(const std::string& name, std::chrono::milliseconds timeout) {
  const std::string lockPath = FolderFor(name) + "/" + name + ".lock";
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (Held(lockPath) || (settings_ && settings_->HeldBy())) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

void LocalSingleInstance::Listen(MessageHandler onMessage, RequestHandler onRequest) {
  onMessage_ = std::move(onMessage);
  onRequest_ = std::move(onRequest);
  if (listenFd_ >= 0 || folder_.empty() || name_.empty() || lockFd_ < 0) return;
  const std::string path = folder_ + "/" + name_;
  ::unlink(path.c_str());  // we hold the lock, so any socket left there is stale
  // Our own listening socket rather than QLocalServer's, which stops for good
  // at the first failed accept.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), std::min(path.size(), kMaxSocketPath));
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, SOMAXCONN) != 0) {
    // Later starts would wait for us in vain; say why at least.
    Log("later starts cannot reach this one: cannot listen on " + path + ": " + std::strerror(errno));
    if (fd >= 0) ::close(fd);
    return;
  }
  listenFd_ = fd;
  socketPath_ = path;
  incoming_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(incoming_.get(), &QSocketNotifier::activated, this, [this] { Accept(); });
  if (settings_) settings_->Announce(path);  // for starts from other folders
}

void LocalSingleInstance::StopListening() {
  // Said first: a start that comes now waits for the end instead of finding a
  // dead socket, or taking us for one still starting.
  if (settings_) settings_->AnnounceEnd();
  if (lockFd_ >= 0) MarkLock(lockFd_, true);
  CloseListener();
}

void LocalSingleInstance::CloseListener() {
  if (listenFd_ < 0) return;
  incoming_.reset();
  acceptPause_.stop();
  ::close(listenFd_);
  listenFd_ = -1;
  ::unlink(socketPath_.c_str());  // later starts wait for the lock instead
}

void LocalSingleInstance::Accept() {
  while (listenFd_ >= 0) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
      pause_ = kAcceptPause;
      Admit(fd);
      continue;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) return;
    if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) continue;
    // Out of descriptors or memory: the connections wait in the queue while
    // listening pauses, which a level-triggered notice would not let it do.
    Complain(std::string("cannot take a connection on the single-instance socket for now: ") + std::strerror(errno));
    incoming_->setEnabled(false);
    acceptPause_.start(pause_);
    pause_ = std::min(pause_ * 2, std::chrono::milliseconds(1000));
    return;
  }
}

void LocalSingleInstance::Admit(int fd) {
  // The folder is ours alone; a connection from another user got there some
  // other way and is not listened to.
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::getuid()) {
    Complain("refused a connection of user " + std::to_string(peer.uid) + " on the single-instance socket");
    ::close(fd);
    return;
  }
  if (peers_.size() >= kMaxPeers) {
    Peer* idlest = nullptr;
    for (Peer* p : peers_)
      if (!p->Owed() && (!idlest || p->LastHeard() < idlest->LastHeard())) idlest = p;
    if (!idlest) {
      Complain("refused a connection on the single-instance socket: " + std::to_string(peers_.size()) +
               " others wait for their answers");
      ::close(fd);
      return;
    }
    idlest->Drop("dropped the connection idle the longest on the single-instance socket: " +
                 std::to_string(kMaxPeers) + " are open");
  }
  auto* socket = new QLocalSocket;
  if (!socket->setSocketDescriptor(fd)) {
    delete socket;
    ::close(fd);
    return;
  }
  new Peer(*this, socket);  // owned by this object; ends itself with its connection
}

bool LocalSingleInstance::KeepPendingBounded(const Peer* current) {
  for (;;) {
    std::size_t pending = 0;
    Peer* idlest = nullptr;
    for (Peer* p : peers_) {
      pending += p->Pending();
      if (!p->Owed() && p->Pending() > 0 && (!idlest || p->LastHeard() < idlest->LastHeard())) idlest = p;
    }
    if (pending <= kMaxPendingBytes || !idlest) return true;
    const bool self = idlest == current;
    idlest->Drop("dropped a connection on the single-instance socket: unfinished messages hold more than " +
                 std::to_string(kMaxPendingBytes >> 20) + " MiB");
    if (self) return false;
  }
}

void LocalSingleInstance::Complain(const std::string& text) {
  // A flood of connections is a few lines a second, not one each.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastComplaint_ >= std::chrono::seconds(1)) {
    if (untold_ > 0) Log("(" + std::to_string(untold_) + " more such messages were left out)");
    lastComplaint_ = now;
    told_ = 0;
    untold_ = 0;
  }
  if (told_ < kComplaintsPerSecond) {
    ++told_;
    Log(text);
  } else {
    ++untold_;
  }
}

}  // namespace toviwall::platform
