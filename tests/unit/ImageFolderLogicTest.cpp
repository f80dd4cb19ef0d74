// The plain rules around the image folder: the debounced rescan, the folders
// that ask before a scan, a scan that a newer choice ends, the paths a drop
// carries, and the folder browser's shortened status path.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "imagelist/ImageFolderChoice.h"
#include "imagelist/ImageList.h"
#include "imagelist/RescanSchedule.h"
#include "imagelist/ShortenedPath.h"
#include "imagelist/UriList.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::TempDir;
using test::WriteFile;
using Lines = std::vector<std::string>;

// The schedule driven as the window drives it: a notice starts the one-second
// timer when it is not running; a tick that answers true stops it. Answers
// the moments of the rescans.
std::vector<double> Rescans(const std::vector<double>& notices, double until) {
  double now = 0;
  RescanSchedule schedule([&] { return now; });
  bool timer = false;
  double nextTick = 0;
  std::vector<double> rescans;
  std::size_t i = 0;
  const double never = std::numeric_limits<double>::infinity();
  for (;;) {
    const double notice = i < notices.size() ? notices[i] : never;
    const double t = timer && nextTick <= notice ? nextTick : notice;
    if (t > until) break;
    now = t;
    if (timer && nextTick <= notice) {
      nextTick += RescanSchedule::kTickMs / 1000.0;
      if (schedule.Tick(false)) {
        timer = false;
        rescans.push_back(now);
      }
    } else {
      ++i;
      schedule.Notice();
      if (!timer) {
        timer = true;
        nextTick = now + RescanSchedule::kTickMs / 1000.0;
      }
    }
  }
  return rescans;
}

TEST(RescanScheduleTest, ABurstGivesOneRescanOneToTwoSecondsAfterItsEnd) {
  // 50 pictures copied in under four seconds, one notice each, at every pace and start.
  for (double gap : {0.001, 0.02, 0.07, 0.08}) {
    for (double start : {0.0, 0.25, 0.5, 0.999}) {
      std::vector<double> notices;
      for (int k = 0; k < 50; ++k) notices.push_back(start + k * gap);
      auto rescans = Rescans(notices, 100);
      ASSERT_EQ(rescans.size(), 1u) << gap << " " << start;
      const double after = rescans[0] - notices.back();
      EXPECT_GT(after, 1.0);
      EXPECT_LE(after, 2.0 + 1e-9);
    }
  }
  // A steady stream (a notice every 0.5 or 0.9 s for a minute) holds it back
  // by a few seconds at most, again and again, the last one after its end.
  for (double gap : {0.5, 0.9}) {
    std::vector<double> stream;
    for (double t = 0; t < 60; t += gap) stream.push_back(t);
    auto rescans = Rescans(stream, 100);
    ASSERT_GE(rescans.size(), 10u) << gap;
    EXPECT_LE(rescans[0], RescanSchedule::kMaxWaitSeconds + 1.0 + 1e-9);
    for (std::size_t k = 1; k < rescans.size(); ++k)
      EXPECT_LE(rescans[k] - rescans[k - 1], RescanSchedule::kMaxWaitSeconds + 2.0 + 1e-9) << gap << " " << k;
    EXPECT_GT(rescans.back(), stream.back());
  }
  // Two bursts far apart are two rescans.
  EXPECT_EQ(Rescans({0, 0.1, 10, 10.1}, 100).size(), 2u);

  // Nothing runs during start-up; the next tick after it does.
  double now = 0;
  RescanSchedule schedule([&] { return now; });
  EXPECT_TRUE(schedule.Notice());
  EXPECT_FALSE(schedule.Notice());  // the timer runs already
  now = 5;
  EXPECT_FALSE(schedule.Tick(true));
  EXPECT_TRUE(schedule.Pending());
  EXPECT_TRUE(schedule.Tick(false));
  EXPECT_FALSE(schedule.Pending());
  EXPECT_FALSE(schedule.Tick(false));
}

TEST(ImageFolderChoiceTest, RootsMountsAndTheHomeFolderAsk) {
  TempDir dir;
  std::filesystem::create_directories(dir / "home/Pictures");
  const std::string home = dir / "home";
  EXPECT_EQ(LargeFolderKind("/", home), LargeFolder::FileSystemRoot);
  EXPECT_EQ(LargeFolderKind("/proc", home), LargeFolder::FileSystemRoot);  // a file system of its own
  EXPECT_EQ(LargeFolderKind(home, home), LargeFolder::Home);
  EXPECT_EQ(LargeFolderKind(home + "/", home), LargeFolder::Home);
  std::filesystem::create_directory_symlink(home, dir / "link");
  EXPECT_EQ(LargeFolderKind(dir / "link", home), LargeFolder::Home);
  EXPECT_EQ(LargeFolderKind(home + "/Pictures", home), LargeFolder::None);
  EXPECT_EQ(LargeFolderKind(dir / "missing", home), LargeFolder::None);
  EXPECT_EQ(LargeFolderKind(home + "/Pictures", ""), LargeFolder::None);
}

TEST(ImageListCancelTest, ANewerChoiceEndsTheScanOfTheOlderOne) {
  TempDir dir;
  std::filesystem::create_directories(dir / "old");
  std::filesystem::create_directories(dir / "new");
  for (int i = 0; i < 20; ++i) WriteFile(dir / ("old/" + std::to_string(i) + ".png"), "x");
  WriteFile(dir / "new/n.png", "x");
  ImageList list;
  list.SetListFile(dir / "toviwall.lst");
  int choice = 1;
  int pumps = 0;
  ImageList::Hooks hooks;
  hooks.pump = [&] {
    // Half way through the old folder the user chooses the new one.
    if (++pumps == 5) {
      choice = 2;
      list.AddPaths({dir / "new"}, [&] { return choice != 2; });
    }
  };
  list.SetHooks(hooks);
  list.AddPaths({dir / "old"}, [&] { return choice != 1; });
  ASSERT_EQ(list.Rows().Count(), 1);
  EXPECT_EQ(list.Rows().Path(0), dir / "new/n.png");
  EXPECT_EQ(test::ReadFile(dir / "toviwall.lst"), dir / "new/n.png\r\n");

  // Ended before its turn came: it leaves the list and its file alone.
  list.AddPaths({dir / "old"}, [] { return true; });
  EXPECT_EQ(list.Rows().Count(), 1);
  EXPECT_EQ(test::ReadFile(dir / "toviwall.lst"), dir / "new/n.png\r\n");
}

TEST(UriListTest, LocalFileUrlsInOrderDecodedAndNothingElse) {
  const std::string text =
      "# dragged from a file manager\r\n"
      "file:///home/ann/My%20Pictures/b.png\r\n"
      "file://localhost/home/ann/a.jpg\r\n"
      "file://desk/home/ann/own-host.bmp\n"
      "file://server/share/other-host.png\r\n"
      "http://example.com/web.png\r\n"
      "FILE:///srv/%C3%A9t%C3%A9%2350%25.png#fragment\r\n"
      "file:/one/slash.png\r\n"
      "file:///bad%zz%2\r\n"
      "file:///nul%00.png\r\n"
      "\r\n"
      "file:///last/no-line-break";
  EXPECT_EQ(LocalPathsOfUriList(text, "desk"),
            (Lines{"/home/ann/My Pictures/b.png", "/home/ann/a.jpg", "/home/ann/own-host.bmp",
                   "/srv/\xc3\xa9t\xc3\xa9#50%.png", "/one/slash.png", "/bad%zz%2", "/last/no-line-break"}));
  EXPECT_TRUE(LocalPathsOfUriList("", "desk").empty());
  EXPECT_TRUE(LocalPathsOfUriList("file://desk/x", "").empty());
}

TEST(ShortenedPathTest, KeepsTheHeadAndTheLastFoldersWithinFifty) {
  // The classic example, with "/" for the separator.
  EXPECT_EQ(ShortenedPath("C:/Documents and Settings/All Users/Documents/My Pictures/Sample Pictures"),
            "C:/.../Documents/My Pictures/Sample Pictures");
  EXPECT_EQ(ShortenedPath("/home/user/Documents and Settings/All the Users/Pictures/Sample Pictures"),
            "/home/user/.../Pictures/Sample Pictures");
  EXPECT_EQ(ShortenedPath("//server/share/Documents and Settings/All Users/Pictures/Sample"),
            "//server/share/.../All Users/Pictures/Sample");
  // Fits: whole. Exactly 50 fits; 51 does not.
  const std::string fifty = "/home/user/Pictures/" + std::string(30, 'x');
  ASSERT_EQ(fifty.size(), 50u);
  EXPECT_EQ(ShortenedPath(fifty), fifty);
  EXPECT_EQ(ShortenedPath("/home/user/abcdef/" + std::string(33, 'y')), "/home/user/.../" + std::string(33, 'y'));
  EXPECT_EQ(ShortenedPath("/"), "/");
  EXPECT_EQ(ShortenedPath(""), "");
  // Nothing to leave out: cut.
  const std::string noSeparator(60, 'n');
  EXPECT_EQ(ShortenedPath(noSeparator), noSeparator.substr(0, 50));
  const std::string oneFolder = "/home/user/" + std::string(60, 'z');
  EXPECT_EQ(ShortenedPath(oneFolder), oneFolder.substr(0, 50));
  // A last name too long by itself ends in "...".
  const std::string longLast = "/home/user/Pictures/" + std::string(60, 'w');
  EXPECT_EQ(ShortenedPath(longLast), ("/home/user/.../" + std::string(60, 'w')).substr(0, 47) + "...");
  for (const std::string& p : {longLast, oneFolder, noSeparator}) EXPECT_LE(ShortenedPath(p).size(), 50u);
}

}  // namespace
}  // namespace toviwall
