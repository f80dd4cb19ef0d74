#include "platform/local/BackgroundStart.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

extern char** environ;

namespace toviwall::platform {
namespace {

struct FileActions {
  FileActions() { posix_spawn_file_actions_init(&value); }
  ~FileActions() { posix_spawn_file_actions_destroy(&value); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  posix_spawn_file_actions_t value;
};

struct SpawnAttributes {
  SpawnAttributes() { posix_spawnattr_init(&value); }
  ~SpawnAttributes() { posix_spawnattr_destroy(&value); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  posix_spawnattr_t value;
};

bool IsPipeOrClosed(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) != 0 || S_ISFIFO(st.st_mode);
}

std::string NameOf(const std::string& assignment) { return assignment.substr(0, assignment.find('=')); }

}  // namespace

int StartInBackground(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extraEnv) {
  FileActions actions;
  posix_spawn_file_actions_addopen(&actions.value, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  for (int fd : {STDOUT_FILENO, STDERR_FILENO})
    if (IsPipeOrClosed(fd)) posix_spawn_file_actions_addopen(&actions.value, fd, "/dev/null", O_WRONLY, 0);

  SpawnAttributes attributes;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes.value, &none);
  posix_spawnattr_setsigdefault(&attributes.value, &all);
  posix_spawnattr_setflags(&attributes.value, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> argStrings{program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> envStrings;
  for (char** e = environ; e && *e; ++e) {
    std::string entry(*e);
    bool replaced = false;
    for (const std::string& extra : extraEnv) replaced = replaced || NameOf(extra) == NameOf(entry);
    if (!replaced) envStrings.push_back(std::move(entry));
  }
  envStrings.insert(envStrings.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp;
  for (std::string& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.c_str(), &actions.value, &attributes.value, argv.data(), envp.data());
  if (error != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
  return pid;
}

std::optional<int> BackgroundExitStatus(int pid) {
  int status = 0;
  const pid_t done = ::waitpid(pid, &status, WNOHANG);
  if (done == 0) return std::nullopt;
  if (done < 0) return -1;  // not ours to wait for (any more)
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return std::nullopt;
}

}  // namespace toviwall::platform
