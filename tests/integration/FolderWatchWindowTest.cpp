// The watched image folder in the real program: an empty list at start-up
// scans the folder tree, every start watches it, pictures copied in later
// join the list and its file, deleted ones stay until the next start, a
// folder deleted and made again is watched again; and typing a folder into
// the field scans it only once typing pauses, never a disk's root unasked.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <thread>

#include "base/IniFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

namespace fs = std::filesystem;
using namespace test;
constexpr const char* kTitle = "Tovi WallChanger";

class FolderWatchWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    ASSERT_EQ(InotifyShortage(), "");
    session = std::make_unique<Session>();
    fs::create_directories(ConfigDir());
  }
  std::string ConfigDir() const { return fs::path(session->DefaultSettingsFile()).parent_path(); }
  std::string ListFile() const { return ConfigDir() + "/toviwall.lst"; }
  void Profile(const std::string& imageFolder) const {
    WriteFile(session->DefaultSettingsFile(), "[Option]\nImage Folder=" + imageFolder + "\n");
  }
  std::string Picture(const std::string& relative) const { return CopyTestPicture(session->Home() + "/" + relative); }
  std::vector<std::string> Listed() const { return SortedListEntries(ListFile()); }
  bool IsListed(const std::string& path) const {
    auto lines = Listed();
    return std::find(lines.begin(), lines.end(), path) != lines.end();
  }
  void ShowMainWindow() {
    session->RunProgram();
    ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("MainForm").has_value(); }));
    session->Xdotool({"windowfocus", "--sync", std::to_string(session->FindWindows(kTitle, true).at(0))});
  }

  std::unique_ptr<Session> session;
};

TEST_F(FolderWatchWindowTest, EveryStartWatchesTheTreeAndAnEmptyListScansIt) {
  const std::string pics = session->Home() + "/pics";
  const std::string a = Picture("pics/a.png"), hidden = Picture("pics/.hidden.png"), d = Picture("pics/sub/d.png");
  Picture("pics/.cache/thumb.png");
  Profile(pics);
  auto p = session->StartReady();
  ASSERT_TRUE(WaitFor([&] { return Listed() == std::vector<std::string>{hidden, a, d}; })) << ReadFile(ListFile());
  // The folder and its sub-folder are watched; the hidden one is not.
  ASSERT_TRUE(WaitFor([&] {
    auto watched = InotifyWatched(p->Pid());
    return watched.count(FileId(pics)) && watched.count(FileId(pics + "/sub"));
  }));
  EXPECT_FALSE(InotifyWatched(p->Pid()).count(FileId(pics + "/.cache")));

  // Copied in later: into a sub-folder, and into a folder made after the start.
  const std::string later = Picture("pics/sub/later.png");
  EXPECT_TRUE(WaitFor([&] { return IsListed(later); })) << ReadFile(ListFile());
  fs::create_directories(pics + "/new/deeper");
  const std::string deeper = Picture("pics/new/deeper/n.png");
  EXPECT_TRUE(WaitFor([&] { return IsListed(deeper); })) << ReadFile(ListFile());
  ShowMainWindow();
  EXPECT_TRUE(WaitFor([&] {
    auto r = session->WidgetRect("LabelInfo");
    return r && r->text == "Total images: 5";
  }));

  // Deleted: the rescan leaves its row, and the file keeps it, until the next start.
  FileWrites writes(ConfigDir(), "toviwall.lst");
  fs::remove(a);
  ASSERT_TRUE(WaitFor([&] { return writes.Count() > 0; }));
  EXPECT_TRUE(IsListed(a));
  p->Signal(SIGTERM);
  ASSERT_TRUE(p->Wait(10000).has_value());
  EXPECT_TRUE(IsListed(a));

  // The list is not empty now: nothing is scanned, but the tree is watched,
  // and the next change there brings in what came while the program was away.
  const std::string unseen = Picture("pics/unseen.png");
  auto again = session->StartReady();
  ShowMainWindow();  // start-up has ended
  EXPECT_TRUE(WaitFor([&] { return !IsListed(a); })) << ReadFile(ListFile());
  EXPECT_FALSE(IsListed(unseen));
  ASSERT_TRUE(WaitFor([&] { return InotifyWatched(again->Pid()).count(FileId(pics + "/sub")) == 1; }));
  const std::string copied = Picture("pics/sub/copied.png");
  EXPECT_TRUE(WaitFor([&] { return IsListed(copied) && IsListed(unseen); })) << ReadFile(ListFile());

  // Deleted and made again: watched again.
  fs::remove_all(pics);
  fs::create_directories(pics);
  const std::string back = Picture("pics/back.png");
  EXPECT_TRUE(WaitFor([&] { return IsListed(back); })) << ReadFile(ListFile());
}

TEST_F(FolderWatchWindowTest, ATypedFolderIsTakenWhenTypingPausesAndARootOnlyWhenAsked) {
  fs::create_directories(session->Home() + "/empty");
  const std::string a = Picture("pics/a.png"), b = Picture("pics/b.png");
  Profile(session->Home() + "/empty");
  auto p = session->StartReady();
  ShowMainWindow();
  session->ClickWidget("PageControl.tab2");
  session->ClickWidget("EditImageFolder");
  session->Xdotool({"key", "--clearmodifiers", "ctrl+a"});
  FileWrites writes(ConfigDir(), "toviwall.lst");

  // A pause at "/" takes nothing and asks nothing: a disk's root waits for Enter.
  session->Xdotool({"type", "/"});
  std::this_thread::sleep_for(std::chrono::milliseconds(1600));
  EXPECT_EQ(writes.Count(), 0u);
  EXPECT_EQ(session->FindWindows(kTitle, true).size(), 1u);

  // Typed on without a pause: the folders on the way are not scanned.
  const std::string pics = session->Home() + "/pics";
  session->Xdotool({"type", "--delay", "20", pics.substr(1)});
  const double typed = SteadySeconds();
  ASSERT_TRUE(WaitFor([&] { return writes.Count() == 1; }, 5000));
  EXPECT_GE(writes.Times()[0] - typed, 0.9);
  EXPECT_EQ(Listed(), (std::vector<std::string>{a, b}));
  EXPECT_TRUE(WaitFor([&] { return IniReadString(session->DefaultSettingsFile(), "Option", "Image Folder", "") == pics; }));

  // "/" with Enter asks first; No leaves everything as it was.
  const unsigned long mainWindow = session->FindWindows(kTitle, true).at(0);
  session->Xdotool({"key", "--clearmodifiers", "ctrl+a"});
  session->Xdotool({"type", "/"});
  session->Xdotool({"key", "Return"});
  ASSERT_TRUE(WaitFor([&] { return session->FindWindows(kTitle, true).size() == 2; }));
  for (unsigned long w : session->FindWindows(kTitle, true))
    if (w != mainWindow) session->Xdotool({"windowfocus", "--sync", std::to_string(w)});
  session->Xdotool({"key", "--clearmodifiers", "alt+n"});
  ASSERT_TRUE(WaitFor([&] { return session->FindWindows(kTitle, true).size() == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(writes.Count(), 1u);
  EXPECT_EQ(IniReadString(session->DefaultSettingsFile(), "Option", "Image Folder", ""), pics);
}

}  // namespace
}  // namespace toviwall
