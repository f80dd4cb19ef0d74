#pragma once
// A read-only file descriptor that closes itself, with whole-range positioned reads.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace toviwall {

// Failures throw Error (a std::runtime_error taking the message) naming the file
// and the system's reason; the image readers throw their own ImageError.
template <class Error = std::runtime_error>
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) Fail(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0) Fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) Fail("not a regular file");
    size_ = static_cast<std::uint64_t>(st.st_size);
  }
  ~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  std::uint64_t Size() const { return size_; }
  const std::string& Path() const { return path_; }

  // Reads up to `size` bytes at `offset`; answers how many were read (fewer only at the end).
  std::size_t ReadAt(std::uint64_t offset, void* data, std::size_t size) const {
    auto* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
      ssize_t n = ::pread(fd_, p + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail(std::strerror(errno));
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }

  [[noreturn]] void Fail(const std::string& why) const { throw Error(path_ + ": " + why); }

 private:
  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace toviwall
