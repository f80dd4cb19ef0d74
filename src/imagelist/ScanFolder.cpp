#include "imagelist/ScanFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <utility>
#include <vector>

#include "imagelist/PathSet.h"

namespace toviwall {
namespace {

class Dir {
 public:
  explicit Dir(const std::string& path) : dir_(opendir(path.c_str())) {}
  ~Dir() {
    if (dir_) closedir(dir_);
  }
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;
  explicit operator bool() const { return dir_ != nullptr; }
  int Fd() const { return dirfd(dir_); }
  dirent* Next() { return readdir(dir_); }

 private:
  DIR* dir_;
};

}  // namespace

void ScanFolder(const std::string& pattern, PathSet& into, const std::function<void()>& pump) {
  std::size_t slash = pattern.find_last_of('/');
  std::string root = slash == std::string::npos ? std::string("./") : pattern.substr(0, slash + 1);
  std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  const bool everyName = mask.empty() || mask == "*" || mask == "*.*";

  std::set<std::pair<dev_t, ino_t>> visited;  // a folder link may lead back up the tree
  std::vector<std::string> folders{root};
  while (!folders.empty()) {
    std::string base = std::move(folders.back());
    folders.pop_back();
    Dir dir(base);
    if (!dir) continue;
    struct stat self {};
    if (fstat(dir.Fd(), &self) == 0 && !visited.emplace(self.st_dev, self.st_ino).second) continue;
    while (dirent* e = dir.Next()) {
      const char* name = e->d_name;
      unsigned char type = e->d_type;
      if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat st {};
        if (fstatat(dir.Fd(), name, &st, 0) != 0) continue;  // a dangling link
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
      }
      if (type == DT_DIR) {
        if (name[0] != '.') folders.push_back(base + name + "/");
      } else if (type == DT_REG) {
        if (everyName || fnmatch(mask.c_str(), name, 0) == 0) {
          into.Add(base + name);
          if (pump) pump();
        }
      }
    }
  }
}

}  // namespace toviwall
