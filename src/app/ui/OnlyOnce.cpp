#include "app/ui/OnlyOnce.h"

#include "base/AppIdentity.h"

namespace toviwall {

bool OnlyOnce(const std::string& title, platform::SingleInstance& instance) {
  std::string name = MutexNameFor(title);
  return instance.OtherInstanceRunning(name, "ToviMsg" + name);
}

}  // namespace toviwall
