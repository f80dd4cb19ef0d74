#pragma once
// Starting the program in the background for a command of the command line
// when it is not running, and learning how that start ended.
#include <optional>
#include <string>
#include <vector>

namespace toviwall::platform {

// Starts `program` with `args` in a session of its own (the terminal's end or
// Ctrl+C do not reach it), with `extraEnv` ("NAME=value") added to this
// process's environment. Its input is /dev/null, and so are its output and error
// output where they are pipes: whoever reads ours would otherwise wait for the
// program to end. Answers the process id; throws std::runtime_error saying why
// it could not start.
int StartInBackground(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extraEnv);
// The exit status of a process StartInBackground started, once it has ended
// (128 + the signal when one ended it).
std::optional<int> BackgroundExitStatus(int pid);

}  // namespace toviwall::platform
