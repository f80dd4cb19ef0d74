#include "imagelist/ScanFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "imagelist/ListFile.h"
#include "imagelist/PathCollation.h"
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

// A folder's entry, named as it sorts: a folder with its "/" after the name.
struct Entry {
  std::string key;
  bool folder;
};

// The kernel's own views (processes, devices, control groups) hold no pictures
// and, walked from "/", never end.
bool PseudoFileSystem(int fd) {
  struct statfs fs {};
  if (fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x9fa0:      // proc
    case 0x62656572:  // sysfs
    case 0x27e0eb:    // cgroup
    case 0x63677270:  // cgroup2
    case 0x64626720:  // debugfs
    case 0x74726163:  // tracefs
    case 0x73636673:  // securityfs
    case 0xcafe4a11:  // bpf
    case 0x6165676c:  // pstore
    case 0x62656570:  // configfs
      return true;
    default:
      return false;
  }
}

}  // namespace

void ScanFolder(const std::string& pattern, PathSet& into, const std::function<void()>& pump,
                const std::function<bool()>& cancelled) {
  std::size_t slash = pattern.find_last_of('/');
  std::string root = slash == std::string::npos ? std::string("./") : pattern.substr(0, slash + 1);
  std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  const bool everyName = mask.empty() || mask == "*" || mask == "*.*";

  // Depth first with each folder's entries in path order, files and folders
  // mixed as their full paths sort, so the paths arrive already sorted and the
  // list needs no sort of its own.
  struct Level {
    std::string base;
    std::vector<Entry> entries;
    std::size_t next = 0;
  };
  std::set<std::pair<dev_t, ino_t>> visited;  // a folder link may lead back up the tree
  std::vector<Level> stack;
  auto enter = [&](std::string base) {
    Dir dir(base);
    if (!dir) return;
    struct stat self {};
    if (fstat(dir.Fd(), &self) == 0) {
      if (!visited.emplace(self.st_dev, self.st_ino).second) return;
      if (PseudoFileSystem(dir.Fd())) return;
    }
    Level level{std::move(base), {}, 0};
    while (dirent* e = dir.Next()) {
      const char* name = e->d_name;
      if (!FitsListFile(name)) continue;  // a line break in a name: the list file cannot keep it
      unsigned char type = e->d_type;
      if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat st {};
        if (fstatat(dir.Fd(), name, &st, 0) != 0) continue;  // a dangling link
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
      }
      if (type == DT_DIR) {
        if (name[0] != '.') level.entries.push_back({std::string(name) + "/", true});
      } else if (type == DT_REG && (everyName || fnmatch(mask.c_str(), name, 0) == 0)) {
        level.entries.push_back({name, false});
      }
    }
    std::sort(level.entries.begin(), level.entries.end(), [](const Entry& a, const Entry& b) {
      int c = ComparePathsNoCase(a.key, b.key);
      return c != 0 ? c < 0 : ComparePaths(a.key, b.key) < 0;
    });
    stack.push_back(std::move(level));
  };

  enter(root);
  while (!stack.empty()) {
    if (cancelled && cancelled()) return;
    Level& level = stack.back();
    if (level.next == level.entries.size()) {
      stack.pop_back();
      continue;
    }
    const Entry& e = level.entries[level.next++];
    if (e.folder) {
      enter(level.base + e.key);  // may move `level`
    } else {
      into.Add(level.base + e.key);
      if (pump) pump();
    }
  }
}

}  // namespace toviwall
