#include "platform/local/InotifyDirectoryWatch.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string_view>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <vector>

#include "base/UniqueFd.h"

namespace toviwall::platform {
namespace {

class Dir {
 public:
  explicit Dir(const std::string& path) : dir_(::opendir(path.c_str())) {}
  ~Dir() {
    if (dir_) ::closedir(dir_);
  }
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;
  explicit operator bool() const { return dir_ != nullptr; }
  int Fd() const { return ::dirfd(dir_); }
  dirent* Next() { return ::readdir(dir_); }

 private:
  DIR* dir_;
};

unsigned long ReadLimit(const char* name) {
  unsigned long value = 0;
  if (std::FILE* f = std::fopen((std::string("/proc/sys/fs/inotify/") + name).c_str(), "re")) {
    if (std::fscanf(f, "%lu", &value) != 1) value = 0;
    std::fclose(f);
  }
  return value;
}

constexpr std::uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// The watched folder itself going away.
constexpr std::uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF;
// A folder above the watched one, while that is away: what may bring it back.
constexpr std::uint32_t kAnchorEvents = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | kSelfEvents | IN_ONLYDIR;

std::uint32_t MaskFor(const WatchRequest& request) {
  std::uint32_t mask = 0;
  // A nested watch follows folders whatever it reports, and hears of a
  // folder's permissions changing, which may let it in.
  if (request.nested || (request.changes & (changes::kFileName | changes::kDirName))) mask |= kNameEvents;
  if (request.nested || (request.changes & (changes::kAttributes | changes::kSecurity | changes::kLastWrite)))
    mask |= IN_ATTRIB;
  if (request.changes & (changes::kSize | changes::kLastWrite)) mask |= IN_MODIFY;
  return mask | IN_ONLYDIR;
}

bool Hidden(const char* name) { return name[0] == '.'; }

std::string Join(const std::string& folder, const char* name) {
  return folder.size() == 1 && folder[0] == '/' ? folder + name : folder + "/" + name;
}

// The folder above `path`; empty for "/" and for a name without a folder.
std::string Parent(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || path == "/") return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// `path` is `top` or a folder below it, with no hidden folder on the way.
bool InTree(const std::string& path, const std::string& top) {
  if (path == top) return true;
  const std::string prefix = top == "/" ? top : top + "/";
  if (path.compare(0, prefix.size(), prefix) != 0) return false;
  for (std::size_t at = prefix.size() - 1; at != std::string::npos; at = path.find('/', at + 1))
    if (at + 1 < path.size() && path[at + 1] == '.') return false;
  return true;
}

// The mount table's mount points (unescaped) with the id of the mount each
// shows; only those in the tree below `top`.
std::map<std::string, std::string> MountsBelow(const std::string& top) {
  std::map<std::string, std::string> mounts;
  std::ifstream table("/proc/self/mountinfo");
  std::string id, parent, device, root, point, rest;
  while (table >> id >> parent >> device >> root >> point && std::getline(table, rest)) {
    std::string path;
    for (std::size_t i = 0; i < point.size(); ++i) {
      if (point[i] == '\\' && i + 3 < point.size()) {
        const int code = (point[i + 1] - '0') * 64 + (point[i + 2] - '0') * 8 + (point[i + 3] - '0');
        path += static_cast<char>(code);
        i += 3;
      } else {
        path += point[i];
      }
    }
    if (path != top && InTree(path, top)) mounts[path] = id;  // the last one at a path is the one seen
  }
  return mounts;
}

class InotifyWatch final : public RunningWatch {
 public:
  InotifyWatch(const WatchRequest& request, WatchCallbacks callbacks)
      : request_(request), callbacks_(std::move(callbacks)), mask_(MaskFor(request)) {
    while (request_.directory.size() > 1 && request_.directory.back() == '/') request_.directory.pop_back();
    for (const std::string& file : request_.ownFiles) {
      std::size_t slash = file.find_last_of('/');
      if (slash != std::string::npos && slash + 1 < file.size())
        own_.emplace(file.substr(0, slash == 0 ? 1 : slash), file.substr(slash + 1));
    }
    wake_.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (wake_.Get() < 0)
      throw std::runtime_error(std::string("Cannot watch folders: no stop signal: ") + std::strerror(errno));
    try {
      worker_ = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
      throw std::runtime_error(std::string("Cannot watch folders: no thread: ") + e.what());
    }
  }

  ~InotifyWatch() override {
    stopping_ = true;
    const std::uint64_t one = 1;
    (void)!::write(wake_.Get(), &one, sizeof one);
    worker_.join();
  }

  InotifyWatch(const InotifyWatch&) = delete;
  InotifyWatch& operator=(const InotifyWatch&) = delete;

 private:
  void Run() {
    inotify_.Reset(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    if (inotify_.Get() < 0) {
      Note(request_.directory, errno);
      Report();
      return;  // nothing to wait for; the owner still ends the watch as usual
    }
    // A mount or unmount anywhere makes the table readable with priority: no
    // cost while nothing is mounted.
    mounts_.Reset(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
    Attach(true);
    Report();
    if (stopping_) return;
    if (callbacks_.ready) callbacks_.ready(paths_.size());

    pollfd fds[3] = {{inotify_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}, {mounts_.Get(), POLLPRI, 0}};
    alignas(inotify_event) char buffer[64 * 1024];
    while (!stopping_) {
      int r = ::poll(fds, 3, -1);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 || fds[1].revents != 0) break;
      bool changed = false;
      if (fds[2].revents & (POLLPRI | POLLERR)) MountsChanged(changed);
      while (fds[0].revents & POLLIN) {
        ssize_t n = ::read(inotify_.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (char* p = buffer; p < buffer + n;) {
          const auto* e = reinterpret_cast<const inotify_event*>(p);
          Handle(*e, changed);
          p += sizeof(inotify_event) + e->len;
        }
      }
      Report();
      if (changed && !stopping_ && callbacks_.changed) callbacks_.changed();
    }
  }

  // Watches the folder with what is below it when it is there. When it is
  // not, waits for it: watches the nearest folder above it that is there, and
  // answers false. `first`: the folder the watch was started on; a folder
  // that went away later is waited for without a word.
  bool Attach(bool first = false) {
    const std::string& top = request_.directory;
    for (int look = 0; look < 2; ++look) {
      struct stat st {};
      const bool there = ::stat(top.c_str(), &st) == 0;
      if (there && S_ISDIR(st.st_mode)) {
        Walk(top);  // a refusal is noted there; its permissions may change
        if (auto at = wds_.find(top); at != wds_.end()) {
          topWd_ = at->second;
          top_ = {st.st_dev, st.st_ino};
          if (request_.nested) mountsBelow_ = MountsBelow(top);
          DropAnchor();
          return true;
        }
      } else if (first && look == 0) {
        Note(top, there ? ENOTDIR : errno);
      }
      // Looked at again once something above it is watched: it may have come
      // back in between.
      if (look == 0) Anchor();
    }
    return false;
  }

  // Watches the nearest folder above the watched one that can be watched.
  void Anchor() {
    for (std::string path = Parent(request_.directory); !path.empty(); path = Parent(path)) {
      const int wd = ::inotify_add_watch(inotify_.Get(), path.c_str(), kAnchorEvents);
      if (wd >= 0) {
        if (anchorWd_ >= 0 && anchorWd_ != wd) ::inotify_rm_watch(inotify_.Get(), anchorWd_);
        anchorWd_ = wd;
        return;
      }
      if (errno == ENOSPC || errno == ENOMEM) {
        Note(request_.directory, errno);
        break;
      }
    }
    DropAnchor();  // only a mount can bring it back now
  }

  void DropAnchor() {
    if (anchorWd_ >= 0) ::inotify_rm_watch(inotify_.Get(), anchorWd_);
    anchorWd_ = -1;
  }

  // The watched folder went away: every watch of the tree is let go.
  void Detach() {
    for (const auto& [wd, path] : paths_) ::inotify_rm_watch(inotify_.Get(), wd);
    paths_.clear();
    wds_.clear();
    retry_.clear();
    topWd_ = -1;
  }

  // Something was mounted or unmounted: the watched folder may be another
  // one now, be back, or have a file system mounted or unmounted below it.
  void MountsChanged(bool& changed) {
    const std::string& top = request_.directory;
    if (topWd_ < 0) {
      changed = Attach() || changed;
      return;
    }
    struct stat st {};
    if (::stat(top.c_str(), &st) != 0 || std::pair(st.st_dev, st.st_ino) != top_) {
      Detach();
      Attach();
      changed = true;
      return;
    }
    if (!request_.nested) return;
    std::map<std::string, std::string> now = MountsBelow(top);
    std::set<std::string> moved;
    for (const auto& [path, id] : now)
      if (auto at = mountsBelow_.find(path); at == mountsBelow_.end() || at->second != id) moved.insert(path);
    for (const auto& [path, id] : mountsBelow_)
      if (!now.count(path)) moved.insert(path);
    mountsBelow_ = std::move(now);
    for (const std::string& path : moved)
      if (Walk(path, true) && (request_.changes & changes::kFileName)) changed = true;
  }

  // Watches `top` and, for a nested watch, every folder below it; with
  // `again`, folders watched already are walked through as well. Answers
  // whether a file was met.
  bool Walk(const std::string& top, bool again = false) {
    bool files = false;
    std::set<int> seen;
    std::vector<std::string> stack{top};
    while (!stack.empty() && !stopping_) {
      std::string path = std::move(stack.back());
      stack.pop_back();
      const std::uint32_t mask = path == request_.directory ? mask_ | kSelfEvents : mask_;
      int wd = ::inotify_add_watch(inotify_.Get(), path.c_str(), mask);
      if (wd < 0) {
        const int error = errno;
        Note(path, error);
        // No permission now; a change of its permissions is heard of in the folder above.
        if (error == EACCES || error == EPERM) retry_.insert(path);
        if (error == ENOSPC) return files;  // the limit: no further folder gets in either
        continue;
      }
      retry_.erase(path);
      // The same folder again (through a link): watched already, with what is below.
      if (!seen.insert(wd).second || (!again && paths_.count(wd))) continue;
      if (paths_.emplace(wd, path).second) wds_[path] = wd;
      if (!request_.nested) break;
      Dir dir(path);
      if (!dir) continue;
      while (dirent* entry = dir.Next()) {
        const char* name = entry->d_name;
        if (Hidden(name)) continue;
        unsigned char type = entry->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
          struct stat st {};
          if (::fstatat(dir.Fd(), name, &st, 0) != 0) continue;
          type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
        }
        if (type == DT_DIR)
          stack.push_back(Join(path, name));
        else
          files = true;
      }
    }
    return files;
  }

  void Handle(const inotify_event& e, bool& changed) {
    if (e.mask & IN_Q_OVERFLOW) {
      // Events were lost: something changed, and folders may have come that
      // are not watched yet (watched ones are met again and left as they are).
      changed = true;
      if (topWd_ < 0) Attach();
      else Walk(request_.directory, true);
      return;
    }
    if (e.wd == anchorWd_) {
      if (e.mask & IN_IGNORED) anchorWd_ = -1;
      if (topWd_ < 0 && Attach()) changed = true;
      return;
    }
    auto it = paths_.find(e.wd);
    if (it == paths_.end()) return;  // a folder let go of already
    if (e.wd == topWd_ && (e.mask & (kSelfEvents | IN_UNMOUNT | IN_IGNORED))) {
      // Deleted, moved away or unmounted: the path is waited for (it may be
      // there again already).
      Detach();
      if (Attach()) changed = true;
      return;
    }
    if (e.mask & IN_IGNORED) {
      auto at = wds_.find(it->second);
      if (at != wds_.end() && at->second == e.wd) wds_.erase(at);
      paths_.erase(it);
      return;
    }
    const bool folder = (e.mask & IN_ISDIR) != 0;
    if (e.len > 0 && Hidden(e.name)) {
      // Neither scanned nor watched; hidden files only when they could be pictures.
      if (folder || (request_.hiddenFileCounts && !request_.hiddenFileCounts(e.name))) return;
    }
    if (!folder && e.len > 0 && Own(it->second, e.name)) return;
    if (e.mask & kNameEvents) {
      if (request_.changes & (folder ? changes::kDirName : changes::kFileName)) changed = true;
      if (request_.nested && e.len > 0) {
        const std::string child = Join(it->second, e.name);
        if (folder && (e.mask & (IN_DELETE | IN_MOVED_FROM))) Forget(child);
        if (e.mask & (IN_CREATE | IN_MOVED_TO)) {
          struct stat st {};
          // A folder, or a link to one (the scan follows those too).
          if (folder || (::stat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
            // Files may have been made in it before its watch was there.
            if (Walk(child) && (request_.changes & changes::kFileName)) changed = true;
          }
        }
      }
    }
    if (e.mask & IN_ATTRIB) {
      if (folder && request_.nested && e.len > 0 && Retry(Join(it->second, e.name)) &&
          (request_.changes & changes::kFileName))
        changed = true;
      if (request_.changes & (changes::kAttributes | changes::kSecurity | changes::kLastWrite)) changed = true;
    }
    if ((e.mask & IN_MODIFY) && (request_.changes & (changes::kSize | changes::kLastWrite))) changed = true;
  }

  // The permissions of `path` changed: it and the folders below it that were
  // refused are tried again. Answers whether a file was met in them.
  bool Retry(const std::string& path) {
    std::vector<std::string> again;
    for (auto at = retry_.lower_bound(path); at != retry_.end() && at->compare(0, path.size(), path) == 0; ++at)
      if (at->size() == path.size() || (*at)[path.size()] == '/') again.push_back(*at);
    bool files = false;
    for (const std::string& folder : again) {
      retry_.erase(folder);
      files = Walk(folder) || files;
    }
    return files;
  }

  // One of the program's own files, or a temporary file of one being written.
  bool Own(const std::string& folder, const char* name) const {
    auto [first, last] = own_.equal_range(folder);
    for (auto at = first; at != last; ++at) {
      const std::string& file = at->second;
      if (file == name) return true;
      const std::string_view n(name);
      if (n.size() > file.size() + 5 && n[0] == '.' && n.substr(1, file.size()) == file &&
          n[file.size() + 1] == '.' && n.substr(n.size() - 4) == ".tmp")
        return true;
    }
    return false;
  }

  // A folder left the tree: it and everything below it are let go.
  void Forget(const std::string& path) {
    for (auto at = wds_.lower_bound(path); at != wds_.end();) {
      const std::string& p = at->first;
      if (p.compare(0, path.size(), path) != 0) break;
      if (p.size() > path.size() && p[path.size()] != '/') {
        ++at;  // "dir2" after "dir": not below it, but more below may follow
        continue;
      }
      ::inotify_rm_watch(inotify_.Get(), at->second);
      paths_.erase(at->second);
      at = wds_.erase(at);
    }
    for (auto at = retry_.lower_bound(path); at != retry_.end() && at->compare(0, path.size(), path) == 0;)
      at = at->size() == path.size() || (*at)[path.size()] == '/' ? retry_.erase(at) : std::next(at);
  }

  // A folder that could not be watched; each reason is told once per watch,
  // with the first folder it met and how many more.
  void Note(const std::string& path, int error) {
    if (error == 0 || told_.count(error)) return;
    auto [at, first] = pending_.try_emplace(error);
    WatchProblem& problem = at->second;
    if (!first) {
      ++problem.others;
      return;
    }
    problem.path = path;
    problem.error = error;
    problem.limit = error == ENOSPC ? ReadLimit("max_user_watches")
                    : error == EMFILE ? ReadLimit("max_user_instances")
                                      : 0;
  }

  void Report() {
    std::map<int, WatchProblem> problems;
    problems.swap(pending_);
    for (const auto& [error, problem] : problems) {
      told_.insert(error);
      if (!stopping_ && callbacks_.problem) callbacks_.problem(problem);
    }
  }

  WatchRequest request_;
  WatchCallbacks callbacks_;
  const std::uint32_t mask_;
  UniqueFd inotify_;
  UniqueFd wake_;
  UniqueFd mounts_;
  std::atomic<bool> stopping_{false};
  std::unordered_map<int, std::string> paths_;  // watch -> folder
  std::map<std::string, int> wds_;              // folder -> watch, in path order for Forget
  std::multimap<std::string, std::string> own_;  // folder -> name of an own file
  int topWd_ = -1;                               // the watched folder's own watch; -1 while it is away
  std::pair<dev_t, ino_t> top_{};                // which folder that is
  int anchorWd_ = -1;                            // a folder above it, while it is away
  std::map<std::string, std::string> mountsBelow_;  // mount points in the tree -> mount id
  std::set<std::string> retry_;                  // folders refused for want of permission
  std::map<int, WatchProblem> pending_;  // by errno
  std::set<int> told_;
  std::thread worker_;  // last: it starts once everything above is there
};

}  // namespace

std::unique_ptr<RunningWatch> InotifyDirectoryWatch::Start(const WatchRequest& request, WatchCallbacks callbacks) {
  return std::make_unique<InotifyWatch>(request, std::move(callbacks));
}

}  // namespace toviwall::platform
