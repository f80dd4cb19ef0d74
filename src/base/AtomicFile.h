#pragma once
// Whole-file replacement that never leaves a truncated file: the data goes to a
// temporary file in the target's folder, which is renamed over the target only
// when everything has been written. On any failure the old file stays as it was.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace toviwall {

class FileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AtomicFileWriter {
 public:
  // Creates the temporary file; throws FileWriteError when the folder refuses it
  // or when the target exists and is read-only.
  explicit AtomicFileWriter(std::string target);
  ~AtomicFileWriter();  // removes the temporary file unless committed
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(const void* data, std::size_t size);
  void Write(std::string_view data) { Write(data.data(), data.size()); }
  // Writes at a byte offset of the new file (after what Write has buffered), for
  // formats whose parts arrive out of file order, such as bottom-up bitmaps.
  void WriteAt(std::uint64_t offset, const void* data, std::size_t size);
  // Flushes, syncs and renames over the target.
  void Commit();

  const std::string& Target() const { return target_; }

 private:
  [[noreturn]] void Fail(const std::string& what);
  void FlushBuffer();

  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool committed_ = false;
  std::string buffer_;
};

// Replaces the whole content of `path` with `data`; throws FileWriteError.
void WriteFileAtomically(const std::string& path, std::string_view data);

// True when `path` names an existing regular file (or a link to one).
bool FileExists(const std::string& path);
// True when `path` names an existing folder.
bool DirectoryExists(const std::string& path);
// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out);

}  // namespace toviwall
