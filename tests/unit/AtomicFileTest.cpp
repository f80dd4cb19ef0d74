// What the writers replace and refuse, and the temporary files a killed write
// leaves behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "imagelist/ListFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

mode_t Type(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

TEST(AtomicFileTest, DevicesPipesFoldersAndLinksToThemOrToNothingAreNeverReplaced) {
  TempDir dir;
  // A device node of our own with the null device's numbers, never a real one.
  const std::string device = dir / "device", fifo = dir / "fifo";
  const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  const std::string noDevice = haveDevice ? "" : std::strerror(errno);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  fs::create_directory(dir / "folder");
  fs::create_symlink(fifo, dir / "to-fifo");
  fs::create_symlink(dir / "gone", dir / "to-nothing");
  std::vector<std::string> refused = {fifo, dir / "to-fifo", dir / "folder", dir / "to-nothing"};
  if (haveDevice) {
    fs::create_symlink(device, dir / "to-device");
    refused.insert(refused.end(), {device, dir / "to-device"});
  }
  const std::set<std::string> before = Names(dir.Path());

  for (const std::string& path : refused) {
    try {
      IniWriteInteger(path, "Option", "Type", 3);
      ADD_FAILURE() << "settings written to " << path;
    } catch (const SettingsWriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    try {
      SaveImageList(path, std::vector<std::string>{"/p/a.jpg"});
      ADD_FAILURE() << "list written to " << path;
    } catch (const ListFileError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
    }
    EXPECT_EQ(IniReadInteger(path, "Option", "Type", 7), 7);  // a pipe is not waited on
  }
  EXPECT_EQ(Names(dir.Path()), before) << "no temporary file left, no link's target made";
  EXPECT_EQ(Type(fifo), S_IFIFO);
  EXPECT_EQ(Type(dir / "to-fifo"), S_IFLNK);
  EXPECT_EQ(Type(dir / "folder"), S_IFDIR);

  if (!haveDevice) GTEST_SKIP() << "mknod refused here (" << noDevice << "): the device cases did not run";
  EXPECT_EQ(Type(device), S_IFCHR);
}

TEST(AtomicFileTest, StaleTemporaryFilesOfOurWritesGoAndOthersStay) {
  TempDir dir;
  const std::string ini = dir / "toviwall.ini", lst = dir / "toviwall.lst", bmp = dir / "Tovi Wallpaper.bmp";
  pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  pid_t ours = ::fork();  // this test program is one of ours by name
  if (ours == 0) {
    ::pause();
    ::_exit(0);
  }
  auto stranger = test::Process::Start({"/bin/sleep", "60"}, {});
  auto name = [](const std::string& base, pid_t pid, const char* rest = "-0-12345.tmp") {
    return "." + base + "." + std::to_string(pid) + rest;
  };
  auto make = [&](const std::string& file, bool old) {
    WriteFile(dir / file, "partial");
    if (old) {
      timespec times[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
      ::utimensat(AT_FDCWD, (dir / file).c_str(), times, 0);
    }
  };
  const std::set<std::string> gone = {name("toviwall.ini", dead), name("Tovi Wallpaper.bmp", dead, "-31-7.tmp"),
                                      name("toviwall.lst", ::getpid()),  // no write of ours is under way
                                      name("toviwall.lst", stranger->Pid())};
  const std::set<std::string> kept = {name("toviwall.ini", stranger->Pid()),  // recent: maybe still writing
                                      name("toviwall.ini", ours), name("toviwall.ini", dead, "-0-1.tmp.bak"),
                                      name("other.ini", dead), "toviwall.ini." + std::to_string(dead) + "-0-1.tmp",
                                      name("toviwall.ini", dead, "-x-1.tmp"), "toviwall.ini"};
  for (const std::string& file : gone) make(file, file == name("toviwall.lst", stranger->Pid()));
  for (const std::string& file : kept) make(file, file == name("toviwall.ini", ours));

  EXPECT_EQ(RemoveStaleTempFiles({ini, lst, bmp}), gone.size());
  EXPECT_EQ(Names(dir.Path()), kept);
  ::kill(ours, SIGKILL);
  ::waitpid(ours, nullptr, 0);
}

}  // namespace
}  // namespace toviwall
