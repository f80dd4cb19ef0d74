#include "platform/local/SettingsFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>

namespace toviwall::platform {
namespace {

std::string LockPathFor(const std::string& settingsFile) {
  const std::size_t slash = settingsFile.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : settingsFile.substr(0, slash + 1);
  return folder + "." + settingsFile.substr(slash == std::string::npos ? 0 : slash + 1) + ".lock";
}

}  // namespace

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

SettingsFileLock::SettingsFileLock(const std::string& settingsFile)
    : settingsFile_(settingsFile), path_(LockPathFor(settingsFile)) {}

SettingsFileLock::~SettingsFileLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool SettingsFileLock::Claim() {
  if (fd_ >= 0) return true;
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return true;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return !held;  // a file system without locks guards nothing either
  }
  fd_ = fd;
  Announce({});
  return true;
}

void SettingsFileLock::Announce(const std::string& socket) { Write(socket, false); }
void SettingsFileLock::AnnounceEnd() { Write({}, true); }

void SettingsFileLock::Write(const std::string& socket, bool ending) {
  if (fd_ < 0) return;
  const std::string text = "pid=" + std::to_string(::getpid()) + "\nhost=" + HostName() + "\n" +
                           (ending ? "ending=1\n" : "") + "socket=" + socket + "\n";
  // Written over the old text before it is cut: a reader sees one or the other whole, or
  // the new one with the old one's end after its last line.
  if (::pwrite(fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()))
    (void)!::ftruncate(fd_, static_cast<off_t>(text.size()));
}

std::optional<SettingsFileLock::Holder> SettingsFileLock::HeldBy() const {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  if (::flock(fd, LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK) {
    ::close(fd);  // free (and no longer held by us for the moment)
    return std::nullopt;
  }
  char buffer[4096];
  const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
  ::close(fd);
  Holder holder;
  std::istringstream lines(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0));
  bool ended = false;
  for (std::string line; std::getline(lines, line) && !lines.eof();) {
    if (line.rfind("pid=", 0) == 0) holder.pid = std::strtol(line.c_str() + 4, nullptr, 10);
    else if (line.rfind("host=", 0) == 0) holder.host = line.substr(5);
    else if (line == "ending=1") holder.ending = true;
    else if (line.rfind("socket=", 0) == 0) holder.socket = line.substr(7), ended = true;
  }
  if (!ended) holder = Holder{holder.pid, holder.host, {}, true};  // caught half written: wait and see
  return holder;
}

}  // namespace toviwall::platform
