#include "base/SettingsPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "base/IniFile.h"

namespace toviwall {
namespace {

std::string GetEnv(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Creates one folder level when missing; reports a failure and goes on.
std::string EnsureFolder(const std::string& path, const MessageSink& message) {
  if (!DirectoryExists(path) && ::mkdir(path.c_str(), 0777) != 0 && !DirectoryExists(path) && message)
    message("Cannot create data folder");
  return path;
}

void MakeFolders(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  for (std::size_t at = path.find('/', 1); ; at = path.find('/', at + 1)) {
    std::string prefix = at == std::string::npos ? path : path.substr(0, at);
    if (!prefix.empty() && !DirectoryExists(prefix)) ::mkdir(prefix.c_str(), 0700);
    if (at == std::string::npos) break;
  }
}

}  // namespace

ProcessEnvironment ProcessEnvironment::UserFolders() {
  ProcessEnvironment env;
  env.home = GetEnv("HOME");
  // Relative values are not folders of the XDG base directories: the defaults stand.
  auto xdg = [&env](const char* variable, const char* fallback) {
    std::string folder = GetEnv(variable);
    if (folder.empty() || folder[0] != '/') folder = env.home.empty() ? std::string() : Join(env.home, fallback);
    return folder;
  };
  env.configHome = xdg("XDG_CONFIG_HOME", ".config");
  env.cacheHome = xdg("XDG_CACHE_HOME", ".cache");
  env.dataHome = xdg("XDG_DATA_HOME", ".local/share");
  env.stateHome = xdg("XDG_STATE_HOME", ".local/state");
  env.runtimeDir = GetEnv("XDG_RUNTIME_DIR");
  if (!env.runtimeDir.empty() && env.runtimeDir[0] != '/') env.runtimeDir.clear();
  return env;
}

ProcessEnvironment ProcessEnvironment::Current(int argc, char** argv) {
  ProcessEnvironment env = UserFolders();
  for (int i = 1; i < argc; ++i) env.args.emplace_back(argv[i]);
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) env.programFile.assign(buf, static_cast<std::size_t>(n));
  else if (argc > 0) env.programFile = argv[0];
  if (::getcwd(buf, sizeof buf)) env.workingDir = buf;
  return env;
}

bool IsSwitchArgument(const std::string& arg) {
  if (arg.empty()) return false;
  if (arg[0] == '-') return true;
  return arg[0] == '/' && arg.find('/', 1) == std::string::npos;
}

std::string ExtractFilePath(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  std::size_t nameStart = path.find_last_of('/');
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  std::size_t dot = path.find_last_of('.');
  // A leading dot names a hidden file, not an extension.
  if (dot == std::string::npos || dot <= nameStart) return path + ext;
  return path.substr(0, dot) + ext;
}

std::string SettingsFilePath(const ProcessEnvironment& env) {
  for (const std::string& arg : env.args) {
    if (IsSwitchArgument(arg)) continue;
    std::string path = arg;
    if (path.find('/') == std::string::npos) path = ExtractFilePath(env.programFile) + path;
    else if (path[0] != '/' && !env.workingDir.empty()) path = Join(env.workingDir, path);
    return ChangeFileExt(path, ".ini");
  }
  if (env.configHome.empty()) return ChangeFileExt(env.programFile, ".ini");
  return Join(Join(Join(env.configHome, kCompany), kTitle), ChangeFileExt(ExtractFileName(env.programFile), ".ini"));
}

std::string SettingsFileFor(const ProcessEnvironment& env, const MessageSink& message) {
  const bool profile = std::any_of(env.args.begin(), env.args.end(), [](const std::string& a) { return !IsSwitchArgument(a); });
  if (!profile && !env.configHome.empty()) {
    // The application data folder itself always exists on the desktop the program
    // came from; here a new account may not have it yet.
    MakeFolders(env.configHome);
    EnsureFolder(Join(EnsureFolder(Join(env.configHome, kCompany), message), kTitle), message);
  }
  return SettingsFilePath(env);
}

std::string ImageListFileFor(const std::string& settingsFile) { return ChangeFileExt(settingsFile, ".lst"); }

std::string XdgUserDir(const ProcessEnvironment& env, const std::string& which, const std::string& fallback) {
  std::string content;
  if (!env.configHome.empty() && ReadWholeFile(Join(env.configHome, "user-dirs.dirs"), content)) {
    const std::string prefix = "XDG_" + which + "_DIR=";
    std::size_t pos = 0;
    while (pos < content.size()) {
      std::size_t end = content.find('\n', pos);
      if (end == std::string::npos) end = content.size();
      std::string line = content.substr(pos, end - pos);
      pos = end + 1;
      std::size_t start = line.find_first_not_of(" \t");
      if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0) continue;
      std::string value = line.substr(start + prefix.size());
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
      if (value.rfind("$HOME", 0) == 0) value = env.home + value.substr(5);
      if (value.empty() || value[0] != '/') continue;
      while (value.size() > 1 && value.back() == '/') value.pop_back();
      // A folder set to $HOME itself means the user switched it off.
      if (value == env.home) return {};
      return value;
    }
  }
  if (!env.home.empty() && DirectoryExists(Join(env.home, fallback))) return Join(env.home, fallback);
  return {};
}

std::string ProposedImageFolder(const ProcessEnvironment& env, const std::string& settingsFile) {
  std::string folder = XdgUserDir(env, "PICTURES", "Pictures");
  if (folder.empty()) folder = XdgUserDir(env, "DOCUMENTS", "Documents");
  if (folder.empty()) {
    folder = ExtractFilePath(settingsFile);
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  }
  if (folder.empty()) {
    folder = ExtractFilePath(env.programFile);
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  }
  return folder;
}

std::string VersionText(int major, int minor, int release, int build) {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(release) + " (Build " +
         std::to_string(build) + ")";
}

std::string ProductStoreFile(const ProcessEnvironment& env) {
  if (env.configHome.empty()) return {};
  return Join(Join(env.configHome, kCompany), "registry.ini");
}

void RecordVersion(const ProcessEnvironment& env, const std::string& key, const std::string& versionText) {
  std::string file = ProductStoreFile(env);
  if (file.empty()) return;
  MakeFolders(ExtractFilePath(file));
  try {
    IniWriteString(file, key, "Version", versionText);
  } catch (const SettingsWriteError&) {
    // The version record is informational; start-up must go on without it.
  }
}

}  // namespace toviwall
