#pragma once
// Typed access to the keys of SettingsKeys.h, over the stateless store.
#include <string>

#include "base/IniFile.h"
#include "base/SettingsKeys.h"

namespace toviwall {

inline bool Read(const std::string& file, const keys::BoolKey& k) {
  return IniReadBool(file, k.section, k.name, k.def);
}
inline bool Read(const std::string& file, const keys::BoolKey& k, bool def) {
  return IniReadBool(file, k.section, k.name, def);
}
inline std::int32_t Read(const std::string& file, const keys::IntKey& k) {
  return IniReadInteger(file, k.section, k.name, k.def);
}
inline std::int32_t Read(const std::string& file, const keys::IntKey& k, std::int32_t def) {
  return IniReadInteger(file, k.section, k.name, def);
}
inline std::string Read(const std::string& file, const keys::StringKey& k, const std::string& def = {}) {
  return IniReadString(file, k.section, k.name, def);
}
inline double Read(const std::string& file, const keys::DateTimeKey& k, double def) {
  return IniReadDateTime(file, k.section, k.name, def);
}

inline void Write(const std::string& file, const keys::BoolKey& k, bool v) {
  IniWriteBool(file, k.section, k.name, v);
}
inline void Write(const std::string& file, const keys::IntKey& k, std::int32_t v) {
  IniWriteInteger(file, k.section, k.name, v);
}
inline void Write(const std::string& file, const keys::StringKey& k, const std::string& v) {
  IniWriteString(file, k.section, k.name, v);
}
inline void Write(const std::string& file, const keys::DateTimeKey& k, double v) {
  IniWriteDateTime(file, k.section, k.name, v);
}

}  // namespace toviwall
