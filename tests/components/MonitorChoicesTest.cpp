// The Desktop page's filling type Zoom, the monitors and the background
// colour, offscreen against a recording desktop and a screen of two monitors:
// what is stored, what the desktop is handed, and the pictures composed again
// when the monitors change.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <fstream>
#include <memory>

#include "app/ui/WallPaperMain.h"
#include "base/IniFile.h"
#include "image/BitmapFile.h"
#include "support/FakePlatform.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

class MonitorChoicesTest : public ::testing::Test {
 protected:
  void Start(const std::string& options) {
    for (const std::string& p : pictures) SaveBitmapFile(Bitmap24(40, 30, 10, 20, 30), p);
    std::ofstream(dir / "toviwall.lst") << pictures[0] << "\r\n" << pictures[1] << "\r\n";
    std::ofstream(settings) << "[Option]\nImage Folder=" << dir.Path() << "\nAutoChangeWallpaper=0\n" << options;
    form.reset();
    form = std::make_unique<TMainForm>(test::EnvironmentIn(dir.Path(), settings), *fake.platform);
  }
  QComboBox* Box(const char* name) { return form->findChild<QComboBox*>(QString::fromLatin1(name)); }
  std::string Ini(const char* section, const char* key) { return IniReadString(settings, section, key, "<none>"); }
  std::pair<int, int> OutputSize() {
    auto rows = OpenBitmapFile(dir / "Tovi Wallpaper.bmp");
    return {rows->Width(), rows->Height()};
  }

  test::TempDir dir;
  std::string settings = dir / "toviwall.ini";
  std::string pictures[2] = {dir / "a.bmp", dir / "b.bmp"};
  test::FakePlatform fake;
  std::unique_ptr<TMainForm> form;
};

TEST_F(MonitorChoicesTest, EachMonitorIsComposedSpannedAndComposedAgainWhenTheMonitorsChange) {
  fake.screen->layout = platform::ScreenLayout{800, 300, {{0, 0, 400, 300}, {400, 0, 400, 300}}};
  Start("Type=5\nMonitors=1\nBackgroundColor=255\n");
  EXPECT_EQ(Box("ComboBoxFilling")->currentText(), QStringLiteral("Zoom"));
  EXPECT_EQ(Box("ComboBoxMonitors")->currentText(), QStringLiteral("A picture on each monitor"));
  ASSERT_FALSE(fake.desktop->written.empty());
  EXPECT_EQ(fake.desktop->written.back().style, platform::WallpaperStyle::Spanned);
  EXPECT_EQ(fake.desktop->background, 255u);
  EXPECT_EQ(OutputSize(), (std::pair{800, 300}));
  EXPECT_EQ(Ini("WallPaper", "MonitorIndexes"), "1");

  // A third monitor: composed again for it, the stored change left as it was.
  fake.desktop->shown = fake.desktop->written.back().file;
  const std::string lastChange = Ini("WallPaper", "LastChange");
  const std::size_t handed = fake.desktop->written.size();
  fake.screen->ChangeLayout({1200, 300, {{0, 0, 400, 300}, {400, 0, 400, 300}, {800, 0, 400, 300}}});
  EXPECT_TRUE(test::WaitFor([&] {
    QCoreApplication::processEvents();
    return fake.desktop->written.size() > handed;
  }));
  EXPECT_EQ(OutputSize(), (std::pair{1200, 300}));
  EXPECT_EQ(Ini("WallPaper", "MonitorIndexes"), "1,0");
  EXPECT_EQ(Ini("WallPaper", "LastChange"), lastChange);

  // The choice is stored as made; a desktop that shows one picture whole on
  // each monitor gets the one picture, the box unavailable.
  Box("ComboBoxMonitors")->setCurrentIndex(2);
  emit Box("ComboBoxMonitors")->activated(2);
  EXPECT_EQ(Ini("Option", "Monitors"), "2");
  fake.desktop->spans = false;
  Start("Type=5\nMonitors=1\n");
  EXPECT_FALSE(Box("ComboBoxMonitors")->isEnabled());
  EXPECT_EQ(fake.desktop->written.back().style, platform::WallpaperStyle::Centred);
  EXPECT_EQ(OutputSize(), (std::pair{640, 480}));
  EXPECT_EQ(Ini("WallPaper", "MonitorIndexes"), "<none>");
}

}  // namespace
}  // namespace toviwall
