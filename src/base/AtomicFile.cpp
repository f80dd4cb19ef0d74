#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

namespace toviwall {
namespace {

std::string Folder(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Writes through a symbolic link to the file it names, as an in-place write would.
std::string ResolveLink(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf) != nullptr) return buf;
  return path;  // dangling link: replace the link itself
}

std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  static thread_local std::mt19937 rng{std::random_device{}()};
  return "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(rng() & 0xFFFFFF) + ".tmp";
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(ResolveLink(target)) {
  struct stat st {};
  bool exists = stat(target_.c_str(), &st) == 0;
  // A file nobody may write is read-only for us too, even when we could override it.
  if (exists && (st.st_mode & 0222) == 0) Fail("the file is read-only");
  if (exists && access(target_.c_str(), W_OK) != 0) Fail(std::strerror(errno));
  std::string folder = Folder(target_);
  std::string base = target_.substr(target_.find_last_of('/') + 1);
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
  if (exists) (void)fchmod(fd_, st.st_mode & 07777);
  buffer_.reserve(1 << 16);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFileWriter::Fail(const std::string& what) {
  throw FileWriteError("Cannot write " + target_ + ": " + what);
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
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(std::strerror(errno));
  committed_ = true;
}

void WriteFileAtomically(const std::string& path, std::string_view data) {
  AtomicFileWriter writer(path);
  writer.Write(data);
  writer.Commit();
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
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) == 0 && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
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
