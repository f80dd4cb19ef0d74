#pragma once
#include <string>

#include "app/CommandLine.h"
#include "base/SettingsPaths.h"
#include "platform/SingleInstance.h"

namespace toviwall {

// True when another instance of the program is running; it has then been told
// to show or hide its main window (with `tell` false it is told nothing).
bool OnlyOnce(const std::string& title, platform::SingleInstance& instance, bool tell = true);

// Hands the command of the command line to the running instance and prints its
// answer; when none runs, starts the program first if the command asks for that.
// Answers the exit status (CommandLine.h); says on stderr why a command failed.
int RunCommand(const CommandLine& line, const ProcessEnvironment& env, platform::SingleInstance& instance);

// Set for a start made by RunCommand: when another instance runs already, the
// start ends quietly instead of showing or hiding that one's window.
inline constexpr const char* kStartedForCommandVariable = "TOVIWALL_STARTED_FOR_COMMAND";

}  // namespace toviwall
