#include "base/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <set>

namespace toviwall {
namespace {

std::string Folder(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// Where a write to a path lands. The kernel follows the links, under its own
// rules for links in shared folders; what it reaches must be a regular file.
struct Landing {
  std::string target;  // the file that is replaced or made
  bool exists = false;
  struct stat st {};
  std::string refusal;  // why nothing may be written there; empty when it may
};

Landing FindLanding(const std::string& path) {
  Landing l;
  l.target = path;
  int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    struct stat own {};
    if (err == ENOENT && lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode))
      l.refusal = "the link leads to no file";  // it might have been planted to make us create one
    else if (err != ENOENT)
      l.refusal = std::strerror(err);
    return l;  // a new file, unless refused
  }
  if (fstat(fd, &l.st) != 0) {
    l.refusal = std::strerror(errno);
  } else if (!S_ISREG(l.st.st_mode)) {
    l.refusal = "not a regular file";
  } else {
    l.exists = true;
    struct stat own {};
    if (lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode)) {
      // The file the link leads to is replaced, and the link stays.
      char buf[PATH_MAX];
      std::string self = "/proc/self/fd/" + std::to_string(fd);
      ssize_t n = readlink(self.c_str(), buf, sizeof buf - 1);
      if (n > 0 && buf[0] == '/') {
        l.target.assign(buf, static_cast<std::size_t>(n));
      } else if (realpath(path.c_str(), buf) != nullptr) {
        l.target = buf;
      } else {
        l.refusal = "cannot follow the link";
      }
    }
  }
  ::close(fd);
  return l;
}

// The landing for a write, or FileWriteError naming `path`.
Landing WritableLanding(const std::string& path) {
  Landing l = FindLanding(path);
  auto fail = [&](const std::string& why) { throw FileWriteError("Cannot write " + path + ": " + why); };
  if (!l.refusal.empty()) fail(l.refusal);
  // A file nobody may write is read-only for us too, even when we could override it.
  if (l.exists && (l.st.st_mode & 0222) == 0) fail("the file is read-only");
  if (l.exists && access(l.target.c_str(), W_OK) != 0) fail(std::strerror(errno));
  return l;
}

// Just before the rename: something else may have taken the regular file's place.
bool StillReplaceable(const std::string& target) {
  struct stat st {};
  return lstat(target.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  static thread_local std::mt19937 rng{std::random_device{}()};
  return "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(rng() & 0xFFFFFF) + ".tmp";
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string target) : path_(std::move(target)) {
  Landing landing = WritableLanding(path_);
  target_ = landing.target;
  std::string folder = Folder(target_);
  std::string base = BaseName(target_);
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    temp_ = folder + "/." + base + UniqueSuffix();
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    int err = errno;
    temp_.clear();
    Fail(std::strerror(err));
  }
  if (landing.exists) (void)fchmod(fd_, landing.st.st_mode & 07777);
  buffer_.reserve(1 << 16);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFileWriter::Fail(const std::string& what) {
  throw FileWriteError("Cannot write " + path_ + ": " + what);
}

void AtomicFileWriter::FlushBuffer() {
  const char* p = buffer_.data();
  std::size_t left = buffer_.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(std::strerror(errno));
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  buffer_.clear();
}

void AtomicFileWriter::Write(const void* data, std::size_t size) {
  if (committed_) Fail("already committed");
  if (buffer_.size() + size > buffer_.capacity()) FlushBuffer();
  if (size >= buffer_.capacity()) {
    buffer_.assign(static_cast<const char*>(data), size);
    FlushBuffer();
    return;
  }
  buffer_.append(static_cast<const char*>(data), size);
}

void AtomicFileWriter::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (committed_) Fail("already committed");
  FlushBuffer();
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(std::strerror(errno));
    }
    p += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
}

void AtomicFileWriter::Commit() {
  if (committed_) return;
  FlushBuffer();
  if (::fdatasync(fd_) != 0 && errno != EINVAL) Fail(std::strerror(errno));
  if (::close(fd_) != 0) {
    fd_ = -1;
    Fail(std::strerror(errno));
  }
  fd_ = -1;
  if (!StillReplaceable(target_)) Fail("not a regular file");
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(std::strerror(errno));
  committed_ = true;
}

void WriteFileAtomically(const std::string& path, std::string_view data) {
  AtomicFileWriter writer(path);
  writer.Write(data);
  writer.Commit();
}

std::string WritableTarget(const std::string& path) { return WritableLanding(path).target; }

void ReplaceFileWith(const std::string& from, const std::string& path) {
  Landing landing = WritableLanding(path);
  if (landing.exists) (void)chmod(from.c_str(), landing.st.st_mode & 07777);
  if (!StillReplaceable(landing.target)) throw FileWriteError("Cannot write " + path + ": not a regular file");
  if (::rename(from.c_str(), landing.target.c_str()) != 0)
    throw FileWriteError("Cannot write " + path + ": " + std::strerror(errno));
}

namespace {

// "<pid>-<n>-<random>.tmp", as UniqueSuffix makes it after the target's name and a dot.
bool ParseTempSuffix(std::string_view rest, pid_t& pid) {
  if (!rest.ends_with(".tmp")) return false;
  rest.remove_suffix(4);
  long long numbers[3] = {};
  for (int i = 0; i < 3; ++i) {
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    if (digits == 0 || digits > 10) return false;
    for (std::size_t k = 0; k < digits; ++k) numbers[i] = numbers[i] * 10 + (rest[k] - '0');
    rest.remove_prefix(digits);
    if (i < 2) {
      if (rest.empty() || rest[0] != '-') return false;
      rest.remove_prefix(1);
    }
  }
  if (!rest.empty() || numbers[0] < 1 || numbers[0] > INT_MAX) return false;
  pid = static_cast<pid_t>(numbers[0]);
  return true;
}

// A process of this program (the pid may since have gone to another one).
bool OneOfOurs(pid_t pid) {
  std::string comm;
  if (!ReadWholeFile("/proc/" + std::to_string(pid) + "/comm", comm)) return true;  // cannot tell: keep
  return comm.starts_with("toviwall");
}

bool StaleTempFile(int dirFd, const char* name, pid_t pid) {
  struct stat st {};
  if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return false;
  if (pid == getpid()) return true;
  if (kill(pid, 0) != 0 && errno == ESRCH) return true;
  constexpr time_t kAbandoned = 10 * 60;  // no write of ours takes that long
  return std::time(nullptr) - st.st_mtime > kAbandoned && !OneOfOurs(pid);
}

}  // namespace

std::size_t RemoveStaleTempFiles(const std::vector<std::string>& targets) {
  std::map<std::string, std::set<std::string>> byFolder;
  for (const std::string& path : targets) {
    if (path.empty()) continue;
    Landing l = FindLanding(path);  // a link's file has its temporary files beside it
    const std::string& target = l.refusal.empty() ? l.target : path;
    byFolder[Folder(target)].insert(BaseName(target));
  }
  std::size_t removed = 0;
  for (const auto& [folder, names] : byFolder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) continue;
    while (dirent* e = readdir(dir)) {
      std::string_view entry = e->d_name;
      for (const std::string& base : names) {
        pid_t pid = 0;
        if (entry.size() > base.size() + 2 && entry[0] == '.' && entry.substr(1, base.size()) == base &&
            entry[base.size() + 1] == '.' && ParseTempSuffix(entry.substr(base.size() + 2), pid) &&
            StaleTempFile(dirfd(dir), e->d_name, pid) && unlinkat(dirfd(dir), e->d_name, 0) == 0) {
          ++removed;
          break;
        }
      }
    }
    closedir(dir);
  }
  return removed;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  // Looked at before opening: opening some devices already does something.
  if (!FileExists(path)) return false;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ok;
}

}  // namespace toviwall
