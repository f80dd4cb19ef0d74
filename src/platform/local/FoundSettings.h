#pragma once
// What a desktop setting held before we changed it (icons shown, say), kept in
// a small file of our own, so that undoing the change in a later run still
// puts back what the user had: $XDG_STATE_HOME/toviwall/desktop-settings
// (~/.local/state by default), one "name=value" line each.
#include <optional>
#include <string>

namespace toviwall::platform {

std::optional<std::string> RecallFoundSetting(const std::string& name);
// Keeps the first value found: a second change before the undo keeps the original.
void RememberFoundSetting(const std::string& name, const std::string& value);
void ForgetFoundSetting(const std::string& name);

// Our folder of state beside that file: $XDG_STATE_HOME/toviwall.
std::string StateFolder();

}  // namespace toviwall::platform
