#include "imagelist/ImageFolderChoice.h"

#include <sys/stat.h>

namespace toviwall {

LargeFolder LargeFolderKind(const std::string& folder, const std::string& home) {
  struct stat self {}, parent {}, homeStat {};
  if (folder.empty() || ::stat(folder.c_str(), &self) != 0 || !S_ISDIR(self.st_mode)) return LargeFolder::None;
  if (!home.empty() && ::stat(home.c_str(), &homeStat) == 0 && homeStat.st_dev == self.st_dev &&
      homeStat.st_ino == self.st_ino)
    return LargeFolder::Home;
  if (::stat((folder + "/..").c_str(), &parent) != 0) return LargeFolder::None;
  // The top of a file system: its parent lies on another one, or is itself ("/").
  if (parent.st_dev != self.st_dev || parent.st_ino == self.st_ino) return LargeFolder::FileSystemRoot;
  return LargeFolder::None;
}

}  // namespace toviwall
