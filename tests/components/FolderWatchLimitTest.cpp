// The warning of a folder that cannot be watched names the limit that was
// reached, with its value: provoked for real in a child process (a user
// namespace with a lower limit of its own, a low limit on open files).
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>

#include "base/UnitLanguage.h"
#include "imagelist/ui/DirMon.h"
#include "platform/DirectoryWatch.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

// Runs `body` in a child process; its text comes back through a pipe ("" when
// the child could not run it: -1 from `body` means the kernel offers no way).
std::string InChild(const std::function<std::string()>& body) {
  int out[2];
  if (::pipe(out) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out[0]);
    const std::string text = body();
    const bool written = ::write(out[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
    _exit(written ? 0 : 1);
  }
  ::close(out[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  ::waitpid(pid, nullptr, 0);
  return text;
}

std::string WarningFor(const std::string& folder, int error) {
  platform::WatchProblem problem;
  problem.path = folder;
  problem.error = error;
  return DirMonProblemText(folder, problem);
}

TEST(FolderWatchLimitTest, TheWarningNamesTheLimitThatWasReached) {
  test::TempDir dir;
  // A container's own limit on watches, below the system's.
  const std::string inNamespace = InChild([&]() -> std::string {
    const std::string uid = std::to_string(::geteuid()), gid = std::to_string(::getegid());
    if (::unshare(CLONE_NEWUSER) != 0) return "no user namespaces";
    test::WriteFile("/proc/self/setgroups", "deny");
    test::WriteFile("/proc/self/uid_map", "0 " + uid + " 1");
    test::WriteFile("/proc/self/gid_map", "0 " + gid + " 1");
    test::WriteFile("/proc/sys/user/max_inotify_watches", "1");
    const int fd = ::inotify_init1(IN_CLOEXEC);
    ::inotify_add_watch(fd, dir.Path().c_str(), IN_CREATE);
    if (::inotify_add_watch(fd, "/", IN_CREATE) >= 0 || errno != ENOSPC) return "the limit did not hold";
    return WarningFor(dir.Path(), errno);
  });
  if (inNamespace == "no user namespaces") GTEST_SKIP() << inNamespace;
  EXPECT_NE(inNamespace.find("(user.max_inotify_watches of this user namespace, now 1)"), std::string::npos)
      << inNamespace;
  EXPECT_EQ(inNamespace.find("fs.inotify"), std::string::npos) << inNamespace;

  // The program's own limit on open files: no instance of inotify can be had.
  const std::string openFiles = InChild([&]() -> std::string {
    rlimit low{};
    ::getrlimit(RLIMIT_NOFILE, &low);
    low.rlim_cur = 64;
    if (::setrlimit(RLIMIT_NOFILE, &low) != 0) return "no lower limit";
    while (::open("/dev/null", O_RDONLY) >= 0) {
    }
    if (::inotify_init1(IN_CLOEXEC) >= 0 || errno != EMFILE) return "the limit did not hold";
    return WarningFor(dir.Path(), errno);
  });
  EXPECT_NE(openFiles.find("the program has as many files open as it may (ulimit -n, now 64)"), std::string::npos)
      << openFiles;
  EXPECT_EQ(openFiles.find("max_user_instances"), std::string::npos) << openFiles;
}

TEST(FolderWatchLimitTest, TheWarningIsWordedByTheLanguageFile) {
  test::TempDir dir;
  test::WriteFile(dir / "WallLang.lng", "10128=Der Ordner \"%s\" wird nicht beobachtet: %s.\n10134=es gibt ihn nicht\n"
                                        "10132=Die Bildliste arbeitet weiter.\n");
  LanguageStrings().LoadFile(dir / "WallLang.lng");
  const std::string text = WarningFor(dir / "gone", ENOENT);
  LanguageStrings() = LanguageTable();  // English again for the other tests
  EXPECT_EQ(text, "Der Ordner \"" + dir / "gone" + "\" wird nicht beobachtet: es gibt ihn nicht.\n"
                  "Die Bildliste arbeitet weiter.");
}

}  // namespace
}  // namespace toviwall
