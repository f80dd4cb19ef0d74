#include <gtest/gtest.h>

#include "app/Intervals.h"
#include "base/UnitLanguage.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(LanguageTable, EnglishTableIsComplete) {
  LanguageTable t;
  EXPECT_EQ(t[10001], "Folder Monitoring");
  EXPECT_EQ(t[10026], "Randomize");
  EXPECT_EQ(t[10069], "Do you really want to close %s?");
  EXPECT_EQ(t[10105], "Total images: %d");
  for (int n = kFirstString; n <= 10105; ++n) EXPECT_FALSE(t[n].empty()) << n;
  EXPECT_EQ(t[10150], "%s is taken by another program");
  EXPECT_EQ(t[10000], "");
  EXPECT_EQ(t[10149], "") << "between the blocks";
  EXPECT_EQ(t[kLastString + 1], "");
}

TEST(LanguageTable, FileReplacesOnlyTheStringsItHolds) {
  TempDir dir;
  WriteFile(dir / "WallLang.lng", "10069=Wirklich %s beenden?\n10156=Laufwerk %s: %s\n10149=no such text\n");
  LanguageTable t;
  EXPECT_TRUE(t.LoadFile(dir / "WallLang.lng"));
  EXPECT_EQ(t[10069], "Wirklich %s beenden?");
  EXPECT_EQ(t[10156], "Laufwerk %s: %s");
  for (int n = kFirstString; n <= kLastString; ++n) {
    if (n == 10069 || n == 10156) continue;
    EXPECT_EQ(t[n], LanguageTable::Default(n)) << n;
  }
}

TEST(LanguageTable, BlankStringsKeepEnglishAndTextIsTrimmed) {
  TempDir dir;
  WriteFile(dir / "WallLang.lng",
            "\xEF\xBB\xBF"
            "10026=   \r\n10025=\t Automatisch wechseln \t\r\n"
            "junk line\n99999=out of range\n10011=Bilder\n10011=second wins not\n"
            "1001=short number\n10012 = &Hinzu\n");
  LanguageTable t;
  t.LoadFile(dir / "WallLang.lng");
  EXPECT_EQ(t[10026], "Randomize");
  EXPECT_EQ(t[10025], "Automatisch wechseln");
  EXPECT_EQ(t[10011], "Bilder");
  EXPECT_EQ(t[10012], "&Hinzu");
}

TEST(LanguageTable, StringsAreCutAt349CharactersBeforeTrimming) {
  TempDir dir;
  std::string text = std::string(348, 'a') + " " + std::string(10, 'b');
  std::string umlauts;
  for (int i = 0; i < 400; ++i) umlauts += "\xC3\xBC";
  WriteFile(dir / "WallLang.lng", "10002=" + text + "\n10003=" + umlauts + "\n");
  LanguageTable t;
  t.LoadFile(dir / "WallLang.lng");
  EXPECT_EQ(t[10002], std::string(348, 'a'));  // cut to 349, then the blank trimmed
  EXPECT_EQ(t[10003].size(), 349u * 2);       // characters, not bytes
}

TEST(LanguageTable, MissingFileMeansEnglish) {
  TempDir dir;
  LanguageTable t;
  EXPECT_FALSE(t.LoadFile(dir / "WallLang.lng"));
  EXPECT_FALSE(t.LoadFile(dir.Path()));  // a folder of that name is no file
  EXPECT_EQ(t[10026], "Randomize");
}

TEST(FormatText, FillsPlaceholdersInOrderAndNeverOverreads) {
  EXPECT_EQ(FormatText("Do you really want to close %s?", {"Tovi WallChanger"}),
            "Do you really want to close Tovi WallChanger?");
  EXPECT_EQ(FormatText("Loading image %d of %d", {0, 3}), "Loading image 0 of 3");
  EXPECT_EQ(FormatText("100%% %s %d %s", {"a"}), "100% a  ");
  EXPECT_EQ(FormatText("%d minutes", {"text"}), "text minutes");
  EXPECT_EQ(FormatText("%x %n %", {1}), "%x %n %");
}

TEST(Intervals, TableOf67From1MinuteTo30Days) {
  EXPECT_EQ(IntervalMinutes(0), 1);
  EXPECT_EQ(IntervalMinutes(8), 9);
  EXPECT_EQ(IntervalMinutes(9), 10);
  EXPECT_EQ(IntervalMinutes(13), 50);
  EXPECT_EQ(IntervalMinutes(14), 60);
  EXPECT_EQ(IntervalMinutes(36), 23 * 60);
  EXPECT_EQ(IntervalMinutes(37), 24 * 60);
  EXPECT_EQ(IntervalMinutes(66), 30 * 24 * 60);
  EXPECT_EQ(IntervalMinutes(-1), 0);
  EXPECT_EQ(IntervalMinutes(67), 0);
  EXPECT_EQ(IntervalText(0), "1 minute");
  EXPECT_EQ(IntervalText(9), "10 minutes");
  EXPECT_EQ(IntervalText(14), "1 hour");
  EXPECT_EQ(IntervalText(15), "2 hours");
  EXPECT_EQ(IntervalText(37), "1 day");
  EXPECT_EQ(IntervalText(66), "30 days");
}

}  // namespace
}  // namespace toviwall
