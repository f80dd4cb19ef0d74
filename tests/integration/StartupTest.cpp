// The real program under a private X server: first run, single instance, hiding
// instead of closing, and ending on a signal.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>

#include "base/IniFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
constexpr const char* kTitle = "Tovi WallChanger";

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    session = std::make_unique<Session>();
  }

  // A second start: answers its exit code and how long it took.
  std::pair<int, double> SecondStart() {
    auto start = std::chrono::steady_clock::now();
    auto p = session->StartProgram();
    auto code = p->Wait(5000);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {code.value_or(-1), seconds};
  }

  std::unique_ptr<Session> session;
};

TEST_F(StartupTest, FirstRunAsksForTheImageFolderAndStoresIt) {
  auto p = session->StartProgram();
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true)) << ReadFile(session->LastProgramLog());
  EXPECT_TRUE(std::filesystem::is_directory(session->ConfigHome() + "/Tovi Solution/Tovi WallChanger"));
  const std::string chosen = session->Home() + "/My Wallpapers";
  std::filesystem::create_directories(chosen);
  auto window = session->FindWindows(kTitle, true).at(0);
  session->Xdotool({"windowfocus", "--sync", std::to_string(window)});
  session->Xdotool({"key", "--clearmodifiers", "ctrl+a"});
  session->Xdotool({"type", "--delay", "5", chosen});
  session->Xdotool({"key", "Return"});
  ASSERT_TRUE(WaitFor([&] { return Exists(session->DefaultSettingsFile()); }));
  EXPECT_TRUE(WaitFor([&] {
    return IniReadString(session->DefaultSettingsFile(), "Option", "Image Folder", "") == chosen;
  }));
  EXPECT_TRUE(WaitFor([&] {
    return IniReadString(session->ConfigHome() + "/Tovi Solution/registry.ini",
                         "Software\\Tovi Solution\\Tovi WallChanger", "Version", "") == "2.3.5 (Build 41)";
  }));
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));  // the main window starts hidden
  EXPECT_TRUE(p->Running());
}

TEST_F(StartupTest, LaterStartsToggleTheMainWindowAndEndAtOnce) {
  session->WriteProfile();
  auto first = session->StartReady();
  EXPECT_FALSE(session->WindowVisible(kTitle));

  auto [code, seconds] = SecondStart();
  EXPECT_EQ(code, 0);
  EXPECT_LT(seconds, 2.0);
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
  EXPECT_EQ(session->FindWindows(kTitle, false).size(), 1u) << "a later start made a window of its own";

  std::tie(code, seconds) = SecondStart();
  EXPECT_EQ(code, 0);
  EXPECT_LT(seconds, 2.0);
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
  EXPECT_TRUE(first->Running());
}

TEST_F(StartupTest, ASecondStartWhileTheFirstRunQuestionIsOpenEndsAtOnce) {
  auto first = session->StartProgram();
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true)) << ReadFile(session->LastProgramLog());
  // The first does not listen before its window exists: the start is not heard.
  auto [code, seconds] = SecondStart();
  EXPECT_EQ(code, 0);
  EXPECT_LT(seconds, 2.0);
  // So is one from another runtime folder, which finds the settings file's lock.
  Env elsewhere = session->Environment();
  elsewhere["XDG_RUNTIME_DIR"] = session->Root() / "run2";
  std::filesystem::create_directory(elsewhere["XDG_RUNTIME_DIR"]);
  std::filesystem::permissions(elsewhere["XDG_RUNTIME_DIR"], std::filesystem::perms::owner_all);
  const RunResult other = test::Run({BinaryDir() + "/toviwall"}, elsewhere, 10000);
  EXPECT_EQ(other.exitCode, 0) << other.err;
  EXPECT_EQ(session->FindWindows(kTitle, true).size(), 1u) << "a window over the question";

  // Answered, the first goes on and listens.
  session->Xdotool({"windowfocus", "--sync", std::to_string(session->FindWindows(kTitle, true).at(0))});
  session->Xdotool({"key", "Return"});
  EXPECT_TRUE(WaitFor([&] { return Exists(session->RuntimeDir() + "/Tovi_WallChanger"); }))
      << ReadFile(session->LastProgramLog());
  EXPECT_TRUE(first->Running());
}

TEST_F(StartupTest, ClosingTheWindowOnlyHidesIt) {
  session->WriteProfile();
  auto first = session->StartReady();
  SecondStart();
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true));
  session->CloseWindow(session->FindWindows(kTitle, true).at(0));
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
  EXPECT_FALSE(first->Wait(500).has_value()) << "the program ended";
  SecondStart();
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
}

TEST_F(StartupTest, TerminationSignalEndsCleanlyAndStoresTheColumnWidth) {
  session->WriteProfile("[Column]\nCol1=321\n");
  auto first = session->StartReady();
  first->Signal(SIGTERM);
  auto code = first->Wait(10000);
  ASSERT_TRUE(code.has_value()) << "still running after SIGTERM";
  EXPECT_EQ(*code, 0);
  EXPECT_EQ(IniReadInteger(session->DefaultSettingsFile(), "Column", "Col1", 0), 321);
  // The name is free again: a new start runs as the first instance.
  auto again = session->StartReady();
  EXPECT_TRUE(again->Running());
}

TEST_F(StartupTest, WithoutADisplayAStartSaysSoWhileALaterStartStillReachesTheFirst) {
  session->WriteProfile();
  const std::string program = BinaryDir() + "/toviwall";
  Env env = session->Environment();
  for (const std::string display : {"", ":1999"}) {
    if (display.empty()) env.erase("DISPLAY");
    else env["DISPLAY"] = display;
    RunResult r = test::Run({program}, env, 10000);
    EXPECT_EQ(r.exitCode, 1) << display << ": " << r.err;
    EXPECT_NE(r.err.find("toviwall: no X display is available"), std::string::npos) << r.err;
  }
  // A later start hands its message over without a display of its own.
  auto first = session->StartReady();
  env.erase("DISPLAY");
  EXPECT_EQ(test::Run({program}, env, 10000).exitCode, 0);
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
}

TEST_F(StartupTest, AStartThatCannotWriteItsSettingsEndsWithItsMessage) {
  session->WriteProfile();
  const std::string ini = session->DefaultSettingsFile();
  const std::string folder = std::filesystem::path(ini).parent_path();
  auto failedStart = [&](bool answer) {
    auto p = session->StartProgram();
    ASSERT_TRUE(session->WaitWindowVisible(kTitle, true)) << "no error box: " << ReadFile(session->LastProgramLog());
    if (answer) {
      session->Xdotool({"windowfocus", "--sync", std::to_string(session->FindWindows(kTitle, true).at(0))});
      session->Xdotool({"key", "Return"});
    }
    else p->Signal(SIGTERM);  // nobody answers: the box counts as cancelled
    EXPECT_EQ(p->Wait(10000), std::optional<int>(1)) << ReadFile(session->LastProgramLog());
    EXPECT_NE(ReadFile(session->LastProgramLog()).find("cannot start: Unable to write to " + ini), std::string::npos)
        << ReadFile(session->LastProgramLog());
  };
  auto laterStartWorks = [&] {
    auto p = session->StartReady();
    p->Signal(SIGTERM);
    EXPECT_EQ(p->Wait(10000), std::optional<int>(0));
  };

  std::filesystem::permissions(ini, std::filesystem::perms::owner_read);
  failedStart(false);
  std::filesystem::permissions(ini, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  laterStartWorks();

  // A folder that takes no new file (immutable, which binds root too).
  struct Immutable {
    Session& session;
    std::string folder;
    bool on = session.Tool({"chattr", "+i", folder}).exitCode == 0;
    ~Immutable() { Off(); }
    void Off() {
      if (on) session.Tool({"chattr", "-i", folder});
      on = false;
    }
  } immutable{*session, folder};
  if (!immutable.on) GTEST_SKIP() << "chattr +i is not possible here, so the read-only folder is not tried";
  failedStart(true);
  immutable.Off();
  laterStartWorks();
}

TEST_F(StartupTest, AnEndRequestWhileAStartDialogIsOpenEndsTheRun) {
  // The first run's folder question, left unanswered.
  auto p = session->StartProgram();
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true)) << ReadFile(session->LastProgramLog());
  p->Signal(SIGTERM);
  EXPECT_EQ(p->Wait(10000), std::optional<int>(0)) << "still running with its dialog open";
  EXPECT_FALSE(Exists(session->DefaultSettingsFile())) << "an unanswered question stored an answer";
  // So the next start asks again.
  auto again = session->StartProgram();
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
}

TEST_F(StartupTest, UnwritableListAndSettingsDoNotHoldUpTheEnd) {
  session->WriteProfile();
  const std::string ini = session->DefaultSettingsFile();
  const std::string list = ini.substr(0, ini.size() - 4) + ".lst";
  auto p = session->StartReady();
  const std::string output = session->LastProgramLog();
  session->RunProgram();  // answered once the start is complete
  for (const std::string& file : {list, ini}) std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  p->Signal(SIGTERM);
  ASSERT_EQ(p->Wait(10000), std::optional<int>(0)) << "still running after SIGTERM";
  const std::string log = ReadFile(output);
  EXPECT_NE(log.find(list), std::string::npos) << log;
  const std::string settings = "Unable to write to " + ini;
  EXPECT_NE(log.find(settings), std::string::npos) << log;
  EXPECT_EQ(log.find(settings), log.rfind(settings)) << "said more than once:\n" << log;
}

}  // namespace
}  // namespace toviwall
