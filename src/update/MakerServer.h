#pragma once
// The maker's web server: the base of the home page, the update text and the
// preview window's link. Configuration: TOVIWALL_SERVER (tests and mirrors);
// the default is a reserved example address until the program has a home.
#include <cstdlib>
#include <string>

namespace toviwall {

inline std::string MakerServer() {
  const char* env = std::getenv("TOVIWALL_SERVER");
  std::string base = env && *env ? env : "http://www.example.com/toviwall/";
  if (base.back() != '/') base += '/';
  return base;
}

}  // namespace toviwall
