#pragma once
// Watching a folder for changes below it: files and folders created, deleted
// or renamed (and, when asked, attribute, size and write changes). A running
// watch has a thread of its own and calls its callbacks there; the caller
// hands them on to its own thread. Ending the watch (destroying it) returns
// only after that thread has ended, and no callback runs after it.
//
// The watch outlives its folder: when the folder is deleted, moved away or
// its file system unmounted, the watch waits for that path to be a folder
// again (made anew, moved back, mounted again), watches it then and reports
// a change. Folders below that could not be watched for want of permission
// are tried again when their permissions change.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace toviwall::platform {

// Kinds of change, as bits of a mask.
namespace changes {
inline constexpr unsigned kFileName = 0x1;    // a file created, deleted or renamed
inline constexpr unsigned kDirName = 0x2;     // a folder created, deleted or renamed
inline constexpr unsigned kAttributes = 0x4;  // permissions, owner, times set by hand
inline constexpr unsigned kSize = 0x8;
inline constexpr unsigned kLastWrite = 0x10;
inline constexpr unsigned kSecurity = 0x100;
}  // namespace changes

struct WatchRequest {
  std::string directory;
  unsigned changes = changes::kFileName;
  // Also every folder below, at any depth, also those that appear later.
  // Folders whose names begin with "." (caches, thumbnails, version control)
  // are left out, as the folder scan leaves them out.
  bool nested = false;
  // The program's own files: their writes are no changes. They are written
  // whole through a hidden temporary file beside them (".NAME.*.tmp"), so
  // events on those names are left out too.
  std::vector<std::string> ownFiles;
  // Names beginning with "." are no changes, but for files whose names this
  // answers true for (unset: every file). Hidden folders never are.
  std::function<bool(std::string_view name)> hiddenFileCounts;
};

// A folder that could not be watched, and why.
struct WatchProblem {
  std::string path;        // the first folder that failed (the watched folder itself, or one below)
  int error = 0;           // its errno: EACCES, ENOSPC (the limit on watches), ENOENT, EMFILE, ...
  std::size_t others = 0;  // further folders that failed in the same pass
  // ENOSPC: fs.inotify.max_user_watches; EMFILE: fs.inotify.max_user_instances (0: unknown).
  unsigned long limit = 0;
};

struct WatchCallbacks {
  // Something of the kinds asked for changed; one call for every burst of changes read at once.
  std::function<void()> changed;
  // The folders present at the start are watched (`folders` of them).
  std::function<void(std::size_t folders)> ready;
  // Some folder could not be watched. What could be watched stays watched.
  std::function<void(const WatchProblem& problem)> problem;
};

class RunningWatch {
 public:
  virtual ~RunningWatch() = default;
};

class DirectoryWatch {
 public:
  virtual ~DirectoryWatch() = default;
  // Starts watching; throws std::runtime_error when the watch's thread cannot
  // be had. A folder that cannot be watched is reported through `problem`.
  virtual std::unique_ptr<RunningWatch> Start(const WatchRequest& request, WatchCallbacks callbacks) = 0;
};

}  // namespace toviwall::platform
