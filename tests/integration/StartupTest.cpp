// The real program under a private X server: first run, single instance, hiding
// instead of closing, and ending on a signal.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>

#include "app/IniFile.h"
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

  // A profile that exists already, so no first-run question is asked.
  void WriteProfile(const std::string& extra = "") {
    std::filesystem::create_directories(std::filesystem::path(session->DefaultSettingsFile()).parent_path());
    WriteFile(session->DefaultSettingsFile(), "[Option]\nImage Folder=" + session->Home() + "\n" + extra);
  }

  // Started and listening for later starts.
  std::unique_ptr<Process> StartAndWaitReady() {
    auto p = session->StartProgram();
    bool ready = WaitFor([&] { return Exists(session->RuntimeDir() + "/Tovi_WallChanger") || !p->Running(); });
    EXPECT_TRUE(ready && p->Running()) << ReadFile(session->LastProgramLog());
    return p;
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
  WriteProfile();
  auto first = StartAndWaitReady();
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
  WriteProfile();
  auto first = StartAndWaitReady();
  SecondStart();
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true));
  session->CloseWindow(session->FindWindows(kTitle, true).at(0));
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
  EXPECT_FALSE(first->Wait(500).has_value()) << "the program ended";
  SecondStart();
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
}

TEST_F(StartupTest, TerminationSignalEndsCleanlyAndStoresTheColumnWidth) {
  WriteProfile("[Column]\nCol1=321\n");
  auto first = StartAndWaitReady();
  first->Signal(SIGTERM);
  auto code = first->Wait(10000);
  ASSERT_TRUE(code.has_value()) << "still running after SIGTERM";
  EXPECT_EQ(*code, 0);
  EXPECT_EQ(IniReadInteger(session->DefaultSettingsFile(), "Column", "Col1", 0), 321);
  // The name is free again: a new start runs as the first instance.
  auto again = StartAndWaitReady();
  EXPECT_TRUE(again->Running());
}

}  // namespace
}  // namespace toviwall
