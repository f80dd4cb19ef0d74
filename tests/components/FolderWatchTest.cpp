// The directory monitor, the folder browser, and the main window's watch of
// its image folder, offscreen, on the real file system (inotify needs no
// desktop).
#include <gtest/gtest.h>
#include <unistd.h>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "FeatureParts.h"
#include "app/ui/ImageFolderWatch.h"
#include "imagelist/ShortenedPath.h"
#include "imagelist/ui/DirMon.h"
#include "imagelist/ui/ToviBrowseFolderDialog.h"
#include "platform/local/InotifyDirectoryWatch.h"
#include "support/FakePlatform.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using test::TempDir;
using test::WriteFile;

void RunFor(int ms) { test::WaitFor([] { return false; }, ms); }

template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

QMessageBox* WarningBox() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("DirMonWarning") && w->isVisible()) return static_cast<QMessageBox*>(w);
  return nullptr;
}

TEST(DirMonTest, GuardsEventsAndNothingAfterStop) {
  ASSERT_EQ(test::InotifyShortage(), "");
  TempDir dir;
  fs::create_directories(dir / "w/sub");
  platform::InotifyDirectoryWatch watches;
  TDirMon mon(watches);
  EXPECT_EQ(mon.Directory(), "");
  EXPECT_EQ(mon.NotifyFilter(), TDirMonType(dmcFileName));
  EXPECT_FALSE(mon.Nested);
  EXPECT_EQ(ErrorOf([&] { mon.Stop(); }), "DirMon not started");

  int starts = 0, stops = 0, notices = 0, watched = -1;
  mon.OnStart = [&](QObject* sender) { starts += sender == &mon; };
  mon.OnStop = [&](QObject* sender) { stops += sender == &mon; };
  const auto mainThread = std::this_thread::get_id();
  mon.OnDirChange = [&](QObject* sender) {
    EXPECT_EQ(sender, &mon);
    EXPECT_EQ(std::this_thread::get_id(), mainThread);
    if (++notices == 1) throw std::runtime_error("the monitor swallows this");
  };
  QObject::connect(&mon, &TDirMon::watching, [&](int folders) { watched = folders; });
  mon.SetDirectory(dir / "w");
  mon.SetNotifyFilter(dmcFileName | dmcDirName);
  mon.Nested = true;
  mon.Start();
  EXPECT_EQ(starts, 1);
  ASSERT_TRUE(test::WaitFor([&] { return watched == 2; }));
  EXPECT_EQ(ErrorOf([&] { mon.Start(); }), "DirMon already started");
  EXPECT_EQ(ErrorOf([&] { mon.SetDirectory(dir / "elsewhere"); }), "Unable to change Directory when DirMon is running");
  EXPECT_EQ(ErrorOf([&] { mon.SetDirectory(dir / "w"); }), "(no error)");
  EXPECT_EQ(ErrorOf([&] { mon.SetNotifyFilter(dmcFileName); }),
            "Unable to change NotifyFilter when DirMon is running");

  WriteFile(dir / "w/sub/a.png", "x");
  ASSERT_TRUE(test::WaitFor([&] { return notices == 1; }));
  WriteFile(dir / "w/sub/b.png", "x");  // the handler's failure did not stop it
  ASSERT_TRUE(test::WaitFor([&] { return notices == 2; }));

  // Notices already on their way when it stops are let go.
  for (int i = 0; i < 20; ++i) WriteFile(dir / ("w/c" + std::to_string(i)), "x");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  mon.Stop();
  EXPECT_EQ(stops, 1);
  const int before = notices;
  // Whatever the watch posted before it ended is handled before this.
  bool drained = false;
  QMetaObject::invokeMethod(&mon, [&] { drained = true; }, Qt::QueuedConnection);
  ASSERT_TRUE(test::WaitFor([&] { return drained; }));
  EXPECT_EQ(notices, before);
  EXPECT_FALSE(mon.Running());
}

TEST(DirMonTest, AFolderThatCannotBeWatchedIsOneWarningAndTheMonitorRuns) {
  TempDir dir;
  platform::InotifyDirectoryWatch watches;
  TDirMon mon(watches);
  mon.SetDirectory(dir / "missing");
  mon.Start();
  ASSERT_TRUE(test::WaitFor([] { return WarningBox() != nullptr; }));
  QMessageBox* box = WarningBox();
  EXPECT_EQ(box->windowTitle().toStdString(), "Warning");
  const std::string text = box->text().toStdString();
  EXPECT_NE(text.find("\"" + dir / "missing" + "\" cannot be watched for new pictures: it does not exist."),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("FindFirst"), std::string::npos);
  EXPECT_TRUE(mon.Running());
  // Started again on the same folder: not told twice (the watch reports its
  // problems before it says it is ready).
  int ready = 0;
  QObject::connect(&mon, &TDirMon::watching, [&] { ++ready; });
  mon.Stop();
  mon.Start();
  ASSERT_TRUE(test::WaitFor([&] { return ready == 1; }));
  EXPECT_EQ(box->text().toStdString(), text);
  box->close();
}

TEST(ToviFolderDialogTest, OpensAtTheFolderShowsItShortCreatesFoldersAndCancels) {
  TempDir dir;
  const std::string parent = dir / "Documents and Settings/All Users/Documents/My Pictures";
  const std::string folder = parent + "/Sample Pictures";
  fs::create_directories(folder);
  TToviFolderDialog dialog;
  dialog.Flags = TToviFolderDialog::ShowPath;
  dialog.Folder = folder;
  QStringList selected;
  QString status;
  dialog.OnInitialized = [&](QObject*, QFileDialog* d) {
    selected = d->selectedFiles();
    status = d->findChild<QLabel*>(QStringLiteral("StatusPath"))->text();
    // The browser's own button makes a folder where it stands.
    auto* newFolder = d->findChild<QToolButton*>(QStringLiteral("newFolderButton"));
    ASSERT_NE(newFolder, nullptr);
    ASSERT_TRUE(newFolder->isVisible());
    newFolder->click();
    d->reject();
  };
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Folder, folder);  // cancelled: as it was
  EXPECT_EQ(selected, QStringList{QString::fromStdString(folder)});
  EXPECT_EQ(status.toStdString(), ShortenedPath(folder, 50));
  EXPECT_LE(status.size(), 50);
  EXPECT_EQ(status.toStdString(), dir.Path() + "/.../Sample Pictures");
  EXPECT_TRUE(fs::is_directory(parent + "/New Folder"));

  dialog.OnInitialized = [](QObject*, QFileDialog* d) { QMetaObject::invokeMethod(d, "accept"); };
  dialog.Folder = dir.Path();
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Folder, dir.Path());
}

// The watch of an image folder on the parts the main window hands it; the
// settings and the list file in the parts' folder.
struct FolderWatchParts {
  explicit FolderWatchParts(const std::string& folder) {
    parts.Store("[Option]\nImage Folder=" + folder + "\nAutoChangeWallpaper=0\n");
    watch.WatchFolder(folder);  // an empty list: the folder is scanned and watched
  }
  test::FeatureParts parts;
  ImageList& list = parts.list;
  ImageFolderWatch watch{{parts.list, parts.settings, parts.run, parts.paths, parts.fake.platform->directoryWatch()}};
};

TEST(ImageFolderWatchTest, FiftyPicturesCopiedAreOneRescanOneToTwoSecondsLater) {
  ASSERT_EQ(test::InotifyShortage(), "");
  TempDir dir;
  fs::create_directories(dir / "pics/sub");
  WriteFile(dir / "pics/first.png", "x");
  FolderWatchParts w(dir / "pics");
  ImageList& list = w.list;
  ASSERT_EQ(list.Rows().Count(), 1);
  EXPECT_EQ(w.parts.Ini("Option", "Image Folder"), dir / "pics") << "the folder chosen is stored";
  ASSERT_TRUE(test::WaitFor([&] { return test::InotifyWatched(getpid()).count(test::FileId(dir / "pics/sub")) == 1; }));

  test::FileWrites writes(w.parts.dir.Path(), "toviwall.lst");
  for (int i = 0; i < 50; ++i) {
    WriteFile(dir / ("pics/sub/copy" + std::to_string(i) + ".jpg"), "x");
    QApplication::processEvents();  // notices arrive while the copy goes on
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const double copied = test::SteadySeconds();
  ASSERT_TRUE(test::WaitFor([&] { return !writes.Times().empty(); }, 5000));
  RunFor(2500);  // long enough for a second rescan, were there one
  ASSERT_EQ(writes.Times().size(), 1u);
  const double after = writes.Times()[0] - copied;
  EXPECT_GE(after, 1.0);
  EXPECT_LE(after, 2.5);  // two seconds, and the scan itself on a busy machine
  EXPECT_EQ(list.Rows().Count(), 51);
}

TEST(ImageFolderWatchTest, APictureCopiedDuringARescanIsNotLostAndOwnWritesAreNoChanges) {
  ASSERT_EQ(test::InotifyShortage(), "");
  // The image folder holds the settings and the list file too.
  test::FeatureParts parts;
  const std::string folder = parts.dir.Path();
  WriteFile(parts.dir / "first.png", "x");
  parts.Store("[Option]\nImage Folder=" + folder + "\nAutoChangeWallpaper=0\n");
  ImageFolderWatch watch({parts.list, parts.settings, parts.run, parts.paths, parts.fake.platform->directoryWatch()});
  watch.WatchFolder(folder);
  ImageList& list = parts.list;
  ASSERT_EQ(list.Rows().Count(), 1);
  ASSERT_TRUE(test::WaitFor([&] { return test::InotifyWatched(getpid()).count(test::FileId(folder)) == 1; }));

  // While the rescan for the first copy runs, the second picture arrives.
  bool copiedDuring = false;
  QTimer during;
  during.setInterval(0);
  QObject::connect(&during, &QTimer::timeout, [&] {
    if (!list.BatchRunning() || copiedDuring) return;
    WriteFile(parts.dir / "during.png", "x");
    copiedDuring = true;
  });
  during.start();
  WriteFile(parts.dir / "second.png", "x");
  EXPECT_TRUE(test::WaitFor([&] { return list.Rows().Count() == 3; }, 8000)) << list.Rows().Count();
  EXPECT_TRUE(copiedDuring);
  EXPECT_GE(list.Rows().IndexOf(parts.dir / "during.png"), 0);
  during.stop();

  // The program's own writes of its list file are no changes of the folder.
  test::FileWrites writes(folder, "toviwall.lst");
  list.SaveDefault();
  RunFor(2500);
  EXPECT_EQ(writes.Count(), 1u);
}

}  // namespace
}  // namespace toviwall
