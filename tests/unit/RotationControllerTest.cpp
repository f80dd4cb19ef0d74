// The rotation with a clock and a random source of the test's own: schedules,
// orders, the watchdog and failures, over days of ticks.
#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <set>
#include <stdexcept>

#include "base/DateTime.h"
#include "base/IniFile.h"
#include "app/RotationController.h"
#include "app/RotationState.h"
#include "base/Settings.h"
#include "imagelist/ImageList.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::TempDir;
using test::WriteFile;

using Lines = std::vector<std::string>;
constexpr double kSecond = 1.0 / kSecondsPerDay;

// 1 March 2024 at the given time of day.
double At(int h, int m, int s) {
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 2;
  tm.tm_mday = 1;
  tm.tm_hour = h;
  tm.tm_min = m;
  tm.tm_sec = s;
  return DateTimeFromTm(tm);
}

class RotationTest : public ::testing::Test {
 protected:
  void SetUp() override { list.SetListFile(dir / "toviwall.lst"); }

  void MakeEntries(int n) {
    std::vector<std::string> paths;
    for (int i = 0; i < n; ++i) {
      paths.push_back(dir / ("img" + std::to_string(i) + ".jpg"));
      WriteFile(paths.back(), "x");
    }
    list.AddPaths(paths);
    list.Rows().Select(0, false);  // the batch selected row 0
    list.Rows().SetFocus(-1);
  }

  // The controller as the program builds it, with the test's clock, random
  // source and desktop.
  RotationController& Rotation() {
    if (rotation) return *rotation;
    RotationController::Hooks h;
    h.now = [this] { return now; };
    h.random = [this](std::size_t n) {
      if (draws.empty()) return std::uniform_int_distribution<std::size_t>(0, n - 1)(gen);
      std::size_t r = draws.front();
      draws.pop_front();
      return r;
    };
    h.applyWallpaper = [this](int index, const std::vector<int>& others) {
      if (failing.count(index)) throw std::runtime_error("bad image " + std::to_string(index));
      applied.push_back(index);
      appliedOthers.push_back(others);
      shown = index;
    };
    h.entriesPerChange = [this] { return monitors; };
    h.wallpaperDiffers = [this](int index) { return shown != index; };
    h.entrySkipped = [this](const std::string& path, const std::string& reason) {
      skipped.push_back(path + ": " + reason);
    };
    h.switchTimer = [this](bool on) { timerOn = on; };
    h.startup = [this] { return startup; };
    h.autoChange = [this] { return autoChange; };
    h.randomize = [this] { return randomize; };
    h.intervalPosition = [this] { return interval; };
    rotation = std::make_unique<RotationController>(list, settings, state, h);
    list.SetFollowers({.refillBag = [this] { rotation->RefillBag(); },
                       .rowsMoving = [this] { state.RowsMoving(); },
                       .rowsMoved = [this] { state.RowsMoved(); }});
    rotation->RefillBag();
    return *rotation;
  }

  // Ticks every 30 seconds from `from` up to and including `to`.
  void TickUntil(double from, double to) {
    for (now = from; now <= to + kSecond / 2; now += 30 * kSecond) Rotation().TimerTick();
    now -= 30 * kSecond;
  }

  int Marked() const {
    for (int i = 0; i < list.Rows().Count(); ++i)
      if (list.Rows().At(i).icon == WallpaperList::kMarkerIcon) return i;
    return -1;
  }

  TempDir dir;
  std::string ini = dir / "toviwall.ini";
  Settings settings{ini};
  ImageList list;
  RotationState state{settings, list.Rows()};
  std::unique_ptr<RotationController> rotation;
  std::mt19937 gen{42};
  std::deque<std::size_t> draws;  // scripted draws, taken first
  double now = At(9, 0, 0);
  std::vector<int> applied;
  std::vector<std::vector<int>> appliedOthers;
  int monitors = 1;
  std::set<int> failing;
  Lines skipped;
  int shown = -1;
  bool timerOn = false, startup = false, autoChange = true, randomize = false;
  int interval = 9;  // ten minutes
};

TEST_F(RotationTest, TenMinutesAfterNineTheChangeFallsDueAndEveryTenMinutesThen) {
  MakeEntries(3);
  Rotation().ChangeToIndex(0);  // at 09:00:00
  EXPECT_EQ(applied, std::vector<int>{0});
  EXPECT_TRUE(timerOn);
  now = At(9, 9, 50);
  Rotation().TimerTick();
  EXPECT_EQ(applied.size(), 1u);
  now = At(9, 10, 0);
  Rotation().TimerTick();
  EXPECT_EQ(applied, (std::vector<int>{0, 1}));
  EXPECT_DOUBLE_EQ(Read(ini, keys::LastChange, 0.0), At(9, 10, 0));
  EXPECT_EQ(Read(ini, keys::Interval), 9);

  // A day of ticks: one change every ten minutes, in list order.
  applied.clear();
  TickUntil(At(9, 10, 30), At(9, 10, 0) + 1.0);
  ASSERT_EQ(applied.size(), 144u);
  for (std::size_t k = 0; k < applied.size(); ++k) EXPECT_EQ(applied[k], static_cast<int>((k + 2) % 3));
}

TEST_F(RotationTest, ListOrderGoesOnFromTheSelectedRowElseFromTheStoredIndex) {
  MakeEntries(3);
  Write(ini, keys::CurrentIndex, 2);
  Rotation().ChangeWallpaperNow();
  EXPECT_EQ(applied, std::vector<int>{0});
  EXPECT_EQ(Marked(), 0);
  EXPECT_EQ(list.Rows().SelectedRows(), std::vector<int>{0});
  EXPECT_EQ(list.Rows().Focus(), 0);

  Write(ini, keys::CurrentIndex, 2);
  Rotation().ChangeWallpaperNow();  // row 0 is selected
  EXPECT_EQ(applied, (std::vector<int>{0, 1}));
  EXPECT_EQ(Marked(), 1);
  EXPECT_EQ(list.Rows().SelectedRows(), std::vector<int>{1});

  // A stored position far outside the list starts again at row 0.
  list.Rows().Select(1, false);
  Write(ini, keys::CurrentIndex, -7);
  EXPECT_EQ(Rotation().NextIndex(), 0);
  Write(ini, keys::CurrentIndex, 40);
  EXPECT_EQ(Rotation().NextIndex(), 0);
}

TEST_F(RotationTest, RandomOrderShowsEveryEntryOncePerCycle) {
  MakeEntries(3);
  randomize = true;
  for (int cycle = 0; cycle < 50; ++cycle) {
    applied.clear();
    for (int k = 0; k < 3; ++k) Rotation().ChangeWallpaperNow();
    EXPECT_EQ(std::set<int>(applied.begin(), applied.end()), (std::set<int>{0, 1, 2}));
    EXPECT_EQ(Rotation().Bag().size(), 3u);  // refilled for the next cycle
  }
}

TEST_F(RotationTest, AnEmptyListChangesNothingAndStaysDue) {
  randomize = true;
  Rotation().Reschedule();
  EXPECT_NO_THROW(TickUntil(At(9, 0, 0), At(10, 0, 0)));
  EXPECT_TRUE(applied.empty());
  // Every tick found the change due and stored its time.
  EXPECT_DOUBLE_EQ(Read(ini, keys::LastChange, 0.0), At(10, 0, 0));
  randomize = false;
  EXPECT_NO_THROW(Rotation().ChangeWallpaperNow());
  EXPECT_TRUE(applied.empty());
}

TEST_F(RotationTest, NextAndPreviousWrapAroundAndLeaveTheMarker) {
  MakeEntries(3);
  Rotation().ChangeToIndex(2);
  Rotation().Next();
  EXPECT_EQ(applied, (std::vector<int>{2, 0}));
  EXPECT_EQ(list.Rows().SelectedRows(), std::vector<int>{0});
  EXPECT_EQ(Read(ini, keys::CurrentIndex), 0);
  Rotation().Previous();
  EXPECT_EQ(applied, (std::vector<int>{2, 0, 2}));
  Rotation().Previous();
  EXPECT_EQ(applied.back(), 1);
  EXPECT_EQ(list.Rows().SelectedRows(), std::vector<int>{1});
  EXPECT_EQ(list.Rows().Focus(), 1);
  EXPECT_EQ(Marked(), 2);
  // Without a selected row they only reschedule.
  list.Rows().Select(1, false);
  Rotation().Next();
  EXPECT_EQ(applied.size(), 4u);
}

TEST_F(RotationTest, AShorterIntervalAfterALongPauseIsDueAtOnce) {
  MakeEntries(2);
  interval = 37;  // one day
  Rotation().ChangeToIndex(0);
  now = At(15, 0, 0);
  Rotation().TimerTick();
  EXPECT_EQ(applied.size(), 1u);
  interval = 14;  // one hour, counted from the last change at 09:00
  Rotation().Reschedule();
  EXPECT_EQ(Read(ini, keys::Interval), 14);
  now += 30 * kSecond;
  Rotation().TimerTick();
  EXPECT_EQ(applied, (std::vector<int>{0, 1}));
}

TEST_F(RotationTest, ALastChangeInTheFutureCountsAsNow) {
  MakeEntries(2);
  Write(ini, keys::LastChange, At(9, 0, 0) + 3.0);  // the clock was set back
  shown = 0;
  Write(ini, keys::CurrentIndex, 0);
  Rotation().Reschedule();
  EXPECT_DOUBLE_EQ(Rotation().NextChangeTime(), At(9, 10, 0));
  TickUntil(At(9, 0, 30), At(9, 9, 30));
  EXPECT_TRUE(applied.empty());
  TickUntil(At(9, 10, 0), At(9, 10, 0));
  EXPECT_EQ(applied, std::vector<int>{1});
}

TEST_F(RotationTest, AnIntervalOutsideTheListChangesAtEveryTick) {
  MakeEntries(3);
  interval = -1;  // the stored 70 selected nothing
  Rotation().Reschedule();
  EXPECT_EQ(Read(ini, keys::Interval), -1);
  TickUntil(At(9, 0, 0), At(9, 2, 0));
  EXPECT_EQ(applied, (std::vector<int>{1, 2, 0, 1, 2}));
}

TEST_F(RotationTest, TheTimerGoesPastAFailingImageAndReportsItOnce) {
  MakeEntries(4);
  Rotation().ChangeToIndex(0);
  failing = {1};
  now = At(9, 10, 0);
  EXPECT_NO_THROW(Rotation().TimerTick());
  EXPECT_EQ(applied, (std::vector<int>{0, 2}));
  EXPECT_EQ(Marked(), 2);
  EXPECT_EQ(Read(ini, keys::CurrentIndex), 2);
  // A round later it is passed again, without a second report.
  TickUntil(At(9, 10, 30), At(9, 40, 0));
  EXPECT_EQ(applied, (std::vector<int>{0, 2, 3, 0, 2}));
  EXPECT_EQ(skipped, Lines{list.Rows().Path(1) + ": bad image 1"});
  // So is it by the watchdog, after another program set the wallpaper.
  list.Rows().Select(2, false);
  Write(ini, keys::CurrentIndex, 0);
  shown = -1;
  now += 30 * kSecond;
  Rotation().TimerTick();
  EXPECT_EQ(applied.back(), 2);
  // The user's own command shows the failure.
  EXPECT_THROW(Rotation().ChangeToIndex(1), std::runtime_error);

  // Shuffled, another entry is drawn in the same tick.
  randomize = true;
  Rotation().RefillBag();
  draws = {1, 1};  // entry 1 from {0, 1, 2, 3}, then entry 2 from {0, 2, 3}
  now += 10 * 60 * kSecond;
  Rotation().TimerTick();
  EXPECT_EQ(applied.back(), 2);
  EXPECT_EQ(Rotation().Bag(), (std::vector<int>{0, 3}));

  // When every entry fails, each is tried once and the change stays due.
  randomize = false;
  failing = {0, 1, 2, 3};
  applied.clear();
  now += 10 * 60 * kSecond;
  Rotation().TimerTick();
  EXPECT_TRUE(applied.empty());
  EXPECT_EQ(skipped.size(), 4u);
  EXPECT_LE(Rotation().NextChangeTime(), now);
}

TEST_F(RotationTest, TheWatchdogMovesOnWhenTheDesktopShowsSomethingElse) {
  MakeEntries(3);
  Rotation().ChangeToIndex(0);
  TickUntil(At(9, 0, 30), At(9, 5, 0));
  EXPECT_EQ(applied, std::vector<int>{0});
  shown = -1;  // "None", or another program set a wallpaper
  now += 30 * kSecond;
  Rotation().TimerTick();
  EXPECT_EQ(applied, (std::vector<int>{0, 1}));  // the next entry, not the same again
  // A stored position outside the list is followed by a change too.
  Write(ini, keys::CurrentIndex, 9);
  now += 30 * kSecond;
  Rotation().TimerTick();
  EXPECT_EQ(applied.back(), 2);  // after the selected row 1
}

TEST_F(RotationTest, StartUpAppliesTheStoredEntryAndKeepsTheTimerOff) {
  MakeEntries(3);
  startup = true;
  Write(ini, keys::CurrentIndex, 2);
  Rotation().Reschedule();
  EXPECT_FALSE(timerOn);
  Rotation().ChangeToIndex(1);  // ignored while starting
  EXPECT_TRUE(applied.empty());
  startup = false;
  now = At(9, 30, 0);
  Rotation().ApplyStoredIndex();
  EXPECT_EQ(applied, std::vector<int>{2});
  EXPECT_EQ(list.Rows().SelectedRows(), std::vector<int>{2});
  EXPECT_DOUBLE_EQ(Rotation().NextChangeTime(), At(9, 40, 0));  // a full interval from the start

  // A stored entry outside the list: nothing applied, row 0 selected.
  list.Rows().Select(2, false);
  Write(ini, keys::CurrentIndex, 5);
  applied.clear();
  Rotation().ApplyStoredIndex();
  EXPECT_TRUE(applied.empty());
  EXPECT_EQ(list.Rows().SelectedRows(), std::vector<int>{0});
  // An entry that cannot be applied is still selected, and the error comes after.
  list.Rows().Select(0, false);
  Write(ini, keys::CurrentIndex, 1);
  failing = {1};
  EXPECT_THROW(Rotation().ApplyStoredIndex(), std::runtime_error);
  EXPECT_EQ(list.Rows().SelectedRows(), std::vector<int>{1});

  autoChange = false;
  Rotation().Reschedule();
  EXPECT_FALSE(timerOn);
}

TEST_F(RotationTest, WithAPictureOnEachMonitorAChangeTakesTheNextEntriesTogether) {
  MakeEntries(5);
  monitors = 2;
  Rotation().ChangeWallpaperNow();  // after the stored entry 0
  Rotation().ChangeWallpaperNow();  // after the second monitor's entry
  Rotation().ChangeWallpaperNow();  // round the end of the list
  EXPECT_EQ(applied, (std::vector<int>{1, 3, 0}));
  EXPECT_EQ(appliedOthers, (std::vector<std::vector<int>>{{2}, {4}, {1}}));
  // A row the user selected decides; the start re-applies the pair stored.
  list.Rows().Select(0, false);
  list.Rows().Select(3, true);
  Rotation().ChangeWallpaperNow();
  EXPECT_EQ(applied.back(), 4);
  EXPECT_EQ(appliedOthers.back(), std::vector<int>{0});
  Rotation().ApplyStoredIndex();
  EXPECT_EQ(appliedOthers.back(), std::vector<int>{0});
  monitors = 3;  // a monitor more: the row after the last one shown
  Rotation().ApplyStoredIndex();
  EXPECT_EQ(appliedOthers.back(), (std::vector<int>{0, 1}));

  // Shuffled: the second monitor never repeats the first's entry, even when
  // the bag is refilled in between; the entry drawn twice waits in the bag.
  monitors = 2;
  randomize = true;
  Rotation().RefillBag();
  draws = {4, 0, 2, 0, 0, 2, 0};
  Rotation().ChangeWallpaperNow();  // 4, then 0: bag 1 2 3
  Rotation().ChangeWallpaperNow();  // 3, then 1: bag 2
  EXPECT_EQ(appliedOthers[appliedOthers.size() - 2], std::vector<int>{0});
  EXPECT_EQ(applied.back(), 3);
  EXPECT_EQ(appliedOthers.back(), std::vector<int>{1});
  Rotation().ChangeWallpaperNow();  // 2 (a new bag), then 2 again goes back: 0
  EXPECT_EQ(applied.back(), 2);
  EXPECT_EQ(appliedOthers.back(), std::vector<int>{0});
  EXPECT_EQ(Rotation().Bag(), (std::vector<int>{1, 3, 4, 2}));
}

TEST_F(RotationTest, OneChangeStoresItsEntryTimeMonitorsAndIntervalInOneWrite) {
  MakeEntries(4);
  monitors = 2;
  Rotation().Reschedule();
  test::FileWrites writes(dir.Path(), "toviwall.ini");
  now = At(9, 10, 0);
  Rotation().TimerTick();  // due: after the stored entry 0
  EXPECT_EQ(writes.Count(), 1u);
  EXPECT_EQ(test::ReadFile(ini),
            "[Option]\nInterval=9\n\n[WallPaper]\nLastChange=" + IniDateTimeText(now) +
                "\nCurrentIndex=1\nMonitorIndexes=2\n");
  Rotation().Next();  // from the selected row 1
  Rotation().ChangeToIndex(0);
  EXPECT_EQ(writes.Count(), 3u);
  EXPECT_EQ(Read(ini, keys::CurrentIndex), 0);
  EXPECT_EQ(ReadNumbers(ini, keys::MonitorIndexes), std::vector<int>{1});
  // A change that fails stores nothing; one due that finds nothing to show, its time.
  failing = {1};
  EXPECT_THROW(Rotation().ChangeToIndex(1), std::runtime_error);
  EXPECT_EQ(writes.Count(), 3u);
  failing = {0, 1, 2, 3};
  now = At(9, 30, 0);
  Rotation().TimerTick();
  EXPECT_EQ(writes.Count(), 4u);
  EXPECT_DOUBLE_EQ(Read(ini, keys::LastChange, 0.0), now);
  // Back to one picture: the further monitors' rows are forgotten.
  failing.clear();
  monitors = 1;
  Rotation().ChangeToIndex(3);
  EXPECT_TRUE(ReadNumbers(ini, keys::MonitorIndexes).empty());
}

TEST_F(RotationTest, TheStoredRowsFollowTheirPicturesWhenRowsAreAddedAndDeleted) {
  MakeEntries(4);  // img0 .. img3
  monitors = 3;
  Rotation().ChangeToIndex(1);  // img1, then img2 and img3 on the further monitors
  ASSERT_EQ(ReadNumbers(ini, keys::MonitorIndexes), (std::vector<int>{2, 3}));
  auto stored = [this] {
    std::vector<std::string> paths{list.Rows().Path(Read(ini, keys::CurrentIndex))};
    for (int row : ReadNumbers(ini, keys::MonitorIndexes)) paths.push_back(list.Rows().Path(row));
    return paths;
  };
  const std::vector<std::string> shownNow = stored();
  WriteFile(dir / "a.jpg", "x");  // sorts before all of them
  test::FileWrites writes(dir.Path(), "toviwall.ini");
  list.AddPaths({dir / "a.jpg"});
  EXPECT_EQ(stored(), shownNow);
  EXPECT_EQ(writes.Count(), 1u) << "both keys in one write";
  for (int row : list.Rows().SelectedRows()) list.Rows().Select(row, false);
  list.Rows().Select(0, true);
  list.DeleteSelected([](const std::string&) { return true; });
  EXPECT_EQ(stored(), shownNow);
  // A deleted row's number stays: the rows after it still follow.
  for (int row : list.Rows().SelectedRows()) list.Rows().Select(row, false);
  list.Rows().Select(list.Rows().IndexOf(dir / "img2.jpg"), true);
  list.DeleteSelected([](const std::string&) { return true; });
  EXPECT_EQ(ReadNumbers(ini, keys::MonitorIndexes), (std::vector<int>{2, 2}));
  EXPECT_EQ(list.Rows().Path(Read(ini, keys::CurrentIndex)), dir / "img1.jpg");
}

}  // namespace
}  // namespace toviwall
