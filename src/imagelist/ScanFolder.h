#pragma once
// Collects every file below a folder, whatever its type, for a batch of the
// image list.
#include <functional>
#include <string>

namespace toviwall {

class PathSet;

// `pattern` is a folder path followed by "/" and a file mask ("*.*" or "*" take
// every name). Adds the path of every file of that folder and of all its
// sub-folders, at any depth, to `into`: hidden files included, folders whose
// names begin with "." skipped, devices, pipes and sockets left out, and so are
// names holding a CR or LF, which the list file cannot keep. Folder
// links are followed, each folder visited once. What cannot be read is
// skipped. `pump` runs after every file, so the caller can keep its window alive;
// the walk ends early once `cancelled` answers true (asked after every file and
// folder).
void ScanFolder(const std::string& pattern, PathSet& into, const std::function<void()>& pump = {},
                const std::function<bool()>& cancelled = {});

}  // namespace toviwall
