#pragma once
// The user's start-up entries: programs the session starts at logon, each
// under a name of its own. What an entry holds is the caller's business
// (desktop/AutoStart); this is where entries are kept.
#include <optional>
#include <string>

namespace toviwall::platform {

class AutoStart {
 public:
  virtual ~AutoStart() = default;
  // The entry's text; nothing when there is no entry of that name. An entry that
  // exists but cannot be read answers an empty text.
  virtual std::optional<std::string> ReadEntry(const std::string& name) = 0;
  // Writes the entry whole, in place of one of that name; false when it cannot.
  virtual bool WriteEntry(const std::string& name, const std::string& text) = 0;
  // False when the entry was there and could not be removed.
  virtual bool RemoveEntry(const std::string& name) = 0;
};

}  // namespace toviwall::platform
