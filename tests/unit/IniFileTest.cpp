#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <filesystem>

#include "base/DateTime.h"
#include "base/IniFile.h"
#include "base/KeyFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class IniFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string file = dir / "toviwall.ini";
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndNoFile) {
  EXPECT_TRUE(IniReadBool(file, "Option", "AutoChangeWallpaper", true));
  EXPECT_EQ(IniReadInteger(file, "Option", "Interval", 9), 9);
  EXPECT_EQ(IniReadString(file, "Option", "Image Folder", "/pics"), "/pics");
  EXPECT_DOUBLE_EQ(IniReadDateTime(file, "WallPaper", "LastChange", 42.5), 42.5);
  EXPECT_FALSE(IniSectionExists(file, "Option"));
  EXPECT_EQ(IniReadSectionText(file, "Images"), "");
  EXPECT_TRUE(IniEraseSection(file, "Images"));
  EXPECT_FALSE(test::Exists(file));
}

TEST_F(IniFileTest, NamesMatchWithoutCaseAndFirstMatchWins) {
  WriteFile(file,
            "[option]\nINTERVAL=12\ninterval=13\n[Option]\nInterval=14\n"
            "[WallPaper]\n  CurrentIndex =  7  \n");
  EXPECT_EQ(IniReadInteger(file, "Option", "Interval", 9), 12);
  EXPECT_EQ(IniReadInteger(file, "OPTION", "interval", 9), 12);
  EXPECT_EQ(IniReadInteger(file, "wallpaper", "currentindex", 0), 7);
  // Writing replaces the first match in place and keeps the stored key spelling.
  IniWriteInteger(file, "Option", "Interval", 20);
  EXPECT_EQ(ReadFile(file), "[option]\nINTERVAL=20\ninterval=13\n[Option]\nInterval=14\n"
                            "[WallPaper]\n  CurrentIndex =  7  \n");
}

TEST_F(IniFileTest, IntegersReadDecimalAndHexAndFallBackOnNonsense) {
  WriteFile(file,
            "[N]\nhex1=0x1F\nhex2=$1f\nhex3=0XFF\nneg=-15\nbig=2147483647\nover=2147483648\n"
            "abc=abc\nempty=\nhalf=12abc\nallf=$FFFFFFFF\nspace= 42 \n");
  EXPECT_EQ(IniReadInteger(file, "N", "hex1", -1), 31);
  EXPECT_EQ(IniReadInteger(file, "N", "hex2", -1), 31);
  EXPECT_EQ(IniReadInteger(file, "N", "hex3", -1), 255);
  EXPECT_EQ(IniReadInteger(file, "N", "neg", 0), -15);
  EXPECT_EQ(IniReadInteger(file, "N", "big", 0), 2147483647);
  EXPECT_EQ(IniReadInteger(file, "N", "over", 5), 5);
  EXPECT_EQ(IniReadInteger(file, "N", "abc", 5), 5);
  EXPECT_EQ(IniReadInteger(file, "N", "empty", 5), 5);
  EXPECT_EQ(IniReadInteger(file, "N", "half", 5), 5);
  EXPECT_EQ(IniReadInteger(file, "N", "allf", 5), -1);
  EXPECT_EQ(IniReadInteger(file, "N", "space", 5), 42);
}

TEST_F(IniFileTest, BooleansAreIntegersAndAnyNonZeroIsTrue) {
  WriteFile(file, "[B]\ntwo=2\nzero=0\nminus=-1\nword=true\n");
  EXPECT_TRUE(IniReadBool(file, "B", "two", false));
  EXPECT_FALSE(IniReadBool(file, "B", "zero", true));
  EXPECT_TRUE(IniReadBool(file, "B", "minus", false));
  EXPECT_FALSE(IniReadBool(file, "B", "word", false));  // no number: the default
  EXPECT_TRUE(IniReadBool(file, "B", "word", true));
  IniWriteBool(file, "B", "new", true);
  IniWriteBool(file, "B", "zero", true);
  EXPECT_NE(ReadFile(file).find("zero=1\n"), std::string::npos);
  EXPECT_NE(ReadFile(file).find("new=1\n"), std::string::npos);
}

TEST_F(IniFileTest, StringsAreCutAt2047Characters) {
  std::string longText(3000, 'x');
  IniWriteString(file, "S", "long", longText);
  EXPECT_EQ(IniReadString(file, "S", "long", ""), std::string(2047, 'x'));
  std::string umlauts;
  for (int i = 0; i < 2100; ++i) umlauts += "\xC3\xA4";  // two bytes each
  IniWriteString(file, "S", "utf8", umlauts);
  EXPECT_EQ(IniReadString(file, "S", "utf8", "").size(), 2047u * 2);
  IniWriteString(file, "S", "path", "/home/me/My Pictures/a=b.jpg");
  EXPECT_EQ(IniReadString(file, "S", "path", ""), "/home/me/My Pictures/a=b.jpg");
}

TEST_F(IniFileTest, WritesCreateFileSectionsAndKeysInOrder) {
  IniWriteString(file, "Option", "Image Folder", "/p");
  IniWriteInteger(file, "Option", "Interval", 3);
  IniWriteInteger(file, "WallPaper", "CurrentIndex", 1);
  IniWriteInteger(file, "Option", "Type", 4);
  EXPECT_EQ(ReadFile(file), "[Option]\nImage Folder=/p\nInterval=3\nType=4\n\n[WallPaper]\nCurrentIndex=1\n");
}

TEST_F(IniFileTest, CrLfFilesStayCrLf) {
  WriteFile(file, "[A]\r\nx=1\r\n");
  IniWriteInteger(file, "A", "y", 2);
  EXPECT_EQ(ReadFile(file), "[A]\r\nx=1\r\ny=2\r\n");
  EXPECT_EQ(IniReadInteger(file, "A", "x", 0), 1);
}

TEST_F(IniFileTest, ReadsSplitLinesAtCrLfOrEitherAloneAndStopAtANul) {
  WriteFile(file, std::string("[A]\rx=1\r\n; y=0\ny=2\r\r[B]\nz=\"3\"\n[A]\nw=4\n[C]\nv=5\0\n[D]\nu=6\n", 55));
  EXPECT_EQ(IniReadInteger(file, "A", "x", 0), 1);
  EXPECT_EQ(IniReadInteger(file, "A", "y", 0), 2);
  EXPECT_EQ(IniReadString(file, "b", "Z", ""), "3");
  EXPECT_EQ(IniReadInteger(file, "A", "w", 0), 0) << "only the first [A] counts";
  EXPECT_EQ(IniReadInteger(file, "C", "v", 0), 5);
  EXPECT_EQ(IniReadInteger(file, "D", "u", 0), 0) << "read past a NUL";
}

TEST_F(IniFileTest, SectionTextListsKeysWithValuesJoinedByCrLf) {
  WriteFile(file, "[Images]\n1=/a.jpg\n2=\n3=/c.png\n1=/dup.jpg\n; note\nnoequals\n[Other]\nx=1\n");
  EXPECT_TRUE(IniSectionExists(file, "images"));
  EXPECT_EQ(IniReadSectionText(file, "Images"), "1=/a.jpg\r\n3=/c.png");
  WriteFile(file, "[Empty]\n; only a comment\n[Full]\na=1\n");
  EXPECT_FALSE(IniSectionExists(file, "Empty"));
  EXPECT_TRUE(IniSectionExists(file, "Full"));
}

TEST_F(IniFileTest, EraseRemovesOnlyThatSection) {
  WriteFile(file, "[Option]\na=1\n[Images]\n1=/x.jpg\n2=/y.jpg\n[Column]\nCol1=200\n");
  EXPECT_TRUE(IniEraseSection(file, "IMAGES"));
  EXPECT_EQ(ReadFile(file), "[Option]\na=1\n[Column]\nCol1=200\n");
  EXPECT_FALSE(IniSectionExists(file, "Images"));
}

TEST_F(IniFileTest, RefusedWriteRaisesAndKeepsTheOldFile) {
  WriteFile(file, "[Option]\nInterval=3\n");
  ::chmod(file.c_str(), 0444);
  try {
    IniWriteInteger(file, "Option", "Interval", 4);
    FAIL() << "no error";
  } catch (const SettingsWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + file);
  }
  EXPECT_EQ(ReadFile(file), "[Option]\nInterval=3\n");
  EXPECT_TRUE(IniEraseSection(file, "Option"));  // gives up without stalling
  EXPECT_EQ(ReadFile(file), "[Option]\nInterval=3\n");
}

TEST_F(IniFileTest, WriteIntoMissingFolderRaises) {
  std::string nowhere = dir / "missing/toviwall.ini";
  EXPECT_THROW(IniWriteBool(nowhere, "Option", "Randomize", true), SettingsWriteError);
  EXPECT_FALSE(test::Exists(nowhere));
}

TEST_F(IniFileTest, LineBreakInValueIsRefusedRatherThanForgingKeys) {
  WriteFile(file, "[Option]\nInterval=3\n");
  EXPECT_THROW(IniWriteString(file, "Option", "Image Folder", "/a\n[Hotkey]\nShowMainMod=3"), SettingsWriteError);
  EXPECT_EQ(ReadFile(file), "[Option]\nInterval=3\n");
}

TEST_F(IniFileTest, WritesLeaveNoTemporaryFilesBehind) {
  for (int i = 0; i < 20; ++i) IniWriteInteger(file, "Option", "Interval", i);
  int count = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir.Path())) count += entry.is_regular_file();
  EXPECT_EQ(count, 1);
}

TEST_F(IniFileTest, WriteThroughSymlinkUpdatesTheTarget) {
  std::string real = dir / "real.ini";
  WriteFile(real, "[Option]\n");
  ASSERT_EQ(::symlink(real.c_str(), file.c_str()), 0);
  IniWriteInteger(file, "Option", "Type", 3);
  EXPECT_EQ(IniReadInteger(real, "Option", "Type", 0), 3);
  struct stat st {};
  ::lstat(file.c_str(), &st);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(IniFileTest, ANulEndsTheTextButWritesKeepTheBytesAfterIt) {
  const std::string unread("\0junk\n[Hotkey]\nShowMainVir=65\n", 29);
  WriteFile(file, "[Option]\nInterval=3\n" + unread);
  EXPECT_EQ(IniReadInteger(file, "Hotkey", "ShowMainVir", 0), 0);
  IniWriteInteger(file, "Option", "Type", 4);
  IniWriteInteger(file, "WallPaper", "CurrentIndex", 2);
  IniEraseSection(file, "WallPaper");
  EXPECT_EQ(ReadFile(file), "[Option]\nInterval=3\nType=4\n\n" + unread);
}

TEST_F(IniFileTest, AUtf8ByteOrderMarkIsReadOverAndKept) {
  WriteFile(file, "\xEF\xBB\xBF[Option]\r\nInterval=3\r\n");
  EXPECT_EQ(IniReadInteger(file, "Option", "Interval", 9), 3);
  IniWriteInteger(file, "Option", "Type", 4);
  EXPECT_EQ(ReadFile(file), "\xEF\xBB\xBF[Option]\r\nInterval=3\r\nType=4\r\n");
}

TEST_F(IniFileTest, SeveralValuesGoInOneReplacementWithTheBytesOfSeparateWrites) {
  const std::string start = "\xEF\xBB\xBF[WallPaper]\r\nLastChange=old\r\n\r\n[Option]\r\nType=4\r\n";
  const std::vector<IniValue> values = {{"WallPaper", "LastChange", "t0"}, {"WallPaper", "CurrentIndex", "3"},
                                        {"wallpaper", "lastchange", "t1"}, {"WallPaper", "MonitorIndexes", "4,5"},
                                        {"Option", "Interval", "9"}};
  WriteFile(file, start);
  for (const IniValue& v : values) IniWriteString(file, v.section, v.key, v.value);
  const std::string separately = ReadFile(file);
  WriteFile(file, start);
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  IniWriteValues(file, values);
  EXPECT_EQ(ReadFile(file), separately);
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino) << "replaced by a rename";
  // One value the format cannot carry refuses them all.
  EXPECT_THROW(IniWriteValues(file, {{"Option", "Type", "1"}, {"Option", "Bad", "a\nb"}}), SettingsWriteError);
  EXPECT_EQ(ReadFile(file), separately);
}

TEST(KeyFileTest, GroupsInTheirOrderKeysTrimmedCommentsAndLocalisedKeysLeftOut) {
  const std::string text = "top=1\r\n[Containments][7]\n# note\n  name = \\sa b\nName[de]=x\n"
                           "[Containments][7][Wallpaper][org.kde.image][General]\nImage=file:///p\n[B]\n;c\n";
  const KeyFile file = ParseKeyFile(text, [](const std::string& raw) { return raw == "\\sa b" ? " a b" : raw; });
  EXPECT_EQ(file.order, (std::vector<std::string>{"", "Containments][7", "Containments][7][Wallpaper][org.kde.image][General", "B"}));
  EXPECT_EQ(file.at("").at("top"), "1");
  EXPECT_EQ(file.at("Containments][7"), (std::map<std::string, std::string>{{"name", " a b"}}));
  EXPECT_EQ(file.at("Containments][7][Wallpaper][org.kde.image][General").at("Image"), "file:///p");
  EXPECT_TRUE(file.at("B").empty());
}

class DateTimeTest : public IniFileTest {
 protected:
  void SetUp() override { std::setlocale(LC_TIME, "C"); }
};

TEST_F(DateTimeTest, RoundTripsToTheSecondAndMidnightHasNoTime) {
  std::tm tm {};
  tm.tm_year = 2026 - 1900;
  tm.tm_mon = 11;
  tm.tm_mday = 7;
  tm.tm_hour = 9;
  tm.tm_min = 10;
  tm.tm_sec = 5;
  double value = DateTimeFromTm(tm);
  IniWriteDateTime(file, "WallPaper", "LastChange", value);
  EXPECT_EQ(IniReadString(file, "WallPaper", "LastChange", ""), "12/07/26 09:10:05");
  EXPECT_NEAR(IniReadDateTime(file, "WallPaper", "LastChange", 0), value, 1e-9);

  tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
  double midnight = DateTimeFromTm(tm);
  IniWriteDateTime(file, "WallPaper", "LastChange", midnight);
  EXPECT_EQ(IniReadString(file, "WallPaper", "LastChange", ""), "12/07/26");
  EXPECT_DOUBLE_EQ(IniReadDateTime(file, "WallPaper", "LastChange", 0), midnight);
  EXPECT_DOUBLE_EQ(midnight, 46363.0);  // 2026-12-07 counted from 1899-12-30
}

TEST_F(DateTimeTest, TextInAnotherFormatGivesTheDefault) {
  WriteFile(file, "[WallPaper]\nLastChange=2026-12-07 09:10:05\nOther=12/07/26 25:99:00\nJunk=soon\n");
  EXPECT_DOUBLE_EQ(IniReadDateTime(file, "WallPaper", "LastChange", 1.5), 1.5);
  EXPECT_DOUBLE_EQ(IniReadDateTime(file, "WallPaper", "Other", 1.5), 1.5);
  EXPECT_DOUBLE_EQ(IniReadDateTime(file, "WallPaper", "Junk", 1.5), 1.5);
}

}  // namespace
}  // namespace toviwall
