// The settings object over a real file: the key table's bounds, and the
// observers that hear of a key's change.
#include <gtest/gtest.h>

#include "base/Settings.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

TEST(SettingsKeyTable, EveryDefaultIsWithinItsBounds) {
  for (const keys::IntKey* k : keys::kIntKeys) {
    SCOPED_TRACE(k->name);
    EXPECT_EQ(k->Bounded(k->def), k->def);
    EXPECT_LE(k->min, k->max);
  }
}

TEST(SettingsTest, IntegersReadWithinTheirBounds) {
  test::TempDir dir;
  Settings settings(dir / "toviwall.ini");
  test::WriteFile(settings.File(),
                  "[Option]\nInterval=67\nType=0x9\nMonitors=-1\nBackgroundColor=$1FF0000\n"
                  "[Colors]\nCurColor=-1\n[Hotkey]\nShowMainMod=16\nChangeWallMod=10\nShowMainVir=256\nOpenCDVir=255\n");
  EXPECT_EQ(settings.Get(keys::Interval), -1) << "no interval selected";
  EXPECT_EQ(settings.Get(keys::Type), 2) << "Stretch";
  EXPECT_EQ(settings.Get(keys::Monitors), 0);
  EXPECT_EQ(settings.Get(keys::BackgroundColor), 0xFF0000);
  EXPECT_EQ(settings.Get(keys::CurColor), 0xFFFFFF);
  EXPECT_EQ(settings.Get(keys::ShowMainMod), 0);
  EXPECT_EQ(settings.Get(keys::ChangeWallMod), 10) << "Ctrl + Super";
  EXPECT_EQ(settings.Get(keys::ShowMainVir), -1) << "no key";
  EXPECT_EQ(settings.Get(keys::OpenCDVir), 255);
  EXPECT_EQ(Settings(dir / "none.ini").Get(keys::CurColor, 0x7F123456), 0x123456)
      << "a computed default has the same bounds";
}

TEST(SettingsTest, ObserversHearOfChangesOnlyWhileSubscribed) {
  test::TempDir dir;
  Settings settings(dir / "toviwall.ini");
  int heard = 0, others = 0;
  auto subscription = settings.OnChange(keys::Interval, [&] { ++heard; });
  auto other = settings.OnChange(keys::Type, [&] { ++others; });
  settings.Set(keys::Interval, 3);
  settings.Set(keys::Interval, 3);  // the same text: no change
  settings.Set(Settings::Batch().Add(keys::Randomize, true).Add(keys::Interval, 4));
  EXPECT_EQ(heard, 2);
  EXPECT_EQ(others, 0);
  subscription = {};
  settings.Set(keys::Interval, 5);
  EXPECT_EQ(heard, 2);
  EXPECT_EQ(test::ReadFile(settings.File()), "[Option]\nInterval=5\nRandomize=1\n");
}

}  // namespace
}  // namespace toviwall
