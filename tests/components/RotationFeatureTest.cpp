// The rotation on the parts the main window hands it, offscreen against a
// recording desktop: what reaches a desktop that cannot take a file's name,
// the stored entry after rows moved and a new start, and a broken picture met
// by the ticks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FeatureParts.h"
#include "image/BitmapFile.h"

namespace toviwall {
namespace {

class RotationFeatureTest : public ::testing::Test {
 protected:
  // A run on the settings and the list as the last one left them.
  void Start(const std::string& settings = {}) {
    if (!settings.empty()) parts.Store(settings);
    parts.list.Rows().SelectAll();  // the rows of the last run go
    parts.list.DeleteSelected([](const std::string&) { return true; });
    rotation.reset();
    rotation = parts.Rotation();
    parts.Load(listed);
    parts.paths.outputFile = rotation->OutputWallpaperFile();
    rotation->Reschedule();
    rotation->ApplyStoredIndex();
    rotation->EnableChangeTimer();
  }
  const std::string& Shown() { return parts.fake.desktop->written.back().file; }

  test::FeatureParts parts;
  std::vector<std::string> listed = {parts.dir / "a.bmp", parts.dir / "b.bmp"};
  std::unique_ptr<WallpaperRotation> rotation;
};

TEST_F(RotationFeatureTest, NamesTheDesktopCannotTakeReachItUnderOurs) {
  // A settings folder whose name is not UTF-8 (an old Latin-1 "Bilder\xE4"),
  // and such a picture in the list.
  const std::string folder = parts.dir / "Bilder\xE4";
  std::filesystem::create_directories(folder);
  parts.paths.settingsFile = folder + "/work.ini";
  listed[1] = parts.dir / "\xFC" "ber.bmp";
  SaveBitmapFile(Bitmap24(8, 6, 10, 20, 30), listed[0]);
  SaveBitmapFile(Bitmap24(8, 6, 200, 100, 50), listed[1]);
  Start("[Option]\nAutoChangeWallpaper=0\n");
  EXPECT_EQ(Shown(), listed[0]);
  const WallpaperList& rows = parts.list.Rows();
  rotation->ChangeToIndex(rows.IndexOf(listed[1]));
  // A copy in our cache folder, as the settings folder's name will not do either.
  const std::string output = parts.dir / "cache/toviwall/Tovi Wallpaper.bmp";
  EXPECT_EQ(Shown(), output);
  EXPECT_EQ(test::ReadFile(output), test::ReadFile(listed[1]));
  EXPECT_TRUE(rotation->DesktopShows(rows.IndexOf(listed[1]))) << "the watchdog sees it as ours";
}

TEST_F(RotationFeatureTest, TheStoredIndexNamesTheSamePictureAfterAnAddAndADeleteAbove) {
  for (const std::string& p : listed) SaveBitmapFile(Bitmap24(8, 6, 10, 20, 30), p);
  Start("[Option]\nAutoChangeWallpaper=0\n[WallPaper]\nCurrentIndex=1\n");
  ASSERT_EQ(Shown(), listed[1]);
  const std::string before = parts.dir / "0.bmp";  // sorts before both
  SaveBitmapFile(Bitmap24(8, 6, 10, 20, 30), before);
  parts.list.AddPaths({before});
  listed = {before, listed[0], listed[1]};
  parts.fake.desktop->written.clear();
  Start();
  ASSERT_FALSE(parts.fake.desktop->written.empty());
  EXPECT_EQ(Shown(), listed[2]);

  WallpaperList& rows = parts.list.Rows();
  for (int i : rows.SelectedRows()) rows.Select(i, false);
  rows.Select(0, true);
  parts.list.DeleteSelected([](const std::string&) { return true; });
  listed.erase(listed.begin());
  parts.fake.desktop->written.clear();
  Start();
  ASSERT_FALSE(parts.fake.desktop->written.empty());
  EXPECT_EQ(Shown(), listed[1]);
}

TEST_F(RotationFeatureTest, ABrokenPictureMetByTheTimerIsNoticedOnceWithoutHoldingUpTheTicks) {
  for (const std::string& p : listed) SaveBitmapFile(Bitmap24(8, 6, 10, 20, 30), p);
  const std::string broken = parts.dir / "c.jpg";
  std::ofstream(broken) << "not a picture";
  listed.push_back(broken);
  setenv("TOVIWALL_TICK_MS", "20", 1);
  Start("[Option]\nAutoChangeWallpaper=1\nInterval=-1\n");  // a change at every tick
  unsetenv("TOVIWALL_TICK_MS");
  // A modal box would hold up the ticks: any that opens is noted and closed.
  bool modal = false;
  parts.fake.desktop->written.clear();
  // Six changes pass the broken entry twice; a loaded machine gets five seconds.
  EXPECT_TRUE(test::WaitFor(
      [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
          modal = true;
          box->close();
        }
        return parts.fake.desktop->written.size() >= 6;
      },
      5000, 5));
  EXPECT_FALSE(modal);
  QMessageBox* notice = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QStringLiteral("NoticeBox") && w->isVisible()) notice = qobject_cast<QMessageBox*>(w);
  ASSERT_NE(notice, nullptr);
  EXPECT_FALSE(notice->isModal());
  const QString text = notice->text();
  EXPECT_EQ(text.count(QStringLiteral("c.jpg")), 1) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Not a JPEG file"))) << text.toStdString();
}

}  // namespace
}  // namespace toviwall
