#pragma once
// What the command line asks for: a run of the program, its help or version,
// or a command for the running program. Switches are read before anything
// else; other arguments that begin with "-" are skipped, and the first
// remaining one names the settings file. After --add, every argument that does
// not begin with "-" is a path, and after "--" every argument is.
#include <string>
#include <vector>

#include "base/RemoteProtocol.h"

namespace toviwall {

struct CommandLine {
  enum class Action { Run, Help, Version, Command, Wrong };
  Action action = Action::Run;
  remote::Request request;  // Command: relative paths made absolute
  // The arguments a start of the program for this command line gets: all but
  // the command and its paths.
  std::vector<std::string> runArgs;
  std::string error;  // Wrong: what is wrong, in one line
};

// `args` without the program name; relative paths are taken from `workingDir`.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& workingDir);

// When no instance runs, these commands start the program first.
bool StartsProgram(remote::Command command);

// The exit statuses of a command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;  // refused, failed, timed out, or the program could not start
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotRunning = 3;

// --help: usage, every switch, the files and environment variables.
std::string UsageText();
// --version: "Tovi WallChanger 2.3.5 (Build 41)".
std::string VersionLine();

}  // namespace toviwall
