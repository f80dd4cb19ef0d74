#pragma once
// Moving a file to the user's trash as the freedesktop.org trash does it, so
// file managers list it and can put it back: the file goes to Trash/files, a
// NAME.trashinfo beside it in Trash/info says where it came from and when it
// went. Plain logic.
#include <ctime>
#include <string>

namespace toviwall {

// The text of an info file: the original path percent-escaped as in a URL,
// the local time of the deletion.
std::string TrashInfoText(const std::string& absolutePath, std::time_t deletedAt);

// Moves `path` (absolute) into the trash: the one under `dataHome` (the
// user's $XDG_DATA_HOME) when the file is on that file system, else the trash
// at the top of the file's own mount ($topdir/.Trash/$uid, $topdir/.Trash-$uid).
// A file is never copied between file systems. Answers the path the file has
// in the trash; throws std::runtime_error with the reason, and then the file
// is where it was and no info file is left behind.
std::string MoveToTrash(const std::string& path, const std::string& dataHome);

}  // namespace toviwall
