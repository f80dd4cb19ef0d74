#pragma once
// The maker's web server: the base of the home page, the update text and the
// preview window's link. The build names it (-DTOVIWALL_SERVER=), TOVIWALL_SERVER
// in the environment overrides it (tests and mirrors). Empty when neither does:
// then nothing is checked or linked.
#include <cstdlib>
#include <string>

#include "base/Version.h"

namespace toviwall {

inline std::string MakerServer() {
  const char* env = std::getenv("TOVIWALL_SERVER");
  std::string base = env && *env ? env : kMakerServerBuilt;
  if (!base.empty() && base.back() != '/') base += '/';
  return base;
}

}  // namespace toviwall
