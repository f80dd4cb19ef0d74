#pragma once
// What choosing an image folder may cost: the top of a file system, or the
// home folder itself, holds everything on the disk, and a scan walks all of it.
#include <string>

namespace toviwall {

enum class LargeFolder { None, FileSystemRoot, Home };

// FileSystemRoot for "/" and any other mount point (a disk, a stick), Home for
// the home folder itself; folders are compared as the same folder on disk, so
// a trailing "/" or a link to it counts too. A folder that cannot be looked at
// is None.
LargeFolder LargeFolderKind(const std::string& folder, const std::string& home);

}  // namespace toviwall
