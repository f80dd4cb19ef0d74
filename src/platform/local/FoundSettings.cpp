#include "platform/local/FoundSettings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "base/AtomicFile.h"
#include "base/SettingsPaths.h"

namespace toviwall::platform {
namespace {

std::string FilePath() { return StateFolder() + "/desktop-settings"; }

std::map<std::string, std::string> Load() {
  std::map<std::string, std::string> values;
  std::ifstream in(FilePath());
  for (std::string line; std::getline(in, line);) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

void Store(const std::map<std::string, std::string>& values) {
  const std::string path = FilePath();
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::string text;
  for (const auto& [name, value] : values) text += name + "=" + value + "\n";
  AtomicFileWriter writer(path);
  writer.Write(text);
  writer.Commit();
}

}  // namespace

std::string StateFolder() { return ProcessEnvironment::UserFolders().stateHome + "/toviwall"; }

std::optional<std::string> RecallFoundSetting(const std::string& name) {
  auto values = Load();
  auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

void RememberFoundSetting(const std::string& name, const std::string& value) {
  auto values = Load();
  if (values.count(name)) return;
  values[name] = value;
  Store(values);
}

void ForgetFoundSetting(const std::string& name) {
  auto values = Load();
  if (values.erase(name)) Store(values);
}

}  // namespace toviwall::platform
