#pragma once
// Start-up entries as the XDG autostart rules keep them: one desktop entry file
// per name in $XDG_CONFIG_HOME/autostart, which the session reads at logon.
#include <string>

#include "platform/AutoStart.h"

namespace toviwall::platform {

class XdgAutoStart final : public AutoStart {
 public:
  explicit XdgAutoStart(std::string configHome) : configHome_(std::move(configHome)) {}

  std::optional<std::string> ReadEntry(const std::string& name) override;
  bool WriteEntry(const std::string& name, const std::string& text) override;
  bool RemoveEntry(const std::string& name) override;

  std::string EntryFile(const std::string& name) const;

 private:
  std::string configHome_;
};

}  // namespace toviwall::platform
