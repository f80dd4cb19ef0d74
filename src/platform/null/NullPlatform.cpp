#include "platform/null/NullPlatform.h"

namespace toviwall::platform {
namespace {

class NullTrayIcon final : public TrayIcon {
 public:
  bool Add(const QIcon&) override { return false; }
  bool Modify(const QIcon&) override { return false; }
  bool Delete() override { return false; }
};

}  // namespace

std::unique_ptr<TrayIcon> NullTrayHost::CreateIcon(const std::string&) { return std::make_unique<NullTrayIcon>(); }

}  // namespace toviwall::platform
