// The single-instance rule of the real program: where its lock and socket may
// live when other users can reach the shared places, a later start that
// comes while the first is still starting or ending, and one program per
// settings file whatever the runtime folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
namespace fs = std::filesystem;
constexpr const char* kTitle = "Tovi WallChanger";
constexpr const char* kName = "Tovi_WallChanger";

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    session = std::make_unique<Session>();
    session->WriteProfile();
  }

  // Starts the program and waits until it listens at `socket`.
  std::unique_ptr<Process> StartListening(const std::string& socket) {
    auto p = session->StartProgram();
    EXPECT_TRUE(WaitFor([&] { return Exists(socket) || !p->Running(); }) && p->Running())
        << "not listening at " << socket << ": " << ReadFile(session->LastProgramLog());
    return p;
  }
  // A later start hands its message over: the main window shows.
  void LaterStartReachesTheFirst() {
    session->RunProgram();
    EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
    session->RunProgram();
    EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
  }

  std::unique_ptr<Session> session;
};

TEST_F(SingleInstanceTest, AFallbackFolderOfAnotherUserOrALinkIsPassedOver) {
  // No usable runtime folder: the shared fallback in the temporary folder comes next.
  session->SetEnv("XDG_RUNTIME_DIR", "");
  const std::string tmp = session->Root() / "tmp";
  fs::create_directories(tmp);
  session->SetEnv("TMPDIR", tmp);
  const std::string fallback = tmp + "/toviwall-" + std::to_string(::getuid());
  const std::string cache = session->Home() + "/.cache/toviwall";

  // Another user made it first.
  fs::create_directory(fallback);
  fs::permissions(fallback, fs::perms::all);
  if (::chown(fallback.c_str(), 65534, 65534) != 0)
    GTEST_SKIP() << "cannot give a folder to another user here (chown: " << std::strerror(errno) << ")";
  {
    auto first = StartListening(cache + "/" + kName);
    LaterStartReachesTheFirst();
  }

  // A link, even to a private folder of ours. The killed first instance left its
  // socket behind: gone, it cannot pass for the next one listening.
  fs::remove(cache + "/" + kName);
  fs::remove(fallback);
  const std::string target = session->Root() / "elsewhere";
  fs::create_directory(target);
  fs::permissions(target, fs::perms::owner_all);
  fs::create_directory_symlink(target, fallback);
  {
    auto first = StartListening(cache + "/" + kName);
    LaterStartReachesTheFirst();
  }
  EXPECT_TRUE(fs::is_empty(target));

  // Nowhere private at all: the start says so and ends.
  fs::remove_all(cache);
  fs::create_directory_symlink(target, cache);
  auto refused = session->StartProgram();
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true)) << "no box: " << ReadFile(session->LastProgramLog());
  session->Xdotool({"windowfocus", "--sync", std::to_string(session->FindWindows(kTitle, true).at(0))});
  session->Xdotool({"key", "Return"});
  EXPECT_EQ(refused->Wait(10000), std::optional<int>(1));
  EXPECT_NE(ReadFile(session->LastProgramLog()).find("no private folder for its lock"),
            std::string::npos)
      << ReadFile(session->LastProgramLog());
}

TEST_F(SingleInstanceTest, ARuntimeFolderTooLongForASocketIsPassedOver) {
  const std::string runtime = session->Root() / std::string(100, 'r');
  fs::create_directory(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  session->SetEnv("XDG_RUNTIME_DIR", runtime);
  const std::string tmp = session->Root() / "tmp";
  fs::create_directories(tmp);
  session->SetEnv("TMPDIR", tmp);
  auto first = StartListening(tmp + "/toviwall-" + std::to_string(::getuid()) + "/" + kName);
  LaterStartReachesTheFirst();
}

TEST_F(SingleInstanceTest, ALaterStartIsNotHeardWhileTheFirstStartsAndWaitsWhileItEnds) {
  // The test plays a first instance that holds the lock and does not listen.
  const std::string lock = session->RuntimeDir() + "/" + kName + ".lock";
  int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  auto later = session->StartProgram();
  EXPECT_EQ(later->Wait(2000), std::optional<int>(0)) << "waited for one that is starting";

  // Ending: a later start waits for it and takes its place.
  ASSERT_EQ(::pwrite(fd, "ending\n", 7, 0), 7);
  auto next = session->StartProgram();
  EXPECT_FALSE(next->Wait(1000).has_value());
  ::close(fd);
  const std::string socket = session->RuntimeDir() + "/" + kName;
  EXPECT_TRUE(WaitFor([&] { return Exists(socket); })) << ReadFile(session->LastProgramLog());
  next->Signal(SIGTERM);
  EXPECT_EQ(next->Wait(10000), std::optional<int>(0));
}

TEST_F(SingleInstanceTest, OneSettingsFileHasOneProgramWhateverTheRuntimeFolder) {
  auto first = StartListening(session->RuntimeDir() + "/" + kName);
  // Outside the image folder (the home folder), which the program watches.
  const std::string k00 = CopyTestPicture(session->Root() / "k00.png");
  const std::string k01 = CopyTestPicture(session->Root() / "k01.png");
  // Starts from cron, ssh or a key-binding daemon: another runtime folder, no display.
  const std::string run2 = session->Root() / "run2";
  Env elsewhere = session->Environment();
  elsewhere["XDG_RUNTIME_DIR"] = run2;
  elsewhere.erase("DISPLAY");
  fs::create_directory(elsewhere["XDG_RUNTIME_DIR"]);
  fs::permissions(elsewhere["XDG_RUNTIME_DIR"], fs::perms::owner_all);
  auto toviwall = [&](std::vector<std::string> args, const Env& env) {
    args.insert(args.begin(), BinaryDir() + "/toviwall");
    return test::Run(args, env, 60000);
  };

  // A plain start hands its message over and ends; commands reach the first.
  EXPECT_EQ(toviwall({}, elsewhere).exitCode, 0);
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
  EXPECT_EQ(toviwall({"--add", k00}, elsewhere).out, "added=1\n");
  EXPECT_EQ(toviwall({"--add", k01}, session->Environment()).out, "added=1\n");
  const RunResult status = toviwall({"--status"}, elsewhere);
  EXPECT_NE(status.out.find("pid=" + std::to_string(first->Pid()) + "\n"), std::string::npos) << status.out;
  EXPECT_FALSE(fs::exists(run2 + "/" + kName)) << "a second program listens";

  // Where the first cannot be reached, a start and a command say why and end.
  fs::remove(session->RuntimeDir() + "/" + kName);
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--next"}}) {
    const RunResult refused = toviwall(args, elsewhere);
    EXPECT_EQ(refused.exitCode, 1) << refused.err;
    EXPECT_NE(refused.err.find("The settings file " + session->DefaultSettingsFile() +
                               " is in use by another running Tovi WallChanger (process " +
                               std::to_string(first->Pid()) + "), which cannot be reached from here"),
              std::string::npos)
        << refused.err;
  }
  EXPECT_FALSE(fs::exists(run2 + "/" + kName));

  // Ended, it saved both pictures, and the next start runs from anywhere.
  first->Signal(SIGTERM);
  ASSERT_EQ(first->Wait(10000), std::optional<int>(0));
  const std::vector<std::string> listed = SortedListEntries(
      session->DefaultSettingsFile().substr(0, session->DefaultSettingsFile().size() - 4) + ".lst");
  EXPECT_EQ(std::count(listed.begin(), listed.end(), k00) + std::count(listed.begin(), listed.end(), k01), 2);
  Process::Options options;
  options.env = elsewhere;
  options.env["DISPLAY"] = session->Display();
  auto next = Process::Start({BinaryDir() + "/toviwall"}, options);
  EXPECT_TRUE(WaitFor([&] { return Exists(run2 + "/" + kName); }));
  next->Signal(SIGTERM);
  EXPECT_EQ(next->Wait(10000), std::optional<int>(0));
}

}  // namespace
}  // namespace toviwall
