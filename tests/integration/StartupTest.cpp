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

}  // namespace
}  // namespace toviwall
