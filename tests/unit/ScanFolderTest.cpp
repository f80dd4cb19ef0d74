// Collecting the files below a folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "imagelist/PathSet.h"
#include "imagelist/ScanFolder.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

TEST(ScanFolderTest, EveryFileBelowWithLinksFollowedOnceAndSpecialFilesLeftOut) {
  TempDir dir;
  const std::string root = dir / "root";
  fs::create_directories(root + "/sub/deeper");
  fs::create_directories(root + "/.git");
  fs::create_directories(dir / "outside");
  for (const char* f : {"a.jpg", ".hidden.png", "noext", "sub/b.txt", "sub/deeper/c.bmp", ".git/skip.jpg"})
    WriteFile(root + "/" + f, "x");
  WriteFile(dir / "outside/linked.png", "x");
  fs::create_directory_symlink(dir / "outside", root + "/link-out");
  fs::create_directory_symlink(root, root + "/sub/loop");  // leads back up
  fs::create_symlink(root + "/a.jpg", root + "/alias.jpg");
  fs::create_symlink(root + "/gone", root + "/dangling.jpg");
  ASSERT_EQ(mkfifo((root + "/pipe.jpg").c_str(), 0600), 0);

  PathSet found;
  int pumped = 0;
  ScanFolder(root + "/*.*", found, [&] { ++pumped; });
  std::vector<std::string> expected = {
      root + "/.hidden.png", root + "/a.jpg",           root + "/alias.jpg",       root + "/link-out/linked.png",
      root + "/noext",       root + "/sub/b.txt",        root + "/sub/deeper/c.bmp"};
  EXPECT_EQ(found.Items(), expected);
  EXPECT_EQ(pumped, 7);

  // A mask narrows the files, not the folders searched.
  PathSet bmp;
  ScanFolder(root + "/*.bmp", bmp);
  EXPECT_EQ(bmp.Items(), std::vector<std::string>{root + "/sub/deeper/c.bmp"});
  // The kernel's views are not walked: "/proc" alone would never end.
  PathSet proc;
  ScanFolder("/proc/*.*", proc);
  EXPECT_TRUE(proc.Empty());
  // A folder that is not there yields nothing.
  PathSet none;
  ScanFolder(dir / "nothing/*.*", none);
  EXPECT_TRUE(none.Empty());
}

}  // namespace
}  // namespace toviwall
