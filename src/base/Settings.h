#pragma once
// Typed access to the keys of SettingsKeys.h: free functions over the stateless
// store, and the program's settings object, which reads and writes one file
// through them, applies each key's bounds and tells who asked when a key changes.
#include <cstdlib>
#include <functional>
#include <memory>
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
  return k.Bounded(IniReadInteger(file, k.section, k.name, k.def));
}
inline std::int32_t Read(const std::string& file, const keys::IntKey& k, std::int32_t def) {
  return k.Bounded(IniReadInteger(file, k.section, k.name, def));
}
inline std::string Read(const std::string& file, const keys::StringKey& k, const std::string& def = {}) {
  return IniReadString(file, k.section, k.name, def);
}
inline double Read(const std::string& file, const keys::DateTimeKey& k, double def) {
  return IniReadDateTime(file, k.section, k.name, def);
}

// Row numbers separated by commas ("5,6"); what does not read as a number of
// 0 or more is left out.
std::vector<int> ParseNumbers(const std::string& text);
std::string NumbersText(const std::vector<int>& numbers);

inline std::vector<int> ReadNumbers(const std::string& file, const keys::StringKey& k) {
  return ParseNumbers(Read(file, k));
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
  Write(file, k, NumbersText(numbers));
}

// The settings of one run. Every read goes to the file (another program's edit
// is seen) and every write reaches it at once, as the free functions do; the
// file is named once start-up knows it. Integers come back within their keys'
// bounds. A write that changes a key's text runs that key's observers after it.
class Settings {
 public:
  Settings() = default;
  explicit Settings(std::string file) : file_(std::move(file)) {}
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  void SetFile(std::string file) { file_ = std::move(file); }
  const std::string& File() const { return file_; }

  bool Get(const keys::BoolKey& k) const { return Read(file_, k); }
  bool Get(const keys::BoolKey& k, bool def) const { return Read(file_, k, def); }
  std::int32_t Get(const keys::IntKey& k) const { return Read(file_, k); }
  std::int32_t Get(const keys::IntKey& k, std::int32_t def) const { return Read(file_, k, def); }
  std::string Get(const keys::StringKey& k, const std::string& def = {}) const { return Read(file_, k, def); }
  double Get(const keys::DateTimeKey& k, double def) const { return Read(file_, k, def); }
  std::vector<int> GetNumbers(const keys::StringKey& k) const { return ReadNumbers(file_, k); }
  // A section's "key=value" lines joined by CR LF.
  std::string SectionText(const char* section) const { return IniReadSectionText(file_, section); }

  void Set(const keys::BoolKey& k, bool v) { Store({{k.section, k.name, IniBoolText(v)}}); }
  void Set(const keys::IntKey& k, std::int32_t v) { Store({{k.section, k.name, std::to_string(v)}}); }
  void Set(const keys::StringKey& k, const std::string& v) { Store({{k.section, k.name, v}}); }
  void Set(const keys::DateTimeKey& k, double v) { Store({{k.section, k.name, IniDateTimeText(v)}}); }
  void SetNumbers(const keys::StringKey& k, const std::vector<int>& v) { Set(k, NumbersText(v)); }

  // Values that belong together, written as one replacement of the file in
  // the order they were added: each as its own write would store it.
  class Batch {
   public:
    Batch& Add(const keys::BoolKey& k, bool v) { return Put(k.section, k.name, IniBoolText(v)); }
    Batch& Add(const keys::IntKey& k, std::int32_t v) { return Put(k.section, k.name, std::to_string(v)); }
    Batch& Add(const keys::StringKey& k, std::string v) { return Put(k.section, k.name, std::move(v)); }
    Batch& Add(const keys::DateTimeKey& k, double v) { return Put(k.section, k.name, IniDateTimeText(v)); }
    Batch& AddNumbers(const keys::StringKey& k, const std::vector<int>& v) { return Add(k, NumbersText(v)); }
    bool Empty() const { return values_.empty(); }

   private:
    friend class Settings;
    Batch& Put(const char* section, const char* name, std::string text) {
      values_.push_back({section, name, std::move(text)});
      return *this;
    }
    std::vector<IniValue> values_;
  };
  void Set(const Batch& batch) { Store(batch.values_); }

  // Runs `observer` after each write that changes the key's text, until the
  // answer is destroyed.
  class Subscription {
   public:
    Subscription() = default;
    Subscription(Subscription&&) = default;
    Subscription& operator=(Subscription&&) = default;
    ~Subscription();

   private:
    friend class Settings;
    struct Entry;
    explicit Subscription(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
    std::shared_ptr<Entry> entry_;
  };
  template <class Key>
  [[nodiscard]] Subscription OnChange(const Key& k, std::function<void()> observer) {
    return Observe(k.section, k.name, std::move(observer));
  }

 private:
  void Store(const std::vector<IniValue>& values);
  Subscription Observe(const char* section, const char* name, std::function<void()> observer);

  std::string file_;
  std::vector<std::weak_ptr<Subscription::Entry>> observers_;
};

}  // namespace toviwall
