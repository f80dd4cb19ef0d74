#include "platform/WatchLimit.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

namespace toviwall::platform {
namespace {

// A sysctl setting's value ("fs.file-max" is /proc/sys/fs/file-max); 0 when unknown.
unsigned long Setting(std::string name) {
  for (char& c : name)
    if (c == '.') c = '/';
  unsigned long value = 0;
  std::ifstream("/proc/sys/" + name) >> value;
  return value;
}

// The system's limit, or this user namespace's when that one is lower: the
// first shows the outermost value, the second the one in force here.
WatchLimit InotifyLimit(WatchLimit::Kind kind, const char* system, const char* own) {
  const unsigned long systemValue = Setting(system);
  const unsigned long ownValue = Setting(own);
  if (ownValue > 0 && (systemValue == 0 || ownValue < systemValue)) return {kind, own, ownValue, true};
  return {kind, system, systemValue, false};
}

// This program has as many files open as it may, or nearly: the call that
// failed may have been one of several, and some may be closed again by now.
std::optional<unsigned long> OpenFilesLimitReached() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
  const auto reached = static_cast<unsigned long>(limit.rlim_cur);
  const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (probe < 0) return errno == EMFILE ? std::optional(reached) : std::nullopt;
  ::close(probe);
  std::error_code error;
  std::size_t open = 0;
  for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error))
    ++open;
  return !error && open + 2 >= limit.rlim_cur ? std::optional(reached) : std::nullopt;
}

}  // namespace

std::optional<WatchLimit> WatchLimitReached(int error) {
  switch (error) {
    case ENOSPC:
      return InotifyLimit(WatchLimit::Kind::Watches, "fs.inotify.max_user_watches", "user.max_inotify_watches");
    case EMFILE:
      if (std::optional<unsigned long> files = OpenFilesLimitReached())
        return WatchLimit{WatchLimit::Kind::OpenFiles, "ulimit -n", *files, false};
      return InotifyLimit(WatchLimit::Kind::Instances, "fs.inotify.max_user_instances", "user.max_inotify_instances");
    case ENFILE:
      return WatchLimit{WatchLimit::Kind::SystemFiles, "fs.file-max", Setting("fs.file-max"), false};
    default:
      return std::nullopt;
  }
}

}  // namespace toviwall::platform
