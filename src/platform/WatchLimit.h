#pragma once
// Which of the system's limits a folder watch ran into, for the warning that
// names it: the same errno stands for several limits, and inside a container
// (a user namespace) its own limits may be lower than the system's.
#include <optional>
#include <string>

namespace toviwall::platform {

struct WatchLimit {
  enum class Kind {
    Watches,      // watched folders of this user
    Instances,    // programs of this user that watch folders
    OpenFiles,    // files this program may have open
    SystemFiles,  // files the whole system may have open
  };
  Kind kind = Kind::Watches;
  std::string setting;      // where it is set: "fs.inotify.max_user_watches", "ulimit -n", ...
  unsigned long value = 0;  // 0: unknown
  bool namespaceOwn = false;  // the user namespace's own limit, below the system's
};

// The limit behind a watch's failure with `error` (ENOSPC, EMFILE, ENFILE), as
// the system stands now; nullopt for an error that is no limit.
std::optional<WatchLimit> WatchLimitReached(int error);

}  // namespace toviwall::platform
