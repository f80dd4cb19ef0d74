#pragma once
// One running program per settings file, whatever its per-user folder (a start
// from cron, ssh or a key-binding daemon may have another XDG_RUNTIME_DIR): an
// flock()ed file beside the settings file, ".NAME.lock", which its holder
// fills with where it can be reached.
#include <optional>
#include <string>

namespace toviwall::platform {

class SettingsFileLock {
 public:
  explicit SettingsFileLock(const std::string& settingsFile);
  ~SettingsFileLock();  // releases it
  SettingsFileLock(const SettingsFileLock&) = delete;
  SettingsFileLock& operator=(const SettingsFileLock&) = delete;

  const std::string& SettingsFile() const { return settingsFile_; }

  // Takes the lock: true when this process holds it now, and also when there
  // is no lock to be had (its file cannot be made): nothing guards then.
  bool Claim();
  // The socket this process listens on from now on ("": none, as while it
  // starts). Nothing when it does not hold the lock.
  void Announce(const std::string& socket);
  // This process is ending: it listens no more.
  void AnnounceEnd();

  struct Holder {
    long pid = 0;
    std::string host;    // empty when unknown
    std::string socket;  // empty while it starts or ends
    bool ending = false;
  };
  // Who holds the lock, when another process does.
  std::optional<Holder> HeldBy() const;

 private:
  void Write(const std::string& socket, bool ending);

  std::string settingsFile_;
  std::string path_;
  int fd_ = -1;
};

// This machine's name, as the lock file records it.
std::string HostName();

}  // namespace toviwall::platform
