#include "imagelist/UriList.h"

#include <strings.h>

namespace toviwall {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool SameHost(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The local path of one URL, or "" when it names none.
std::string LocalPath(std::string_view url, std::string_view hostName) {
  if (url.size() < 5 || !SameHost(url.substr(0, 5), "file:")) return {};
  std::string_view rest = url.substr(5);
  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return {};
    std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !SameHost(host, "localhost") && !(hostName.size() && SameHost(host, hostName))) return {};
    rest.remove_prefix(slash);
  }
  if (rest.empty() || rest[0] != '/' || rest.find('\0') != std::string_view::npos) return {};
  rest = rest.substr(0, rest.find_first_of("?#"));  // a query or fragment is no part of a name
  std::string path;
  path.reserve(rest.size());
  for (std::size_t i = 0; i < rest.size(); ++i) {
    int hi, lo;
    if (rest[i] == '%' && i + 2 < rest.size() && (hi = HexValue(rest[i + 1])) >= 0 &&
        (lo = HexValue(rest[i + 2])) >= 0) {
      char c = static_cast<char>(hi * 16 + lo);
      if (c == '\0') return {};  // no file name holds one
      path += c;
      i += 2;
    } else {
      path += rest[i];
    }
  }
  return path;
}

}  // namespace

std::vector<std::string> LocalPathsOfUriList(std::string_view text, std::string_view hostName) {
  std::vector<std::string> paths;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    std::string path = LocalPath(line, hostName);
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace toviwall
