#pragma once
// Whole-file replacement that never leaves a truncated file: the data goes to a
// temporary file in the target's folder, which is renamed over the target only
// when everything has been written. On any failure the old file stays as it was.
//
// Only regular files are replaced. A symbolic link is followed to the regular
// file it names, which is replaced while the link stays. A device, a pipe, a
// socket, a folder, or a link to one of them or to nothing, is refused: renaming
// over it would put a plain file in its place.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace toviwall {

class FileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AtomicFileWriter {
 public:
  // Creates the temporary file; throws FileWriteError when the folder refuses it,
  // when the target exists and is read-only, or when it is no regular file.
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

  // The file that is replaced: the path given, or the file a link there names.
  const std::string& Target() const { return target_; }

 private:
  [[noreturn]] void Fail(const std::string& what);
  void FlushBuffer();

  std::string path_;    // as given, for messages
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool committed_ = false;
  std::string buffer_;
};

// Replaces the whole content of `path` with `data`; throws FileWriteError.
void WriteFileAtomically(const std::string& path, std::string_view data);

// The file a write to `path` would replace or make (a link's regular file, else
// `path`), after the writer's checks; throws FileWriteError as the writer would.
std::string WritableTarget(const std::string& path);

// Renames the finished file `from` over `path` under the writer's rules (links
// followed to a regular file, anything else refused, a read-only file kept);
// throws FileWriteError and leaves both alone on failure.
void ReplaceFileWith(const std::string& from, const std::string& path);

// Removes the temporary files that writes of the `targets` left beside them when
// their process died mid-write (".NAME.<pid>-<n>-<random>.tmp"), and nothing
// else. A file is stale when no process has its pid any more, when the pid is
// our own (the caller writes nothing meanwhile), or when it has not changed for
// ten minutes and the pid now belongs to a program other than ours. Answers how
// many were removed.
std::size_t RemoveStaleTempFiles(const std::vector<std::string>& targets);

// True when `path` names an existing regular file (or a link to one).
bool FileExists(const std::string& path);
// True when `path` names an existing folder.
bool DirectoryExists(const std::string& path);
// Reads a whole regular file; false when it cannot be opened or read, and for
// anything else (a pipe would block, a device might never end).
bool ReadWholeFile(const std::string& path, std::string& out);

}  // namespace toviwall
