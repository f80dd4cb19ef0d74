#include "base/Settings.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace toviwall {
namespace {

// No stored value can hold a line break: it stands for a key that is missing.
constexpr const char* kMissing = "\n";

bool SameKey(std::string_view section, std::string_view name, const char* otherSection, const char* otherName) {
  return section.size() == std::strlen(otherSection) && name.size() == std::strlen(otherName) &&
         ::strncasecmp(section.data(), otherSection, section.size()) == 0 &&
         ::strncasecmp(name.data(), otherName, name.size()) == 0;
}

}  // namespace

std::vector<int> ParseNumbers(const std::string& text) {
  std::vector<int> numbers;
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

std::string NumbersText(const std::vector<int>& numbers) {
  std::string text;
  for (int n : numbers) text += (text.empty() ? "" : ",") + std::to_string(n);
  return text;
}

struct Settings::Subscription::Entry {
  const char* section;
  const char* name;
  std::function<void()> observer;
};

Settings::Subscription::~Subscription() = default;

Settings::Subscription Settings::Observe(const char* section, const char* name, std::function<void()> observer) {
  auto entry = std::make_shared<Subscription::Entry>(Subscription::Entry{section, name, std::move(observer)});
  std::erase_if(observers_, [](const auto& weak) { return weak.expired(); });
  observers_.push_back(entry);
  return Subscription(std::move(entry));
}

void Settings::Store(const std::vector<IniValue>& values) {
  // Only keys someone listens to are read before the write, to tell a change.
  struct Watched {
    std::shared_ptr<Subscription::Entry> entry;
    std::string before;
  };
  std::vector<Watched> watched;
  for (const auto& weak : observers_) {
    auto entry = weak.lock();
    if (!entry) continue;
    const bool written = std::any_of(values.begin(), values.end(), [&](const IniValue& v) {
      return SameKey(v.section, v.key, entry->section, entry->name);
    });
    if (written) watched.push_back({entry, IniReadString(file_, entry->section, entry->name, kMissing)});
  }
  IniWriteValues(file_, values);
  for (Watched& w : watched)
    if (IniReadString(file_, w.entry->section, w.entry->name, kMissing) != w.before) w.entry->observer();
}

}  // namespace toviwall
