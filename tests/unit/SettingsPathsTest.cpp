#include <gtest/gtest.h>

#include <filesystem>

#include "base/AtomicFile.h"

#include "base/IniFile.h"
#include "base/SettingsPaths.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::TempDir;

ProcessEnvironment EnvIn(const TempDir& dir, std::vector<std::string> args = {}) {
  ProcessEnvironment env;
  env.args = std::move(args);
  env.programFile = "/opt/Tovi Wall/bin/toviwall";
  env.home = dir / "home";
  env.configHome = dir / "home/.config";
  env.workingDir = "/work dir";
  return env;
}

TEST(SettingsFileFor, FirstNonSwitchArgumentNamesTheProfile) {
  TempDir dir;
  std::vector<std::string> messages;
  auto sink = [&](const std::string& m) { messages.push_back(m); };
  // A bare name lives in the program's folder (its letter case kept).
  EXPECT_EQ(SettingsFileFor(EnvIn(dir, {"work"}), sink), "/opt/Tovi Wall/bin/work.ini");
  // Switches are skipped; the extension is replaced; a relative folder is taken from the working folder.
  EXPECT_EQ(SettingsFileFor(EnvIn(dir, {"/x", "d/p/home.cfg"}), sink), "/work dir/d/p/home.ini");
  EXPECT_EQ(SettingsFileFor(EnvIn(dir, {"-min", "/x d/p/home.cfg"}), sink), "/x d/p/home.ini");
  EXPECT_EQ(SettingsFileFor(EnvIn(dir, {"--verbose", "/etc/tovi/profile", "other"}), sink), "/etc/tovi/profile.ini");
  EXPECT_EQ(SettingsFileFor(EnvIn(dir, {"/srv/a.b/c.d.e"}), sink), "/srv/a.b/c.d.ini");
  EXPECT_EQ(SettingsFileFor(EnvIn(dir, {"/srv/a.b/noext"}), sink), "/srv/a.b/noext.ini");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(ImageListFileFor("/x d/p/home.ini"), "/x d/p/home.lst");
  EXPECT_EQ(ImageListFileFor("/opt/Tovi Wall/bin/work.ini"), "/opt/Tovi Wall/bin/work.lst");
}

TEST(SettingsFileFor, WithoutArgumentsCreatesTheTwoDataFolders) {
  TempDir dir;
  std::vector<std::string> messages;
  std::string file = SettingsFileFor(EnvIn(dir), [&](const std::string& m) { messages.push_back(m); });
  EXPECT_EQ(file, dir / "home/.config/Tovi Solution/Tovi WallChanger/toviwall.ini");
  EXPECT_TRUE(DirectoryExists(dir / "home/.config/Tovi Solution/Tovi WallChanger"));
  EXPECT_TRUE(messages.empty());
}

TEST(SettingsFileFor, FolderThatCannotBeMadeIsReportedAndStillUsed) {
  TempDir dir;
  test::WriteFile(dir / "blocker", "a file where the folder should be");
  ProcessEnvironment env = EnvIn(dir);
  env.configHome = dir / "blocker";
  std::vector<std::string> messages;
  std::string file = SettingsFileFor(env, [&](const std::string& m) { messages.push_back(m); });
  EXPECT_EQ(file, dir / "blocker/Tovi Solution/Tovi WallChanger/toviwall.ini");
  EXPECT_EQ(messages, (std::vector<std::string>{"Cannot create data folder", "Cannot create data folder"}));
  EXPECT_THROW(IniWriteString(file, "Option", "Image Folder", "/x"), SettingsWriteError);
}

TEST(ProposedImageFolder, PicturesThenDocumentsThenSettingsFolder) {
  TempDir dir;
  ProcessEnvironment env = EnvIn(dir);
  std::filesystem::create_directories(env.configHome);
  const std::string settings = dir / "cfg/toviwall.ini";
  EXPECT_EQ(ProposedImageFolder(env, settings), dir / "cfg");
  std::filesystem::create_directories(dir / "home/Documents");
  EXPECT_EQ(ProposedImageFolder(env, settings), dir / "home/Documents");
  std::filesystem::create_directories(dir / "home/Pictures");
  EXPECT_EQ(ProposedImageFolder(env, settings), dir / "home/Pictures");
  test::WriteFile(env.configHome + "/user-dirs.dirs",
                  "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n"
                  "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  EXPECT_EQ(ProposedImageFolder(env, settings), dir / "home/Bilder");
  test::WriteFile(env.configHome + "/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/\"\n");
  EXPECT_EQ(ProposedImageFolder(env, settings), dir / "home/Documents");  // Pictures switched off
}

TEST(RecordVersion, WritesTheVersionTextToTheProductStore) {
  TempDir dir;
  ProcessEnvironment env = EnvIn(dir);
  EXPECT_EQ(VersionText(2, 3, 5, 41), "2.3.5 (Build 41)");
  RecordVersion(env, "Software\\Tovi Solution\\Tovi WallChanger", VersionText(2, 3, 5, 41));
  EXPECT_EQ(IniReadString(ProductStoreFile(env), "Software\\Tovi Solution\\Tovi WallChanger", "Version", ""),
            "2.3.5 (Build 41)");
  env.configHome = dir / "no/such/place";
  RecordVersion(env, "Software\\Tovi Solution\\Tovi WallChanger", "x");  // silent
}

TEST(ChangeFileExt, LastDotOfTheNameOnly) {
  EXPECT_EQ(ChangeFileExt("/a.b/c", ".ini"), "/a.b/c.ini");
  EXPECT_EQ(ChangeFileExt("/a/c.tar.gz", ".ini"), "/a/c.tar.ini");
  EXPECT_EQ(ChangeFileExt("/a/.hidden", ".ini"), "/a/.hidden.ini");
  EXPECT_EQ(ChangeFileExt("toviwall", ".html"), "toviwall.html");
}

}  // namespace
}  // namespace toviwall
