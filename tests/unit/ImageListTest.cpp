// The image list: batches of files, folders and list files, the known paths,
// the large-batch question, selection, deletion and drops within the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/IniFile.h"
#include "imagelist/ImageList.h"
#include "imagelist/ListFile.h"
#include "imagelist/PathCollation.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Lines = std::vector<std::string>;

class ImageListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.SetListFile(dir / "toviwall.lst");
    ImageList::Hooks hooks;
    hooks.confirmMany = [this](std::size_t count) {
      asked.push_back(count);
      return answer;
    };
    hooks.fetchTypeIcon = [this](const std::string&) { return ++icons; };
    hooks.progress = [this](std::size_t i, std::size_t n) { progress.push_back({i, n}); };
    hooks.pump = [this] {
      if (onPump) onPump();
    };
    list.SetHooks(hooks);
    list.SetFollowers({.refillBag = [this] { ++refills; }, .rowsMoving = {}, .rowsMoved = {}});
  }

  std::string Touch(const std::string& relative) {
    std::string path = dir / relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFile(path, "x");
    return path;
  }

  Lines RowPaths() const {
    Lines out;
    for (const auto& row : list.Rows().Rows()) out.push_back(row.path);
    return out;
  }
  Lines Known() { return list.KnownSet().Items(); }
  std::vector<int> Selected() const { return list.Rows().SelectedRows(); }

  TempDir dir;
  ImageList list;
  std::vector<std::size_t> asked;
  bool answer = true;
  int icons = 0;
  int refills = 0;
  std::vector<std::pair<std::size_t, std::size_t>> progress;
  std::function<void()> onPump;
};

TEST_F(ImageListTest, FilesBecomeRowsInOrderOnceInAnyCase) {
  std::string b = Touch("B.jpg"), a = Touch("a.JPG"), c = Touch("c.png"), d = Touch("d.bmp"), e = Touch("e.jpeg");
  std::string gif = Touch("f.gif"), readme = Touch("readme");
  list.AddPaths({b, a, c, gif, readme, dir / "missing.jpg", d, e});
  EXPECT_EQ(RowPaths(), (Lines{a, b, c, d, e}));
  EXPECT_EQ(ReadFile(dir / "toviwall.lst"), a + "\r\n" + b + "\r\n" + c + "\r\n" + d + "\r\n" + e + "\r\n");
  EXPECT_EQ(Known(), RowPaths());
  // One type icon per group: .jpg and .jpeg share one.
  EXPECT_EQ(icons, 3);
  EXPECT_EQ(list.Rows().At(0).icon, list.Rows().At(1).icon);
  EXPECT_EQ(list.Rows().At(4).icon, list.Rows().At(0).icon);

  // Known paths are not added again (A.jpg names no file); a new one joins in order.
  std::string aa = Touch("aa.png");
  list.AddPaths({dir / "A.jpg", b, aa});
  EXPECT_EQ(RowPaths(), (Lines{a, aa, b, c, d, e}));
  EXPECT_EQ(list.Rows().SelectedRows(), (std::vector<int>{0}));  // no marker: row 0
}

TEST_F(ImageListTest, FoldersAreScannedListFilesMergedAndDottedNamesIgnored) {
  std::string top = Touch("pics/top.png");
  std::string deep = Touch("pics/one/two/three/deep.jpg");
  std::string hidden = Touch("pics/.hidden.jpg");
  Touch("pics/.thumbs/skip.jpg");
  std::string dotted = Touch("pics/My.Pictures/in.bmp");
  Touch("pics/notes.txt");
  Touch("elsewhere/My.Pictures/direct.png");
  std::string listed = Touch("elsewhere/listed.jpg");
  std::string lst = dir / "extra.LST";
  WriteFile(lst, listed + "\r\n" + dir / "elsewhere/none.jpg" + "\r\n" + dir / "elsewhere/x.txt" + "\r\n");

  list.AddPaths({dir / "pics", dir / "elsewhere/My.Pictures", lst, dir / "no-such-folder"});
  EXPECT_EQ(RowPaths(), (Lines{listed, hidden, dotted, deep, top}));
  // A folder named with a dot, given directly, is ignored.
  EXPECT_EQ(list.Rows().IndexOf(dir / "elsewhere/My.Pictures/direct.png"), -1);
  // Every file the scan met is known afterwards only if it became a row: the
  // known set is the list file as written.
  EXPECT_EQ(Known(), RowPaths());
}

TEST_F(ImageListTest, DeletedPathsStayKnownUntilTheNextBatch) {
  std::string a = Touch("pics/a.jpg"), b = Touch("pics/b.jpg");
  list.AddPaths({dir / "pics"});
  list.Rows().Select(0, true);
  std::string question;
  refills = 0;
  EXPECT_TRUE(list.DeleteSelected([&](const std::string& q) {
    question = q;
    return true;
  }));
  EXPECT_EQ(question, "Do you really want to delete file a.jpg?");
  EXPECT_EQ(refills, 1);
  EXPECT_EQ(RowPaths(), Lines{b});
  EXPECT_TRUE(list.KnownSet().Contains(a));
  EXPECT_TRUE(test::Exists(a));  // files on disk are never touched

  // A rescan does not bring it back, but refreshes the known set from the file...
  list.AddPaths({dir / "pics"});
  EXPECT_EQ(RowPaths(), Lines{b});
  EXPECT_EQ(ReadFile(dir / "toviwall.lst"), b + "\r\n");
  EXPECT_FALSE(list.KnownSet().Contains(a));
  // ...so the one after that does.
  list.AddPaths({dir / "pics"});
  EXPECT_EQ(RowPaths(), (Lines{a, b}));
}

TEST_F(ImageListTest, MoreThanThreeHundredNewPathsNeedConsent) {
  Lines first, second;
  for (int i = 0; i < 300; ++i) first.push_back(Touch("one/" + std::to_string(1000 + i) + ".jpg"));
  for (int i = 0; i < 301; ++i) second.push_back(Touch("two/" + std::to_string(1000 + i) + ".png"));
  list.AddPaths(first);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(list.Rows().Count(), 300);

  // 301 asks; declining adds nothing and leaves the file and the known set alone.
  const std::string fileBefore = ReadFile(dir / "toviwall.lst");
  answer = false;
  list.AddPaths(second);
  EXPECT_EQ(asked, std::vector<std::size_t>{301});
  EXPECT_EQ(list.Rows().Count(), 300);
  EXPECT_EQ(ReadFile(dir / "toviwall.lst"), fileBefore);
  EXPECT_EQ(list.KnownSet().Size(), 300u);

  // Paths already known do not count.
  answer = true;
  second.pop_back();
  list.AddPaths(first);
  list.AddPaths(second);
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_EQ(list.Rows().Count(), 600);
}

TEST_F(ImageListTest, AfterABatchTheMarkedRowIsSelectedElseRowZero) {
  std::string b = Touch("b.jpg"), d = Touch("d.jpg");
  list.AddPaths({b, d});
  list.Rows().SetIcon(1, WallpaperList::kMarkerIcon);
  std::string a = Touch("a.jpg"), c = Touch("c.jpg");
  list.AddPaths({a, c});
  EXPECT_EQ(RowPaths(), (Lines{a, b, c, d}));
  EXPECT_EQ(Selected(), std::vector<int>{3});
  EXPECT_EQ(list.Rows().Focus(), 3);
  EXPECT_EQ(list.Rows().At(3).icon, WallpaperList::kMarkerIcon);

  list.Rows().SetIcon(3, 5);
  list.AddPaths({Touch("e.jpg")});
  // The earlier selection's first row is dropped, row 0 selected.
  EXPECT_EQ(Selected(), std::vector<int>{0});
}

TEST_F(ImageListTest, DeletingTheOnlyRowAndRowsTwoAndThreeOfFive) {
  list.AddPaths({Touch("only.jpg")});
  list.Rows().Select(0, true);
  EXPECT_TRUE(list.DeleteSelected([](const std::string&) { return true; }));
  EXPECT_EQ(list.Rows().Count(), 0);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(list.Rows().Focus(), -1);

  Lines five;
  for (const char* n : {"0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg"}) five.push_back(Touch(n));
  list.AddPaths(five);
  list.Rows().Select(0, false);
  list.Rows().Select(2, true);
  list.Rows().Select(3, true);
  std::string question;
  // Answering No removes nothing.
  EXPECT_FALSE(list.DeleteSelected([&](const std::string& q) {
    question = q;
    return false;
  }));
  EXPECT_EQ(question, "Do you really want to delete selected files?");
  EXPECT_EQ(list.Rows().Count(), 5);
  EXPECT_TRUE(list.DeleteSelected([](const std::string&) { return true; }));
  EXPECT_EQ(RowPaths(), (Lines{five[0], five[1], five[4]}));
  EXPECT_EQ(Selected(), std::vector<int>{2});
  EXPECT_EQ(list.Rows().Focus(), 2);
  // Nothing selected: no question, but the bag is refilled all the same.
  list.Rows().Select(2, false);
  refills = 0;
  EXPECT_FALSE(list.DeleteSelected([](const std::string&) -> bool { throw std::logic_error("asked"); }));
  EXPECT_EQ(refills, 1);
}

TEST_F(ImageListTest, DroppingRowsWithinTheListKeepsTheOrderAndUnselectsThem) {
  Lines paths;
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) paths.push_back(Touch(n));
  list.AddPaths(paths);
  list.Rows().Select(1, true);
  list.Rows().Select(3, true);
  list.Rows().SetFocus(3);
  list.Rows().SetIcon(3, WallpaperList::kMarkerIcon);
  EXPECT_TRUE(list.DropSelectedWithinList());
  EXPECT_EQ(RowPaths(), paths);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(list.Rows().At(3).icon, WallpaperList::kMarkerIcon);
  EXPECT_EQ(list.Rows().Focus(), -1);
}

TEST_F(ImageListTest, ProgressCountsFromZeroAndTheBagFollowsTheBatch) {
  list.AddPaths({Touch("a.jpg"), Touch("b.jpg"), Touch("c.jpg")});
  EXPECT_EQ(progress, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 3}, {1, 3}, {2, 3}}));
  EXPECT_EQ(refills, 1);
  // A batch that adds nothing still rewrites the file and refills the bag.
  progress.clear();
  std::filesystem::remove(dir / "toviwall.lst");
  list.AddPaths({dir / "a.jpg"});
  EXPECT_TRUE(progress.empty());
  EXPECT_EQ(refills, 2);
  EXPECT_TRUE(test::Exists(dir / "toviwall.lst"));
  // An empty batch does nothing at all.
  list.AddPaths({});
  EXPECT_EQ(refills, 2);
}

TEST_F(ImageListTest, ABatchArrivingDuringAnotherWaitsForIt) {
  std::string a = Touch("one/a.jpg"), b = Touch("one/b.jpg"), z = Touch("two/z.jpg");
  int pumped = 0;
  onPump = [&] {
    // A drop while the first batch lets the interface work.
    if (pumped++ == 0) list.AddPaths({dir / "two"});
  };
  list.AddPaths({dir / "one"});
  onPump = nullptr;
  // The second batch began after the first had ended.
  EXPECT_EQ(progress, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 2}, {1, 2}, {0, 1}}));
  EXPECT_EQ(RowPaths(), (Lines{a, b, z}));
  EXPECT_EQ(Known(), RowPaths());
  EXPECT_FALSE(list.BatchRunning());
}

TEST_F(ImageListTest, StartUpDropsMissingFilesFromTheFileButKeepsThemKnown) {
  std::string a = Touch("a.jpg"), c = Touch("c.png");
  std::string ini = dir / "toviwall.ini";
  WriteFile(ini, "[Images]\nfoo=bar\n");
  WriteFile(dir / "toviwall.lst", c + "\r\n" + dir / "gone.jpg" + "\n" + a + "\r\n\r\n" + dir / "A.JPG" + "\r\n");
  EXPECT_TRUE(list.LoadImageList(ini));
  EXPECT_EQ(RowPaths(), (Lines{a, c}));
  EXPECT_EQ(ReadFile(dir / "toviwall.lst"), a + "\r\n" + c + "\r\n");
  EXPECT_TRUE(list.KnownSet().Contains(dir / "gone.jpg"));
  EXPECT_TRUE(list.KnownSet().Contains("foo=bar"));
  EXPECT_FALSE(IniSectionExists(ini, "Images"));
  EXPECT_EQ(refills, 1);
}

TEST_F(ImageListTest, DecliningALargeListAtStartUpKeepsItAndTheRunsAdditions) {
  Lines stored;
  std::string text;
  for (int i = 0; i < 301; ++i) text += stored.emplace_back(Touch("p/" + std::to_string(i) + ".jpg")) + "\r\n";
  WriteFile(dir / "toviwall.lst", text);
  WriteFile(dir / "toviwall.ini", "[Images]\nfoo=bar\n");
  auto fileWith = [&](Lines lines) {
    std::sort(lines.begin(), lines.end(), PathLess());
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
  };
  answer = false;
  EXPECT_FALSE(list.LoadImageList(dir / "toviwall.ini"));
  EXPECT_EQ(asked, std::vector<std::size_t>{302});
  EXPECT_EQ(list.Rows().Count(), 0);
  // The legacy section, erased from the settings, is kept in the file.
  stored.push_back("foo=bar");
  EXPECT_EQ(ReadFile(dir / "toviwall.lst"), fileWith(stored));
  // A later batch and the save at the end write the declined lines together
  // with what the run added; a declined path is not added as a row.
  std::string extra = Touch("q/new.jpg");
  list.AddPaths({extra, dir / "p/7.jpg"});
  list.SaveDefault();
  EXPECT_EQ(RowPaths(), Lines{extra});
  stored.push_back(extra);
  EXPECT_EQ(ReadFile(dir / "toviwall.lst"), fileWith(stored));
  // The next start, answering yes, loads it all.
  ImageList next;
  next.SetListFile(dir / "toviwall.lst");
  EXPECT_TRUE(next.LoadImageList(dir / "toviwall.ini"));
  EXPECT_EQ(next.Rows().Count(), 302);
}

TEST_F(ImageListTest, LegacyEntriesLeaveTheSettingsOnlyOnceTheListFileHoldsThem) {
  // A whole line "key=value" is the path: this file's name holds an "=".
  const std::string legacy = Touch("p/x=y.jpg");
  const std::string ini = dir / "toviwall.ini", lst = dir / "toviwall.lst";
  const std::string section = "[Images]\n" + legacy.substr(0, legacy.find('=')) + "=y.jpg\n";
  std::string many;
  for (int i = 0; i < 301; ++i) many += dir / ("gone/" + std::to_string(i) + ".jpg") + "\r\n";
  WriteFile(ini, section);
  WriteFile(lst, many);
  // While the large-list question shows (the program might be killed then),
  // the entry is in the settings or in the list file.
  bool safe = false;
  ImageList::Hooks hooks;
  hooks.confirmMany = [&](std::size_t) {
    safe = IniSectionExists(ini, "Images") || ReadFile(lst).find(legacy + "\r\n") != std::string::npos;
    return false;
  };
  list.SetHooks(hooks);
  EXPECT_FALSE(list.LoadImageList(ini));
  EXPECT_TRUE(safe);
  EXPECT_NE(ReadFile(lst).find(legacy + "\r\n"), std::string::npos);
  EXPECT_FALSE(IniSectionExists(ini, "Images"));

  // A list file that cannot be written keeps the section.
  WriteFile(ini, section);
  ImageList other;
  std::filesystem::create_directory(dir / "folder.lst");
  other.SetListFile(dir / "folder.lst");
  EXPECT_THROW(other.LoadImageList(ini), ListFileError);
  EXPECT_TRUE(IniSectionExists(ini, "Images"));
}

TEST_F(ImageListTest, NamesWithLineBreaksAreLeftOutForTheListFileCannotHoldThem) {
  const std::string a = Touch("pics/a.jpg");
  const std::string direct = Touch("x\ny.jpg");
  for (const char* name : {"pics/b\nc.jpg", "pics/d\r.png", "pics/new\nfolder/e.jpg"}) Touch(name);
  list.AddPaths({dir / "pics", direct});
  EXPECT_EQ(RowPaths(), Lines{a});
  EXPECT_EQ(ReadFile(dir / "toviwall.lst"), a + "\r\n");
}

TEST_F(ImageListTest, PathsDifferingOnlyInCaseAreTwoFiles) {
  std::string upper = Touch("A.png"), lower = Touch("a.png");
  list.AddPaths({upper});
  list.AddPaths({lower, upper});
  EXPECT_EQ(RowPaths(), (Lines{lower, upper}));
  EXPECT_EQ(ReadFile(dir / "toviwall.lst"), lower + "\r\n" + upper + "\r\n");
  ImageList next;
  next.SetListFile(dir / "toviwall.lst");
  EXPECT_TRUE(next.LoadImageList(dir / "toviwall.ini"));
  EXPECT_EQ(next.Rows().Count(), 2);
}

}  // namespace
}  // namespace toviwall
