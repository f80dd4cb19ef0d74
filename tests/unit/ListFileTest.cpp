// Reading and writing the image list file.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/IniFile.h"
#include "imagelist/ListFile.h"
#include "imagelist/PathSet.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Lines = std::vector<std::string>;

TEST(ListFileTest, LinesEndAtEveryKindOfBreakAndAtNul) {
  EXPECT_EQ(SplitListText(""), Lines{});
  EXPECT_EQ(SplitListText("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitListText("a\nb\n"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitListText("a\rb\r"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitListText("a\r\nb"), (Lines{"a", "b"}));  // no break after the last line
  EXPECT_EQ(SplitListText("a\r\n\r\nb\n\nc"), (Lines{"a", "", "b", "", "c"}));
  EXPECT_EQ(SplitListText("a\n\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitListText("\r\n"), (Lines{""}));
  EXPECT_EQ(SplitListText(std::string("a\r\nb\0c\r\nd", 10)), (Lines{"a", "b"}));
  EXPECT_EQ(SplitListText("a \r\n b"), (Lines{"a ", " b"}));  // nothing is trimmed
}

TEST(ListFileTest, WritesCrLfAfterEveryLineAndNothingForAnEmptyList) {
  TempDir dir;
  const std::string file = dir / "list.lst";
  SaveImageList(file, Lines{"/p/a.jpg", "/p/b c.png"});
  EXPECT_EQ(ReadFile(file), "/p/a.jpg\r\n/p/b c.png\r\n");
  SaveImageList(file, Lines{});
  EXPECT_TRUE(test::Exists(file));
  EXPECT_EQ(std::filesystem::file_size(file), 0u);
  SaveImageList("", Lines{"/p/a.jpg"});  // no target: nothing happens
  // A bad target raises the message and leaves no file behind.
  const std::string bad = dir / "missing-folder/list.lst";
  try {
    SaveImageList(bad, Lines{"/p/a.jpg"});
    FAIL() << "no error";
  } catch (const ListFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + bad);
  }
  EXPECT_FALSE(test::Exists(dir / "missing-folder"));
}

TEST(ListFileTest, ReadingMergesSortedWithoutDuplicates) {
  TempDir dir;
  const std::string file = dir / "list.lst";
  WriteFile(file, "/p/b.jpg\n/p/A.jpg\r/p/a.JPG\r\n/p/a.jpg \r\n\r\n/p/b.jpg");
  PathSet set;
  set.Add("/p/B.JPG");
  MergeListFile(file, set);
  // The empty line is an entry (the image filter drops it later); the trailing
  // space makes a path of its own, and so does another letter case.
  EXPECT_EQ(set.Items(), (Lines{"", "/p/a.JPG", "/p/A.jpg", "/p/a.jpg ", "/p/b.jpg", "/p/B.JPG"}));

  MergeListFile(dir / "missing.lst", set);  // a missing file adds nothing
  EXPECT_EQ(set.Size(), 6u);
  try {
    MergeListFile("/proc/self/mem", set);  // exists, cannot be read
    FAIL() << "no error";
  } catch (const ListFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file /proc/self/mem");
  }
}

TEST(ListFileTest, LegacySectionIsTakenOverOnceAsWholeLines) {
  TempDir dir;
  const std::string ini = dir / "toviwall.ini", lst = dir / "toviwall.lst";
  WriteFile(ini, "[Option]\nInterval=3\n[Images]\n0=/p/a.jpg\n1=\n/p/b.jpg=x\n[Column]\nCol1=200\n");
  WriteFile(lst, "/p/c.jpg\r\n\r\n");
  PathSet set;
  MigrateImagesSection(ini, lst, set);
  EXPECT_EQ(set.Items(), (Lines{"/p/b.jpg=x", "0=/p/a.jpg"}));
  // Erased only once the list file holds the lines beside its own.
  EXPECT_EQ(ReadFile(lst), "/p/b.jpg=x\r\n/p/c.jpg\r\n0=/p/a.jpg\r\n");
  EXPECT_FALSE(IniSectionExists(ini, "Images"));
  EXPECT_EQ(IniReadInteger(ini, "Column", "Col1", 0), 200);
  MigrateImagesSection(ini, lst, set);
  EXPECT_EQ(set.Size(), 2u);
}

}  // namespace
}  // namespace toviwall
