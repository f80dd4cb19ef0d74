#include "platform/local/FirstWorkingTool.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>

extern char** environ;

namespace toviwall::platform {
namespace {

constexpr int kStillRunning = -1;

long MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

// In the forked processes below only async-signal-safe calls: the parent has
// other threads, whose locks the copy may hold.
[[noreturn]] void ExecTool(char* const argv[], const char* folder, int devNull) {
  ::setsid();
  if (::chdir(folder) != 0 && ::chdir("/") != 0) ::_exit(127);
  for (int fd = 0; fd <= 2; ++fd) ::dup2(devNull, fd);
  // Nothing of ours (the X connection, the instance lock) may live on in it.
  ::syscall(SYS_close_range, 3U, ~0U, 0U);
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &plain, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::execve(argv[0], argv, environ);
  ::_exit(127);
}

// The tool's exit status once it ended within the moment, else kStillRunning.
int WatchTool(pid_t tool, int settleMs) {
  const long deadline = MonotonicMs() + settleMs;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(tool, &status, WNOHANG);
    if (done == tool) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0 && errno != EINTR) return 127;
    if (MonotonicMs() >= deadline) return kStillRunning;
    const timespec step{0, 20 * 1000 * 1000};
    ::nanosleep(&step, nullptr);
  }
}

}  // namespace

FirstWorkingTool::FirstWorkingTool(int settleMs) : settleMs_(settleMs) {}

FirstWorkingTool::~FirstWorkingTool() { Abandon(); }

void FirstWorkingTool::Start(std::vector<std::vector<std::string>> commands, std::string folder) {
  Abandon();
  folder_ = std::move(folder);
  std::reverse(commands.begin(), commands.end());
  pending_ = std::move(commands);
  TryNext();
}

void FirstWorkingTool::TryNext() {
  while (!pending_.empty() && watcher_ < 0) {
    std::vector<std::string> command = std::move(pending_.back());
    pending_.pop_back();
    if (command.empty()) continue;
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return;
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t watcher = devNull < 0 ? -1 : ::fork();
    if (watcher == 0) {
      struct sigaction plain {};
      plain.sa_handler = SIG_DFL;
      ::sigaction(SIGCHLD, &plain, nullptr);  // the tool's end is for us to see
      const pid_t tool = ::fork();
      if (tool == 0) ExecTool(argv.data(), folder_.c_str(), devNull);
      const int result = tool < 0 ? 127 : WatchTool(tool, settleMs_);
      [[maybe_unused]] const ssize_t written = ::write(pipe[1], &result, sizeof result);
      ::_exit(0);
    }
    ::close(pipe[1]);
    if (devNull >= 0) ::close(devNull);
    if (watcher < 0) {
      ::close(pipe[0]);
      return;
    }
    watcher_ = watcher;
    result_ = pipe[0];
    notifier_ = std::make_unique<QSocketNotifier>(result_, QSocketNotifier::Read);
    // Handled after the signal: Settled lets go of the notifier.
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this, watcher] {
      notifier_->setEnabled(false);
      QMetaObject::invokeMethod(
          this, [this, watcher] { if (watcher_ == watcher) Settled(); }, Qt::QueuedConnection);
    });
  }
}

void FirstWorkingTool::Settled() {
  int result = 127;
  if (::read(result_, &result, sizeof result) != static_cast<ssize_t>(sizeof result)) result = 127;
  notifier_.reset();
  ::close(result_);
  result_ = -1;
  ::waitpid(watcher_, nullptr, 0);  // it ends right after telling
  watcher_ = -1;
  if (result == 0 || result == kStillRunning) {
    pending_.clear();
    return;
  }
  TryNext();
}

void FirstWorkingTool::Abandon() {
  pending_.clear();
  notifier_.reset();
  if (result_ >= 0) ::close(result_);
  result_ = -1;
  if (watcher_ > 0) {
    // The tool has a session of its own and is not the watcher's to take along.
    ::kill(watcher_, SIGKILL);
    ::waitpid(watcher_, nullptr, 0);
  }
  watcher_ = -1;
}

}  // namespace toviwall::platform
