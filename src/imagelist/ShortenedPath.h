#pragma once
// A folder path shortened for the status line of the folder browser.
#include <cstddef>
#include <string>

namespace toviwall {

// At most `n` characters (bytes): a path that fits is kept whole. Otherwise its
// head, the volume it lies on, stays, followed by "/...", and whole leading
// folders of the rest go until the rest fits:
//   /home/user/Documents/Holiday Snapshots/Pictures/Sample Pictures
//   -> /home/user/.../Pictures/Sample Pictures
// The head of an absolute path is its first two names (a home folder
// /home/user, a mount point /media/disk, //server/share); of a relative path
// (C:/Docs/...) its first name. A path without a folder to leave out is cut to
// `n` characters; a rest that still does not fit ends in "...".
std::string ShortenedPath(const std::string& path, std::size_t n = 50);

}  // namespace toviwall
