#pragma once
// DirectoryWatch on Linux: an inotify watch on the folder and, for a nested
// watch, on every folder below it (added as folders appear or are moved in,
// dropped as they go or are moved out). One thread per running watch waits on
// the inotify descriptor and on an eventfd that ends it.
#include "platform/DirectoryWatch.h"

namespace toviwall::platform {

class InotifyDirectoryWatch final : public DirectoryWatch {
 public:
  std::unique_ptr<RunningWatch> Start(const WatchRequest& request, WatchCallbacks callbacks) override;
};

}  // namespace toviwall::platform
