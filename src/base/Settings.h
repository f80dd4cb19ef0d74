#pragma once
// Typed access to the keys of SettingsKeys.h, over the stateless store.
#include <cstdlib>
#include <string>
#include <vector>

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

// A string key holding row numbers separated by commas ("5,6"); what does not
// read as a number of 0 or more is left out.
inline std::vector<int> ReadNumbers(const std::string& file, const keys::StringKey& k) {
  std::vector<int> numbers;
  const std::string text = Read(file, k);
  for (std::size_t at = 0; at <= text.size();) {
    std::size_t end = text.find(',', at);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(at, end - at);
    char* stop = nullptr;
    const long v = std::strtol(item.c_str(), &stop, 10);
    if (!item.empty() && *stop == '\0' && v >= 0 && v <= 0x7FFFFFFF) numbers.push_back(static_cast<int>(v));
    at = end + 1;
  }
  return numbers;
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

inline void WriteNumbers(const std::string& file, const keys::StringKey& k, const std::vector<int>& numbers) {
  std::string text;
  for (int n : numbers) text += (text.empty() ? "" : ",") + std::to_string(n);
  Write(file, k, text);
}

}  // namespace toviwall
