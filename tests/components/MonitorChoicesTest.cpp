// The filling type Zoom, the monitors and the colour around pictures,
// offscreen against a recording desktop and a screen of two monitors: what the
// rotation stores and hands the desktop, the pictures composed again when the
// monitors change, the rows the monitors keep when rows move, and the
// Desktop page's boxes for them.
#include <gtest/gtest.h>

#include <QComboBox>

#include "FeatureParts.h"
#include "app/ui/DesktopPage.h"
#include "image/BitmapFile.h"

namespace toviwall {
namespace {

class MonitorChoicesTest : public ::testing::Test {
 protected:
  void Start(const std::string& options) {
    for (const std::string& p : pictures) SaveBitmapFile(Bitmap24(40, 30, 10, 20, 30), p);
    parts.Store("[Option]\nAutoChangeWallpaper=0\n" + options);
    parts.Load({pictures[0], pictures[1]});
    rotation = parts.Rotation();
    rotation->ApplyStoredIndex();
  }
  std::pair<int, int> OutputSize() {
    auto rows = OpenBitmapFile(parts.paths.outputFile);
    return {rows->Width(), rows->Height()};
  }
  // The pictures the first and the second monitor show, by the stored rows.
  std::pair<std::string, std::string> ShownRows() {
    const WallpaperList& rows = parts.list.Rows();
    return {rows.Path(parts.state.CurrentIndex()), rows.Path(parts.state.MonitorIndexes().at(0))};
  }

  test::FeatureParts parts;
  std::string pictures[2] = {parts.dir / "a.bmp", parts.dir / "b.bmp"};
  std::unique_ptr<WallpaperRotation> rotation;
};

TEST_F(MonitorChoicesTest, EachMonitorIsComposedSpannedAndComposedAgainWhenTheMonitorsChange) {
  test::FakePlatform& fake = parts.fake;
  fake.screen->layout = platform::ScreenLayout{800, 300, {{0, 0, 400, 300}, {400, 0, 400, 300}}};
  Start("Type=5\nMonitors=1\nBackgroundColor=255\n");
  ASSERT_FALSE(fake.desktop->written.empty());
  EXPECT_EQ(fake.desktop->written.back().style, platform::WallpaperStyle::Spanned);
  EXPECT_EQ(fake.desktop->background, 255u);
  EXPECT_EQ(OutputSize(), (std::pair{800, 300}));
  EXPECT_EQ(parts.Ini("WallPaper", "MonitorIndexes"), "1");

  // A third monitor: composed again for it, the stored change left as it was.
  fake.desktop->shown = fake.desktop->written.back().file;
  const std::string lastChange = parts.Ini("WallPaper", "LastChange");
  const std::size_t handed = fake.desktop->written.size();
  fake.screen->ChangeLayout({1200, 300, {{0, 0, 400, 300}, {400, 0, 400, 300}, {800, 0, 400, 300}}});
  EXPECT_TRUE(test::WaitFor([&] { return fake.desktop->written.size() > handed; }));
  EXPECT_EQ(OutputSize(), (std::pair{1200, 300}));
  EXPECT_EQ(parts.Ini("WallPaper", "MonitorIndexes"), "1,0");
  EXPECT_EQ(parts.Ini("WallPaper", "LastChange"), lastChange);

  // A desktop that shows one picture whole on each monitor gets the one picture.
  fake.desktop->spans = false;
  Start("Type=5\nMonitors=1\n");
  EXPECT_EQ(fake.desktop->written.back().style, platform::WallpaperStyle::Centred);
  EXPECT_EQ(OutputSize(), (std::pair{640, 480}));
  EXPECT_EQ(parts.Ini("WallPaper", "MonitorIndexes"), "<none>");
}

TEST_F(MonitorChoicesTest, TheMonitorsKeepTheirPicturesWhenRowsAreAddedAndDeleted) {
  parts.fake.screen->layout = platform::ScreenLayout{800, 300, {{0, 0, 400, 300}, {400, 0, 400, 300}}};
  Start("Type=5\nMonitors=1\n");
  ASSERT_EQ(ShownRows(), (std::pair{pictures[0], pictures[1]}));
  const std::string first = parts.dir / "0.bmp";  // sorts before both
  SaveBitmapFile(Bitmap24(40, 30, 200, 0, 0), first);
  parts.list.AddPaths({first});
  EXPECT_EQ(ShownRows(), (std::pair{pictures[0], pictures[1]}));
  for (int row : parts.list.Rows().SelectedRows()) parts.list.Rows().Select(row, false);
  parts.list.Rows().Select(parts.list.Rows().IndexOf(first), true);
  parts.list.DeleteSelected([](const std::string&) { return true; });
  EXPECT_EQ(ShownRows(), (std::pair{pictures[0], pictures[1]}));
}

TEST_F(MonitorChoicesTest, TheDesktopPageStoresTheChoicesAsMadeAndOffersWhatTheDesktopTakes) {
  parts.Store("[Option]\nType=5\nMonitors=1\n");
  DesktopPage page(parts.window.window, {parts.settings, *parts.fake.icons, *parts.fake.desktop, parts.captions,
                                         parts.env});
  page.ApplyCaptions();
  page.FillChoices();
  page.ReadSettings();
  auto* filling = page.Page()->findChild<QComboBox*>(QStringLiteral("ComboBoxFilling"));
  auto* monitors = page.Page()->findChild<QComboBox*>(QStringLiteral("ComboBoxMonitors"));
  EXPECT_EQ(filling->currentText(), QStringLiteral("Zoom"));
  EXPECT_EQ(monitors->currentText(), QStringLiteral("A picture on each monitor"));
  EXPECT_TRUE(monitors->isEnabled());
  monitors->setCurrentIndex(2);
  emit monitors->activated(2);
  EXPECT_EQ(parts.Ini("Option", "Monitors"), "2");
  ASSERT_EQ(filling->count(), 7);
  EXPECT_EQ(filling->itemText(6), QStringLiteral("Fit with blurred background"));
  filling->setCurrentIndex(6);
  emit filling->activated(6);
  EXPECT_EQ(parts.Ini("Option", "Type"), "6");

  parts.fake.desktop->spans = false;
  page.ReadSettings();
  EXPECT_FALSE(monitors->isEnabled());
}

}  // namespace
}  // namespace toviwall
