#pragma once
// The settings store: stateless reads and writes of one INI value each. Every
// call opens and closes the file; nothing is cached, so another program's edits
// between two calls are seen. Section and key names are matched without regard
// to case; the first matching section and key win.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace toviwall {

// "Unable to write to <file>": a write that the system refused.
class SettingsWriteError : public std::runtime_error {
 public:
  explicit SettingsWriteError(const std::string& file);
};

inline constexpr std::size_t kIniMaxValueChars = 2047;

bool IniReadBool(const std::string& file, std::string_view section, std::string_view key, bool def);
std::int32_t IniReadInteger(const std::string& file, std::string_view section, std::string_view key,
                            std::int32_t def);
std::string IniReadString(const std::string& file, std::string_view section, std::string_view key,
                          const std::string& def);
// Date-time as days since 1899-12-30 with the time of day as the fraction.
double IniReadDateTime(const std::string& file, std::string_view section, std::string_view key,
                       double def);

void IniWriteBool(const std::string& file, std::string_view section, std::string_view key, bool value);
void IniWriteInteger(const std::string& file, std::string_view section, std::string_view key,
                     std::int32_t value);
void IniWriteString(const std::string& file, std::string_view section, std::string_view key,
                    std::string_view value);
void IniWriteDateTime(const std::string& file, std::string_view section, std::string_view key,
                      double value);

// Several values, each as its own write would store it and in this order, in one
// replacement of the file: the file reads as before or with all of them, never
// with part. A value the format cannot carry refuses the whole write.
struct IniValue {
  std::string_view section;
  std::string_view key;
  std::string value;
};
void IniWriteValues(const std::string& file, const std::vector<IniValue>& values);
// The text each typed write stores.
std::string IniBoolText(bool value);
std::string IniDateTimeText(double value);

// True when the file holds the section with at least one key.
bool IniSectionExists(const std::string& file, std::string_view section);
// The section's entries as "key=value" lines joined by CR LF; keys with an empty
// value give no line, a key listed twice gives one line with its first value.
std::string IniReadSectionText(const std::string& file, std::string_view section);
// Removes the section; retries a refused write a few times, then gives up. Always true.
bool IniEraseSection(const std::string& file, std::string_view section);

// Integer text as the store reads it: decimal with an optional sign, or hexadecimal
// after "$", "0x" or "0X" (up to 32 bits, taken as signed). False for anything else.
bool ParseIniInteger(std::string_view text, std::int32_t& out);

}  // namespace toviwall
