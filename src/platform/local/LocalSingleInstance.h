#pragma once
// Single instance through a per-user folder (mode 0700, not a link): an flock()ed
// lock file is the mutex, a local socket beside it carries messages and
// commands (base/RemoteProtocol.h). The folder is the first usable of
// $XDG_RUNTIME_DIR, $TMPDIR/toviwall-<uid> (/tmp by default) and
// $XDG_CACHE_HOME/toviwall (~/.cache/toviwall). A lock beside the settings file
// (SettingsFileLock) keeps to one instance per settings file also across
// per-user folders: a start that finds it held hands its message or command
// to the holder's socket.
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/SingleInstance.h"
#include "platform/local/SettingsFileLock.h"

class QSocketNotifier;

namespace toviwall::platform {

class LocalSingleInstance final : public QObject, public SingleInstance {
  Q_OBJECT
 public:
  // `folder` empty: the per-user folder chosen as above. `settingsFile` empty:
  // no lock beside it.
  explicit LocalSingleInstance(std::string folder = {}, const std::string& settingsFile = {});
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
  // At most this many connections at once, holding at most this many bytes
  // of unfinished messages in all: beyond them the connection idle the
  // longest is dropped, or, when all wait for answers, the new one refused.
  static constexpr std::size_t kMaxPeers = 32;
  static constexpr std::size_t kMaxPendingBytes = std::size_t{16} << 20;
  // After a failed accept (no descriptors left), listening pauses this long
  // at first, doubling up to a second.
  static constexpr std::chrono::milliseconds kAcceptPause{100};

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
  // Takes the lock in our folder, marked as starting; false when another holds it.
  bool Claimed();
  // This start holds the name in its folder: true when another instance runs
  // on the settings file all the same, which has been handed `message`.
  bool RunsOnTheSettingsFile(const std::string& message);
  // Throws when the settings file's holder cannot be reached from here.
  void CheckReachable(const SettingsFileLock::Holder& holder) const;
  [[noreturn]] void Unreachable(const SettingsFileLock::Holder& holder, const std::string& why) const;
  void Accept();
  void Admit(int fd);
  // Drops connections still sending, the longest idle first, until what they
  // hold fits the bound; answers whether `current` is still there.
  bool KeepPendingBounded(const Peer* current);
  void Complain(const std::string& text);
  void CloseListener();

  std::string folder_;
  std::string name_;
  int lockFd_ = -1;
  std::unique_ptr<SettingsFileLock> settings_;
  int listenFd_ = -1;
  std::string socketPath_;
  QTimer acceptPause_;
  std::chrono::milliseconds pause_ = kAcceptPause;
  std::unique_ptr<QSocketNotifier> incoming_;
  std::vector<Peer*> peers_;  // owned as children; each takes itself off when it goes
  static constexpr unsigned kComplaintsPerSecond = 5;
  std::chrono::steady_clock::time_point lastComplaint_{};
  unsigned told_ = 0;    // complaints printed in this second
  unsigned untold_ = 0;  // and held back
  MessageHandler onMessage_;
  RequestHandler onRequest_;
};

}  // namespace toviwall::platform
