#include "platform/local/OpticalDrives.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/UniqueFd.h"

namespace toviwall::platform {
namespace {

// "sr" followed by digits only.
bool IsDriveName(const std::string& name) {
  return name.size() > 2 && name.compare(0, 2, "sr") == 0 &&
         std::all_of(name.begin() + 2, name.end(), [](unsigned char ch) { return std::isdigit(ch); });
}

}  // namespace

std::vector<std::string> ListOpticalDrives(const std::string& deviceFolder, const std::vector<std::string>& more) {
  std::vector<std::string> drives;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(deviceFolder, ec)) {
    const std::string name = entry.path().filename().string();
    struct stat st {};
    if (IsDriveName(name) && ::stat(entry.path().c_str(), &st) == 0 && S_ISBLK(st.st_mode)) drives.push_back(name);
  }
  for (const std::string& name : more)
    if (IsDriveName(name)) drives.push_back(name);
  // sr2 before sr10, as the drives were numbered.
  std::sort(drives.begin(), drives.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
  return drives;
}

std::string MoveOpticalDriveDoor(const std::string& drive, bool open, const std::string& deviceFolder) {
  if (!IsDriveName(drive)) return "no such drive";
  // Without O_NONBLOCK the open waits for (and fails without) a disc.
  UniqueFd fd(::open((deviceFolder + "/" + drive).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) return std::strerror(errno);
  if (::ioctl(fd.Get(), open ? CDROMEJECT : CDROMCLOSETRAY, 0) == 0) return {};
  if (errno == EBUSY) return "the disc is in use (mounted)";
  return std::strerror(errno);
}

}  // namespace toviwall::platform
