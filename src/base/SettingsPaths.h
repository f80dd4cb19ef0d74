#pragma once
// Where the settings file, the image list file and the default image folder are.
#include <functional>
#include <string>
#include <vector>

namespace toviwall {

// What the path rules read from the process and the user's environment.
struct ProcessEnvironment {
  std::vector<std::string> args;  // command-line arguments without the program name
  std::string programFile;        // full path of the running program
  std::string home;               // $HOME
  std::string configHome;         // $XDG_CONFIG_HOME, else $HOME/.config
  std::string cacheHome;          // $XDG_CACHE_HOME, else $HOME/.cache
  std::string dataHome;           // $XDG_DATA_HOME, else $HOME/.local/share
  std::string stateHome;          // $XDG_STATE_HOME, else $HOME/.local/state
  std::string runtimeDir;         // $XDG_RUNTIME_DIR; empty without one
  std::string workingDir;

  static ProcessEnvironment Current(int argc, char** argv);
  // The user's folders alone (home and the XDG base directories), by the same
  // rules: every part of the program that needs one asks here.
  static ProcessEnvironment UserFolders();
};

using MessageSink = std::function<void(const std::string&)>;

// The settings file: the first argument that is not a switch, with ".ini" for its
// extension (in the program's folder when it names no folder); otherwise
// <config>/Tovi Solution/Tovi WallChanger/<program>.ini, creating both folders and
// reporting "Cannot create data folder" through `message` for each that fails.
std::string SettingsFileFor(const ProcessEnvironment& env, const MessageSink& message);
// The same path, without making a folder.
std::string SettingsFilePath(const ProcessEnvironment& env);

// True for an argument that is a switch: "-x", or a Windows-style "/x" that holds
// no further "/" (an absolute path is not a switch).
bool IsSwitchArgument(const std::string& arg);

// The path with its extension (from the last "." of the last component) replaced.
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string ExtractFilePath(const std::string& path);  // folder with its trailing "/"
std::string ExtractFileName(const std::string& path);

// Settings file with ".lst" for its extension.
std::string ImageListFileFor(const std::string& settingsFile);

// The folder offered for "Image Folder": the user's Pictures folder, else Documents
// (XDG user dirs), else the settings file's folder, else the program's folder.
std::string ProposedImageFolder(const ProcessEnvironment& env, const std::string& settingsFile);

// An XDG user directory ("PICTURES", "DOCUMENTS") as user-dirs.dirs names it;
// $HOME/<fallback> when the file does not name it and that folder exists; else empty.
std::string XdgUserDir(const ProcessEnvironment& env, const std::string& which, const std::string& fallback);

// The version text "M.m.r (Build b)".
std::string VersionText(int major, int minor, int release, int build);

// Writes "Version" under the product key into the per-user store
// <config>/Tovi Solution/registry.ini. Failures are silent: start-up goes on.
void RecordVersion(const ProcessEnvironment& env, const std::string& key, const std::string& versionText);
std::string ProductStoreFile(const ProcessEnvironment& env);

}  // namespace toviwall
