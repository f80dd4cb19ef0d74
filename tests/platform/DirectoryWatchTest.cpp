// The inotify folder watch against the real file system: names created,
// deleted and renamed anywhere in the tree, folders that come and go (the
// watched one too, also by unmounting), a stop that ends everything, and
// folders that cannot be watched.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/local/InotifyDirectoryWatch.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

namespace fs = std::filesystem;
using namespace platform;
using test::TempDir;
using test::WriteFile;

class Recorder {
 public:
  WatchCallbacks Callbacks() {
    WatchCallbacks c;
    c.changed = [this] { Bump([this] { ++changes_; }); };
    c.ready = [this](std::size_t folders) { Bump([&] { folders_ = static_cast<int>(folders); }); };
    c.problem = [this](const WatchProblem& p) { Bump([&] { problems_.push_back(p); }); };
    return c;
  }
  int Changes() {
    std::lock_guard<std::mutex> lock(m_);
    return changes_;
  }
  // Waits until the folders present at the start are watched; answers how many.
  int WaitReady() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait_for(lock, std::chrono::seconds(10), [this] { return folders_ >= 0; });
    return folders_;
  }
  // Runs `action` and answers whether a change was reported for it within the time.
  // A short `ms` asks that nothing be reported: the reports of earlier actions
  // (one per event, and a busy machine delivers the last ones late) are let
  // pass first, so that they are not taken for this action's.
  bool Noticed(const std::function<void()>& action, int ms = 5000) {
    if (ms < 1000) Settle();
    int before = Changes();
    action();
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return changes_ > before; });
  }
  // Until nothing has been reported for 200 ms (at most 5 s).
  void Settle() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::unique_lock<std::mutex> lock(m_);
    for (int seen = changes_; std::chrono::steady_clock::now() < deadline; seen = changes_)
      if (!cv_.wait_for(lock, std::chrono::milliseconds(200), [&] { return changes_ != seen; })) return;
  }
  std::vector<WatchProblem> Problems() {
    std::lock_guard<std::mutex> lock(m_);
    return problems_;
  }

 private:
  void Bump(const std::function<void()>& f) {
    {
      std::lock_guard<std::mutex> lock(m_);
      f();
    }
    cv_.notify_all();
  }
  std::mutex m_;
  std::condition_variable cv_;
  int changes_ = 0;
  int folders_ = -1;
  std::vector<WatchProblem> problems_;
};

std::size_t Entries(const char* folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

WatchRequest Request(const std::string& directory, unsigned kinds, bool nested) {
  WatchRequest request;
  request.directory = directory;
  request.changes = kinds;
  request.nested = nested;
  return request;
}

constexpr int kQuietMs = 300;  // how long "nothing was reported" is given

TEST(DirectoryWatchTest, NamesAnywhereInTheTreeAreNoticedButNotContents) {
  ASSERT_EQ(test::InotifyShortage(), "");
  TempDir dir;
  const std::string root = dir / "root", outside = dir / "outside";
  fs::create_directories(root + "/a/b");
  fs::create_directories(root + "/.cache");
  fs::create_directories(outside + "/moved/sub");
  WriteFile(root + "/a/old.jpg", "x");
  InotifyDirectoryWatch watches;
  Recorder r;
  auto watch = watches.Start(Request(root, changes::kFileName | changes::kDirName, true), r.Callbacks());
  EXPECT_EQ(r.WaitReady(), 3);  // root, a, a/b; not .cache

  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/a/b/new.jpg", "x"); }));
  EXPECT_TRUE(r.Noticed([&] { fs::rename(root + "/a/old.jpg", root + "/a/renamed.jpg"); }));
  EXPECT_TRUE(r.Noticed([&] { fs::remove(root + "/a/renamed.jpg"); }));
  // A folder made after the start, and folders made in it at once.
  EXPECT_TRUE(r.Noticed([&] { fs::create_directories(root + "/later/x/y"); }));
  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/later/x/y/p.png", "x"); }));
  // A folder moved into the tree, then renamed inside it.
  EXPECT_TRUE(r.Noticed([&] { fs::rename(outside + "/moved", root + "/a/moved"); }));
  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/a/moved/sub/q.bmp", "x"); }));
  EXPECT_TRUE(r.Noticed([&] { fs::rename(root + "/a/moved", root + "/a/moved2"); }));
  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/a/moved2/sub/r.bmp", "x"); }));
  // Moved out of the tree: what happens there is none of the watch's business.
  EXPECT_TRUE(r.Noticed([&] { fs::rename(root + "/a/moved2", outside + "/gone"); }));
  EXPECT_FALSE(r.Noticed([&] { WriteFile(outside + "/gone/sub/s.bmp", "x"); }, kQuietMs));
  EXPECT_TRUE(r.Noticed([&] { fs::remove_all(root + "/later"); }));
  // Contents only, and hidden folders, are not reported.
  EXPECT_FALSE(r.Noticed([&] { WriteFile(root + "/a/b/new.jpg", "changed contents"); }, kQuietMs));
  EXPECT_FALSE(r.Noticed([&] { WriteFile(root + "/.cache/thumb.png", "x"); }, kQuietMs));
  // Hidden files are.
  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/.hidden.png", "x"); }));
  EXPECT_TRUE(r.Problems().empty());

  // Not nested: the folder itself only; files only (not folders).
  Recorder flat;
  auto top = watches.Start(Request(root, changes::kFileName, false), flat.Callbacks());
  EXPECT_EQ(flat.WaitReady(), 1);
  EXPECT_FALSE(flat.Noticed([&] { WriteFile(root + "/a/b/deep.jpg", "x"); }, kQuietMs));
  EXPECT_FALSE(flat.Noticed([&] { fs::create_directory(root + "/folder-only"); }, kQuietMs));
  EXPECT_TRUE(flat.Noticed([&] { WriteFile(root + "/top.jpg", "x"); }));
}

WatchRequest PictureFolder(const std::string& directory) {
  WatchRequest request = Request(directory, changes::kFileName | changes::kDirName, true);
  request.hiddenFileCounts = [](std::string_view name) { return name.ends_with(".jpg"); };
  return request;
}

TEST(DirectoryWatchTest, TheFolderIsWatchedAgainWhenItComesBackAndHiddenChurnIsNoChange) {
  ASSERT_EQ(test::InotifyShortage(), "");
  TempDir dir;
  const std::string root = dir / "a/b/pics";
  fs::create_directories(root + "/sub");
  InotifyDirectoryWatch watches;
  Recorder r;
  auto watch = watches.Start(PictureFolder(root), r.Callbacks());
  EXPECT_EQ(r.WaitReady(), 2);

  // Hidden names the scan would not take: no change, however often.
  EXPECT_FALSE(r.Noticed([&] {
    for (int i = 0; i < 20; ++i) {
      WriteFile(root + "/.x", "x");
      fs::remove(root + "/.x");
    }
    fs::create_directory(root + "/.thumbs");
    WriteFile(root + "/sub/.~lock.odt#", "x");
  }, kQuietMs));
  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/.hidden.jpg", "x"); }));

  // Deleted and made again, at once or later; moved away and made again; the
  // folders above it deleted too: each time back is a change, and so is what
  // comes into it then.
  EXPECT_TRUE(r.Noticed([&] {
    fs::remove_all(root);
    fs::create_directory(root);
  }));
  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/1.jpg", "x"); }));
  fs::remove_all(root);
  r.Settle();
  EXPECT_TRUE(r.Noticed([&] { fs::create_directory(root); }));
  EXPECT_TRUE(r.Noticed([&] { fs::create_directories(root + "/new/deeper"); }));
  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/new/deeper/2.jpg", "x"); }));
  fs::rename(root, dir / "a/b/old");
  r.Settle();
  EXPECT_FALSE(r.Noticed([&] { WriteFile(dir / "a/b/old/3.jpg", "x"); }, kQuietMs));
  EXPECT_TRUE(r.Noticed([&] { fs::create_directory(root); }));
  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/4.jpg", "x"); }));
  fs::remove_all(dir / "a");
  r.Settle();
  EXPECT_TRUE(r.Noticed([&] { fs::create_directories(root); }));
  EXPECT_TRUE(r.Noticed([&] { WriteFile(root + "/5.jpg", "x"); }));
  EXPECT_FALSE(r.Noticed([&] { WriteFile(dir / "a/b/beside.jpg", "x"); }, kQuietMs));
  EXPECT_TRUE(r.Problems().empty());
}

TEST(DirectoryWatchTest, EndingAWatchWaitsForItsThreadAndLeaksNothing) {
  ASSERT_EQ(test::InotifyShortage(), "");
  TempDir dir;
  fs::create_directories(dir / "w/sub");
  InotifyDirectoryWatch watches;
  const std::size_t fds = Entries("/proc/self/fd"), threads = Entries("/proc/self/task");

  // While files keep coming, ended after and during the first walk: no
  // report after the end, and nothing left behind.
  std::atomic<int> ended{0};
  std::atomic<bool> late{false}, writing{true};
  std::thread writer([&] {
    for (int i = 0; writing; ++i) {
      WriteFile(dir / ("w/sub/f" + std::to_string(i)), "x");
      fs::remove(dir / ("w/sub/f" + std::to_string(i)));
    }
  });
  for (int i = 0; i < 1000; ++i) {
    Recorder r;
    WatchCallbacks c = r.Callbacks();
    c.changed = [&, i, counted = c.changed] {
      if (ended > i) late = true;
      counted();
    };
    auto watch = watches.Start(Request(dir / "w", changes::kFileName | changes::kDirName, true), c);
    if (i % 2 == 0) r.WaitReady();
    if (i % 100 == 0) r.Noticed([] {});  // a report now and then, also for the ones at the end
    watch.reset();
    ended = i + 1;
  }
  writing = false;
  writer.join();
  EXPECT_FALSE(late);
  EXPECT_EQ(Entries("/proc/self/fd"), fds);
  EXPECT_EQ(Entries("/proc/self/task"), threads);
}

// Runs `body` in a child process inside a new user namespace (mapped to root
// when asked); answers its exit status, or -1 when the kernel offers none.
int InUserNamespace(bool mapRoot, const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER) != 0) _exit(200);
    if (mapRoot) {
      WriteFile("/proc/self/setgroups", "deny");
      WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
      WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }
    _exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return 255;
  return WEXITSTATUS(status) == 200 ? -1 : WEXITSTATUS(status);
}

#define CHILD_CHECK(condition)                                          \
  do {                                                                  \
    if (!(condition)) {                                                 \
      std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      return 1;                                                         \
    }                                                                   \
  } while (0)

TEST(DirectoryWatchTest, FoldersThatCannotBeWatchedAreReportedAndTheRestStaysWatched) {
  TempDir dir;
  ::chmod(dir.Path().c_str(), 0755);
  const std::string root = dir / "tree";
  for (const char* d : {"a", "b", "c", "d", "e", "f", "g", "locked/inner"}) fs::create_directories(root + "/" + d);
  ::chmod((root + "/locked").c_str(), 0);
  ::chmod((root + "/g").c_str(), 0777);

  // As nobody (no privileges in the new namespace): the locked folder is refused.
  int status = InUserNamespace(false, [&] {
    InotifyDirectoryWatch watches;
    Recorder r;
    auto watch = watches.Start(Request(root, changes::kFileName, true), r.Callbacks());
    CHILD_CHECK(r.WaitReady() == 8);
    auto problems = r.Problems();
    CHILD_CHECK(problems.size() == 1);
    CHILD_CHECK(problems[0].path == root + "/locked" && problems[0].error == EACCES && problems[0].others == 0);
    CHILD_CHECK(r.Noticed([&] { WriteFile(root + "/g/new.jpg", "x"); }));
    return 0;
  });
  if (status == -1) GTEST_SKIP() << "no user namespaces on this kernel";
  EXPECT_EQ(status, 0);

  // The kernel's limit on watches, lowered for this namespace only, is reached
  // part way: the folders that got a watch keep it.
  ::chmod((root + "/locked").c_str(), 0755);
  status = InUserNamespace(true, [&] {
    WriteFile("/proc/sys/user/max_inotify_watches", "4");
    InotifyDirectoryWatch watches;
    Recorder r;
    auto watch = watches.Start(Request(root, changes::kFileName, true), r.Callbacks());
    CHILD_CHECK(r.WaitReady() == 4);
    auto problems = r.Problems();
    CHILD_CHECK(problems.size() == 1 && problems[0].error == ENOSPC && problems[0].limit > 0);
    CHILD_CHECK(r.Noticed([&] { WriteFile(root + "/new.jpg", "x"); }));
    return 0;
  });
  EXPECT_EQ(status, 0);
}

TEST(DirectoryWatchTest, UnmountedAndMountedAgainAndFoldersLetInLaterAreWatched) {
  TempDir dir;
  ::chmod(dir.Path().c_str(), 0755);
  const std::string root = dir / "tree";
  fs::create_directories(root + "/locked/inner");
  WriteFile(root + "/locked/inner/early.jpg", "x");
  ::chmod((root + "/locked").c_str(), 0);

  // Without privileges: the locked folder is refused, and watched once its
  // owner opens it up; what it held meanwhile is a change then.
  int status = InUserNamespace(false, [&] {
    InotifyDirectoryWatch watches;
    Recorder r;
    auto watch = watches.Start(PictureFolder(root), r.Callbacks());
    CHILD_CHECK(r.WaitReady() == 1);
    CHILD_CHECK(r.Problems().size() == 1 && r.Problems()[0].error == EACCES);
    CHILD_CHECK(r.Noticed([&] { ::chmod((root + "/locked").c_str(), 0755); }));
    CHILD_CHECK(r.Noticed([&] { WriteFile(root + "/locked/inner/late.jpg", "x"); }));
    return 0;
  });
  if (status == -1) GTEST_SKIP() << "no user namespaces on this kernel";
  EXPECT_EQ(status, 0);

  // File systems mounted and unmounted in a mount namespace of our own: the
  // watched folder inside one, the watched folder one, and one below it.
  status = InUserNamespace(true, [&] {
    CHILD_CHECK(::unshare(CLONE_NEWNS) == 0);
    CHILD_CHECK(::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
    const std::string disk = dir / "disk", pics = disk + "/pics", stick = dir / "stick";
    fs::create_directories(disk);
    fs::create_directories(stick);
    bool mounted = false;
    auto mountAt = [&](const std::string& at) { mounted = ::mount("none", at.c_str(), "tmpfs", 0, nullptr) == 0; };
    mountAt(disk);
    CHILD_CHECK(mounted);
    fs::create_directory(pics);
    InotifyDirectoryWatch watches;
    Recorder inside, whole;
    auto a = watches.Start(PictureFolder(pics), inside.Callbacks());
    auto b = watches.Start(PictureFolder(disk), whole.Callbacks());
    CHILD_CHECK(inside.WaitReady() == 1 && whole.WaitReady() == 2);
    CHILD_CHECK(::umount(disk.c_str()) == 0);
    inside.Settle();
    whole.Settle();
    CHILD_CHECK(whole.Noticed([&] { mountAt(disk); }) && mounted);
    CHILD_CHECK(inside.Noticed([&] { fs::create_directory(pics); }));
    CHILD_CHECK(inside.Noticed([&] { WriteFile(pics + "/1.jpg", "x"); }));
    CHILD_CHECK(whole.Noticed([&] { WriteFile(disk + "/2.jpg", "x"); }));
    // A stick with a picture on it, mounted over the folder.
    mountAt(stick);
    CHILD_CHECK(mounted);
    WriteFile(stick + "/3.jpg", "x");
    CHILD_CHECK(whole.Noticed([&] { mounted = ::mount(stick.c_str(), pics.c_str(), nullptr, MS_BIND, nullptr) == 0; }) &&
                mounted);
    inside.Settle();
    CHILD_CHECK(inside.Noticed([&] { WriteFile(pics + "/4.jpg", "x"); }));
    CHILD_CHECK(whole.Noticed([&] { WriteFile(pics + "/5.jpg", "x"); }));
    CHILD_CHECK(inside.Problems().empty() && whole.Problems().empty());
    return 0;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace toviwall
