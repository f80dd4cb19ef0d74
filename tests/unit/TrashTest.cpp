// Moving a file to the trash in a private data folder: where it goes, what its
// info file says, names that clash, and failures that leave everything as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "imagelist/Trash.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::Exists;
using test::ReadFile;
using test::WriteFile;

class TrashTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string dataHome = dir / "data";
  std::string trash = dataHome + "/Trash";
};

TEST_F(TrashTest, TheFileGoesToFilesWithItsInfoAndAClashGetsAnotherName) {
  const std::string picture = dir / "my photo 100%é.jpg";
  WriteFile(picture, "first");
  EXPECT_EQ(MoveToTrash(picture, dataHome), trash + "/files/my photo 100%é.jpg");
  EXPECT_FALSE(Exists(picture));
  EXPECT_EQ(ReadFile(trash + "/files/my photo 100%é.jpg"), "first");
  const std::string info = ReadFile(trash + "/info/my photo 100%é.jpg.trashinfo");
  const std::string escaped = dir.Path() + "/my%20photo%20100%25%C3%A9.jpg";  // the folder needs no escapes
  EXPECT_TRUE(test::MatchesShape(info, "[Trash Info]\nPath=" + escaped + "\nDeletionDate=####-##-##T##:##:##\n")) << info;
  struct stat st {};
  ASSERT_EQ(::stat(trash.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // The same name again; then a stray file without its info file holds the third name.
  WriteFile(picture, "second");
  EXPECT_EQ(MoveToTrash(picture, dataHome), trash + "/files/my photo 100%é.2.jpg");
  WriteFile(trash + "/files/my photo 100%é.3.jpg", "stray");
  WriteFile(picture, "third");
  EXPECT_EQ(MoveToTrash(picture, dataHome), trash + "/files/my photo 100%é.4.jpg");
  EXPECT_EQ(ReadFile(trash + "/files/my photo 100%é.3.jpg"), "stray");
  EXPECT_FALSE(Exists(trash + "/info/my photo 100%é.3.jpg.trashinfo"));
  EXPECT_EQ(ReadFile(trash + "/files/my photo 100%é.4.jpg"), "third");
}

TEST_F(TrashTest, FailuresSayWhyAndLeaveTheFileAndNoInfoFile) {
  auto reason = [&](const std::string& path) {
    try {
      MoveToTrash(path, dataHome);
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    return std::string("moved");
  };
  EXPECT_EQ(reason(dir / "gone.jpg"), "No such file or directory");
  EXPECT_EQ(reason("relative.jpg"), "not a file's full path");
  WriteFile(dir / "here.jpg", "here");
  dataHome.clear();
  EXPECT_EQ(reason(dir / "here.jpg"), "there is no home folder for the trash");
  dataHome = dir / "data";
  // Another file system without a trash of ours (nobody may write at /proc's
  // top): refused, never copied.
  const std::string other = "/proc/self/comm";
  const std::string before = ReadFile(other);
  EXPECT_NE(reason(other).find("another drive (/proc)"), std::string::npos) << reason(other);
  EXPECT_EQ(ReadFile(other), before);
  // A trash whose files folder is no folder: the file stays where it was.
  const std::string picture = dir / "kept.png";
  WriteFile(picture, "kept");
  std::filesystem::create_directories(trash + "/info");
  WriteFile(trash + "/files", "not a folder");
  EXPECT_NE(reason(picture).find("cannot be used"), std::string::npos) << reason(picture);
  EXPECT_EQ(ReadFile(picture), "kept");
  EXPECT_TRUE(std::filesystem::is_empty(trash + "/info"));
}

}  // namespace
}  // namespace toviwall
