#pragma once
// What the fuzz entry points share: the input as a file in memory, a scratch
// folder for outputs, and limits low enough that each input runs quickly.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/AtomicFile.h"
#include "image/Bitmap.h"
#include "image/MyStretch.h"

namespace toviwall::fuzz {

// Sizes a fuzzer may claim without every input costing seconds.
inline const ImageLimits kLimits{4096, std::int64_t{1} << 20};

// The bytes as a file the decoders can open by name (a memory file, no disk).
class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) {
    fd_ = memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd_ < 0) std::abort();
    for (std::size_t done = 0; done < size;) {
      ssize_t n = ::write(fd_, data + done, size - done);
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// A private folder in memory for written files, made once per process and
// removed with what it holds when the process ends.
class ScratchFolder {
 public:
  static const std::string& Path() {
    static ScratchFolder folder;
    return folder.path_;
  }

 private:
  ScratchFolder() {
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    path_ = base + "/toviwall-fuzz-XXXXXX";
    if (!mkdtemp(path_.data())) std::abort();
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  std::string path_;
};

// A JPEG or PNG decoder's input: converted to a BMP file, or (for inputs of odd
// length) streamed through the resampler as the fitting types do.
template <class Convert, class Open>
void DecodeAnyBytes(const std::uint8_t* data, std::size_t size, Convert convert, Open open) {
  MemoryFile file(data, size);
  try {
    if (size % 2 == 0) {
      convert(file.Path(), ScratchFolder::Path() + "/out.bmp", kLimits);
    } else {
      auto rows = open(file.Path(), kLimits);
      Bitmap24 fitted(1 + rows->Width() / 3, 1 + rows->Height() / 5);
      Stretch(*rows, fitted, Lanczos3Filter, 3.0f);
    }
  } catch (const ImageError&) {
  } catch (const FileWriteError&) {
  }
}

}  // namespace toviwall::fuzz
