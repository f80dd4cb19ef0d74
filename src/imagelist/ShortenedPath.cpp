#include "imagelist/ShortenedPath.h"

namespace toviwall {

std::string ShortenedPath(const std::string& path, std::size_t n) {
  if (path.size() <= n) return path;
  if (n < 4) return path.substr(0, n);
  // Where the head ends: the "/" after its last name.
  std::size_t end = std::string::npos;
  if (path[0] == '/') {
    std::size_t start = path.find_first_not_of('/');
    std::size_t first = start == std::string::npos ? start : path.find('/', start);
    std::size_t second = first == std::string::npos ? first : path.find('/', first + 1);
    end = second;
  } else {
    end = path.find('/');
  }
  // Something must be left out between the head and the last name.
  if (end == std::string::npos || path.find('/', end + 1) == std::string::npos) return path.substr(0, n);

  const std::string head = path.substr(0, end + 1) + "...";
  std::string rest = path.substr(end + 1);
  std::size_t slash;
  while (head.size() + rest.size() >= n && (slash = rest.find('/')) != std::string::npos) rest.erase(0, slash + 1);
  std::string shown = head + "/" + rest;
  if (head.size() + rest.size() < n) return shown;
  return shown.substr(0, n - 3) + "...";
}

}  // namespace toviwall
