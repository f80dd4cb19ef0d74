#include "app/ui/OnlyOnce.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "platform/local/BackgroundStart.h"

namespace toviwall {
namespace {

constexpr std::chrono::seconds kStartLimit{30};

void Say(const std::string& text) { std::fprintf(stderr, "toviwall: %s\n", text.c_str()); }

// Starts the program and hands it the request once it listens.
bool StartAndSend(const CommandLine& line, const ProcessEnvironment& env, platform::SingleInstance& instance,
                  remote::Reply& reply) {
  const int pid = platform::StartInBackground(env.programFile, line.runArgs,
                                              {std::string(kStartedForCommandVariable) + "=1"});
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  for (;;) {
    if (instance.SendRequest(MutexName(), line.request, reply) == platform::SingleInstance::Outcome::Answered)
      return true;
    // Ended with 0: another start got there first, and that one will answer.
    if (std::optional<int> status = platform::BackgroundExitStatus(pid); status && *status != 0) {
      Say(std::string(kTitle) + " could not start (exit status " + std::to_string(*status) +
          "); start toviwall on its own to see why");
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      Say(std::string(kTitle) + " was started but did not take the command within " +
          std::to_string(kStartLimit.count()) + " s");
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace

bool OnlyOnce(const std::string& title, platform::SingleInstance& instance, bool tell) {
  std::string name = MutexNameFor(title);
  return instance.OtherInstanceRunning(name, tell ? "ToviMsg" + name : std::string());
}

int RunCommand(const CommandLine& line, const ProcessEnvironment& env, platform::SingleInstance& instance) {
  const remote::Request& request = line.request;
  const std::string option = "--" + std::string(remote::CommandName(request.command));
  // A drop never carries a path that is not there; a typing error is said here.
  for (const std::string& path : request.paths) {
    if (!FileExists(path) && !DirectoryExists(path)) {
      Say(option + ": no such file or folder: " + path);
      return kExitFailed;
    }
  }
  remote::Reply reply;
  try {
    if (instance.SendRequest(MutexName(), request, reply) == platform::SingleInstance::Outcome::NotRunning) {
      if (!StartsProgram(request.command)) {
        Say(std::string(kTitle) + " is not running");
        return kExitNotRunning;
      }
      if (!StartAndSend(line, env, instance, reply)) return kExitFailed;
    }
    // Done once it has ended: a start right after this one runs as the first.
    if (request.command == remote::Command::Exit && reply.status != remote::Status::Refused &&
        !instance.WaitUntilReleased(MutexName(), kStartLimit)) {
      Say(std::string(kTitle) + " is ending but still runs after " + std::to_string(kStartLimit.count()) + " s");
      return kExitFailed;
    }
  } catch (const std::exception& e) {
    Say(e.what());
    return kExitFailed;
  }
  if (reply.status == remote::Status::Ok) {
    for (const std::string& text : reply.lines) std::printf("%s\n", text.c_str());
    return std::fflush(stdout) == 0 ? kExitDone : kExitFailed;
  }
  const char* verdict = reply.status == remote::Status::Refused ? "refused" : "failed";
  Say(option + " " + verdict + ": " + (reply.lines.empty() ? std::string("no reason given") : reply.lines.front()));
  return kExitFailed;
}

}  // namespace toviwall
