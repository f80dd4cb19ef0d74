#include "imagelist/Trash.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "base/SettingsPaths.h"
#include "base/UniqueFd.h"

namespace toviwall {
namespace {

std::string Reason(int error) { return std::strerror(error); }

// Writes all of `text`, then closes the descriptor: 0, or the error of the
// writes or of closing.
int WriteAllAndClose(UniqueFd& fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd.Get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd.Release()) == 0 ? 0 : errno;
}

bool IsOwnFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// Makes the folder and those above it that are missing, each for the user alone.
void MakeFolders(const std::string& folder) {
  for (std::size_t at = 1; at != std::string::npos;) {
    at = folder.find('/', at + 1);
    const std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      throw std::runtime_error("cannot make the trash folder " + part + ": " + Reason(errno));
  }
}

// A trash folder with its files/ and info/ made; empty when it cannot be had.
std::string Prepared(const std::string& trash) {
  for (const char* sub : {"/files", "/info"})
    if (::mkdir((trash + sub).c_str(), 0700) != 0 && errno != EEXIST) return {};
  return IsOwnFolder(trash + "/files") && IsOwnFolder(trash + "/info") ? trash : std::string();
}

// The top folder of the mount `device` that holds `folder`.
std::string TopFolder(const std::string& folder, dev_t device) {
  std::string top = folder;
  while (top != "/") {
    std::string parent = top.substr(0, top.find_last_of('/'));
    if (parent.empty()) parent = "/";
    struct stat st {};
    if (::stat(parent.c_str(), &st) != 0 || st.st_dev != device) break;
    top = parent;
  }
  return top;
}

// The trash of another mount: the administrator's shared $topdir/.Trash (a
// real folder with the sticky bit) with a folder per user, else our own
// $topdir/.Trash-$uid. Empty when neither can be had.
std::string MountTrash(const std::string& top) {
  const std::string uid = std::to_string(::getuid());
  const std::string base = top == "/" ? std::string() : top;
  struct stat st {};
  const std::string shared = base + "/.Trash";
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
    const std::string mine = shared + "/" + uid;
    if ((::mkdir(mine.c_str(), 0700) == 0 || errno == EEXIST) && IsOwnFolder(mine))
      if (std::string trash = Prepared(mine); !trash.empty()) return trash;
  }
  const std::string own = base + "/.Trash-" + uid;
  if ((::mkdir(own.c_str(), 0700) == 0 || errno == EEXIST) && IsOwnFolder(own)) return Prepared(own);
  return {};
}

// The name the file takes in the trash at `attempt` 1, 2, ...: its own, then
// "name.2.jpg", "name.3.jpg", ...
std::string Candidate(const std::string& name, int attempt) {
  if (attempt == 1) return name;
  const std::size_t dot = name.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  return stem + "." + std::to_string(attempt) + (hasExtension ? name.substr(dot) : std::string());
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// rename() that never replaces what is at `to` (EEXIST instead); 0 or the error.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the flag: the name was checked free, and the info file holds it.
  if (Exists(to)) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

std::string TrashInfoText(const std::string& absolutePath, std::time_t deletedAt) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (unsigned char c : absolutePath) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       std::strchr("/-_.~", c) != nullptr;
    if (plain && c != '\0') {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 15];
    }
  }
  std::tm local{};
  localtime_r(&deletedAt, &local);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  return "[Trash Info]\nPath=" + escaped + "\nDeletionDate=" + date + "\n";
}

std::string MoveToTrash(const std::string& path, const std::string& dataHome) {
  const std::string name = ExtractFileName(path);
  if (path.empty() || path[0] != '/' || name.empty()) throw std::runtime_error("not a file's full path");
  struct stat file {};
  if (::lstat(path.c_str(), &file) != 0) throw std::runtime_error(Reason(errno));

  // Without the home trash's folder, no file system can be told apart from the home's.
  if (dataHome.empty() || dataHome[0] != '/') throw std::runtime_error("there is no home folder for the trash");
  std::string trash;
  MakeFolders(dataHome + "/Trash");
  struct stat home {};
  if (::stat((dataHome + "/Trash").c_str(), &home) == 0 && home.st_dev == file.st_dev) {
    trash = Prepared(dataHome + "/Trash");
    if (trash.empty()) throw std::runtime_error("the trash folder " + dataHome + "/Trash cannot be used");
  }
  if (trash.empty()) {
    // On another file system than the home trash: that mount's own trash.
    std::string folder = ExtractFilePath(path);
    char real[PATH_MAX];
    if (::realpath(folder.c_str(), real) == nullptr) throw std::runtime_error(Reason(errno));
    const std::string top = TopFolder(real, file.st_dev);
    trash = MountTrash(top);
    if (trash.empty())
      throw std::runtime_error("it is on another drive (" + top +
                               "), which has no trash folder for you, and it is not copied across drives");
  }

  const std::string info = TrashInfoText(path, std::time(nullptr));
  for (int attempt = 1; attempt <= 10000; ++attempt) {
    const std::string entry = Candidate(name, attempt);
    const std::string infoFile = trash + "/info/" + entry + ".trashinfo";
    // The info file is made first and exclusively: it reserves the name.
    UniqueFd fd(::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.Get() < 0) {
      if (errno == EEXIST) continue;
      throw std::runtime_error("cannot write " + infoFile + ": " + Reason(errno));
    }
    if (int error = WriteAllAndClose(fd, info); error != 0) {
      ::unlink(infoFile.c_str());
      throw std::runtime_error("cannot write " + infoFile + ": " + Reason(error));
    }
    const std::string target = trash + "/files/" + entry;
    const int error = RenameNoReplace(path, target);
    if (error == 0) return target;
    ::unlink(infoFile.c_str());
    if (error == EEXIST) continue;  // a file without its info file holds the name
    if (error == EXDEV) throw std::runtime_error("it is on another file system than the trash " + trash);
    throw std::runtime_error(Reason(error));
  }
  throw std::runtime_error("the trash " + trash + " holds too many files of this name");
}

}  // namespace toviwall
