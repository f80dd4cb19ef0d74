// The thumbnail controls and the image open dialog, offscreen: what the
// control paints (grabbed), its loads on a worker with stale results dropped,
// and the Add command's dialog with its preview panel.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FeatureParts.h"
#include "app/ui/AboutBox.h"
#include "app/ui/ImageListPage.h"
#include "image/BitmapFile.h"
#include "preview/ui/ToviGraphicOpenDialog.h"
#include "preview/ui/ToviOpenDialog.h"
#include "preview/ui/ToviThumbnail.h"
#include "preview/ui/UnitFormPreview.h"
#include "support/FakePlatform.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

std::string PngSuite(const char* name) { return test::SourceDir() + "/tests/data/pngsuite/" + name; }

std::string MakeJpeg(const test::TempDir& dir, const std::string& name, const std::string& size) {
  const std::string path = dir / name;
  test::MustRun({"/usr/bin/convert", "-size", size, "gradient:red-blue", path}, {{"PATH", "/usr/bin:/bin"}});
  return path;
}

class ThumbnailControlTest : public ::testing::Test {
 protected:
  // A one-colour BMP of the size in the 212 x 159 control; the grabbed control.
  QImage Show(int w, int h, ThumbnailBorder border = ThumbnailBorder::vtbImage) {
    const std::string file = dir / ("p" + std::to_string(w) + "x" + std::to_string(h) + ".bmp");
    SaveBitmapFile(Bitmap24(w, h, kBlue, kGreen, kRed), file);
    thumbnail.SetBorder(border);
    thumbnail.LoadGraphic(file);
    EXPECT_TRUE(test::WaitFor([&] { return !thumbnail.Loading(); }));
    return thumbnail.grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  static constexpr std::uint8_t kBlue = 10, kGreen = 20, kRed = 30;
  const QRgb picture = qRgb(kRed, kGreen, kBlue), frame = qRgb(0, 0, 0), back = qRgb(200, 190, 180);

  void SetUp() override {
    thumbnail.resize(212, 159);
    thumbnail.SetColor(QColor(back));
  }
  test::TempDir dir;
  TVantorThumbnail thumbnail;
};

TEST_F(ThumbnailControlTest, PaintsThePictureCentredInItsFrame) {
  // 100 x 50 is not scaled: drawn at 56, 54, framed at 55, 53, 102 x 52.
  QImage shot = Show(100, 50);
  EXPECT_EQ(thumbnail.Graphic().size(), QSize(100, 50));
  EXPECT_EQ(shot.pixel(56, 54), picture);
  EXPECT_EQ(shot.pixel(155, 103), picture);
  for (QPoint p : {QPoint(55, 53), QPoint(156, 53), QPoint(55, 104), QPoint(156, 104), QPoint(100, 53)})
    EXPECT_EQ(shot.pixel(p), frame) << p.x() << "," << p.y();
  for (QPoint p : {QPoint(54, 52), QPoint(157, 105), QPoint(0, 0), QPoint(211, 158)})
    EXPECT_EQ(shot.pixel(p), back) << p.x() << "," << p.y();

  // 1000 x 500 fills the width: 210 x 105 at 1, 27.
  shot = Show(1000, 500);
  EXPECT_EQ(thumbnail.Graphic().size(), QSize(210, 105));
  EXPECT_EQ(shot.pixel(0, 26), frame);
  EXPECT_EQ(shot.pixel(1, 27), picture);
  EXPECT_EQ(shot.pixel(210, 131), picture);
  EXPECT_EQ(shot.pixel(211, 132), frame);
  // 500 x 1000 fills the height: 78 x 157 at 67, 1.
  shot = Show(500, 1000);
  EXPECT_EQ(thumbnail.Graphic().size(), QSize(78, 157));
  EXPECT_EQ(shot.pixel(66, 0), frame);
  EXPECT_EQ(shot.pixel(67, 1), picture);
  EXPECT_EQ(shot.pixel(65, 1), back);

  // A frame round the control instead, and none.
  shot = Show(100, 50, ThumbnailBorder::vtbControl);
  EXPECT_EQ(shot.pixel(0, 0), frame);
  EXPECT_EQ(shot.pixel(211, 158), frame);
  EXPECT_EQ(shot.pixel(55, 53), back);
  shot = Show(100, 50, ThumbnailBorder::vtbNone);
  EXPECT_EQ(shot.pixel(55, 53), back);
  EXPECT_EQ(shot.pixel(56, 54), picture);

  // A control that has shrunk shrinks the cached picture as it paints.
  Show(1000, 500);
  thumbnail.resize(107, 159);
  shot = thumbnail.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shot.pixel(0, 52), frame);  // 105 x 52 at 1, 53
  EXPECT_EQ(shot.pixel(1, 53), picture);
}

TEST_F(ThumbnailControlTest, OnlyTheNewestLoadIsShownAndAFailureKeepsThePicture) {
  TToviThumbnail tovi;
  tovi.resize(212, 159);
  int changed = 0;
  std::vector<std::string> loaded, errors;
  tovi.OnImgChanged = [&](TToviThumbnail*) { ++changed; };
  tovi.OnImgError = [&](TToviThumbnail*, const std::string& message) { errors.push_back(message); };
  tovi.OnGraphicLoaded = [&](TVantorThumbnail*, const ThumbnailLoad& load) { loaded.push_back(load.file); };

  // The first load cannot have ended before the second is asked for: only the second counts.
  const std::string jpg = MakeJpeg(dir, "photo.jpg", "640x480"), png = PngSuite("basn2c08.png");
  tovi.SetImgFileName(jpg);
  tovi.SetImgFileName(png);
  ASSERT_TRUE(test::WaitFor([&] { return !tovi.Loading(); }));
  EXPECT_EQ(loaded, std::vector<std::string>{png});
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(tovi.ImgFileName(), png);
  EXPECT_EQ(tovi.ImgWidth(), 32);
  EXPECT_EQ(tovi.ImgHeight(), 32);
  const qint64 shown = tovi.Graphic().cacheKey();

  // A damaged file: its name is kept, the picture and sizes stay, the reason is reported.
  const std::string broken = dir / "broken.jpg";
  std::ofstream(broken) << "\xFF\xD8\xFF\xE0 not really";
  tovi.SetImgFileName(broken);
  ASSERT_TRUE(test::WaitFor([&] { return !tovi.Loading(); }));
  EXPECT_EQ(changed, 1);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("broken.jpg"), std::string::npos) << errors[0];
  EXPECT_EQ(tovi.ImgFileName(), broken);
  EXPECT_EQ(tovi.ImgWidth(), 32);
  EXPECT_EQ(tovi.Graphic().cacheKey(), shown);

  tovi.SetImgFileName(jpg);
  ASSERT_TRUE(test::WaitFor([&] { return !tovi.Loading(); }));
  EXPECT_EQ(changed, 2);
  EXPECT_EQ(tovi.ImgWidth(), 640);
  EXPECT_EQ(tovi.Graphic().size(), QSize(209, 157));
}

// Takes the URLs the desktop's handler would get.
class UrlRecorder final : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened.append(url); }
};

TEST(PreviewFormTest, TheLinkOpensTheMakersAddress) {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "Open");
  TPreviewForm form(QStringLiteral("http://127.0.0.1:9/toviwall/"), nullptr);
  auto* link = form.findChild<QLabel*>(QStringLiteral("LabelLink"));
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->text(), QStringLiteral("http://127.0.0.1:9/toviwall/"));
  const QPointF at = QRectF(link->rect()).center();
  QMouseEvent press(QEvent::MouseButtonPress, at, link->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
  QMouseEvent release(QEvent::MouseButtonRelease, at, link->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, {});
  QApplication::sendEvent(link, &press);
  QApplication::sendEvent(link, &release);
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  EXPECT_EQ(recorder.opened, QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:9/toviwall/"))});
}

// A build without the maker's server: no link, and the version asks nothing.
TEST(PreviewFormTest, WithoutAServerNoLinkShowsAndTheVersionIsPlainText) {
  TPreviewForm form(QString(), nullptr);
  form.show();
  EXPECT_FALSE(form.findChild<QLabel*>(QStringLiteral("LabelLink"))->isVisible());

  AboutInfo info;  // no home page, no update address
  info.productTitle = "Tovi WallChanger";
  TAboutBox about(info, nullptr);
  about.show();
  auto* version = about.findChild<QLabel*>(QStringLiteral("LabelVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("LabelHomePage")), nullptr);
  EXPECT_TRUE(version->toolTip().isEmpty());
  const QPointF at = QRectF(version->rect()).center();
  QMouseEvent release(QEvent::MouseButtonRelease, at, version->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, {});
  QApplication::sendEvent(version, &release);
  EXPECT_EQ(version->text(), QStringLiteral("Version 2.3.5 (Build 41)")) << "no check began";
  EXPECT_FALSE(about.findChild<QPushButton*>(QStringLiteral("ButtonCancelCheck"))->isVisible());
}

class OpenDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Nothing the dialogs do may leave a file in the temporary folder.
    setenv("TMPDIR", tmp.Path().c_str(), 1);
    std::filesystem::copy_file(PngSuite("basn2c08.png"), dir / "a.png");
    MakeJpeg(dir, "b.jpg", "300x200");
    std::ofstream(dir / "damaged.jpg") << "\xFF\xD8\xFF\xE0 not really";
    std::filesystem::create_directory(dir / "folder");
  }
  void TearDown() override {
    unsetenv("TMPDIR");
    EXPECT_TRUE(std::filesystem::is_empty(tmp.Path())) << "a temporary file was left behind";
  }
  // Runs `act`; the modal dialog that opens meanwhile goes to `answer`.
  void WithDialog(const std::function<void()>& act, const std::function<void(QFileDialog*)>& answer) {
    bool answered = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog || answered) return;
      answered = true;
      answer(dialog);
    });
    probe.start(5);
    act();
    EXPECT_TRUE(answered);
  }
  // Makes `name` the dialog's current file, as a click in its list does.
  static void Pick(QFileDialog* dialog, const std::string& path) {
    auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
    auto* model = dialog->findChild<QFileSystemModel*>();
    ASSERT_TRUE(view && model);
    QModelIndex index;
    ASSERT_TRUE(test::WaitFor([&] { return (index = model->index(QString::fromStdString(path))).isValid(); }));
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }

  test::TempDir dir, tmp;
};

TEST_F(OpenDialogTest, ThePanelShowsTheSelectedPictureAndItsSize) {
  TToviGraphicOpenDialog dialog;
  dialog.setDirectory(QString::fromStdString(dir.Path()));
  EXPECT_EQ(dialog.ExtendedSize(), 160);
  const int plainHeight = dialog.height();
  dialog.open();
  EXPECT_EQ(dialog.height(), plainHeight + 168);
  QLabel* size = dialog.SizeLabel();
  TVantorThumbnail* thumbnail = dialog.Thumbnail();
  EXPECT_EQ(thumbnail->y(), 24);
  EXPECT_EQ(thumbnail->height(), 160 - 24);
  auto settle = [&] { return test::WaitFor([&] { return !thumbnail->Loading(); }); };

  Pick(&dialog, dir / "a.png");
  ASSERT_TRUE(settle());
  EXPECT_EQ(size->text(), QStringLiteral("32 x 32"));
  EXPECT_FALSE(thumbnail->Graphic().isNull());
  Pick(&dialog, dir / "b.jpg");
  ASSERT_TRUE(settle());
  EXPECT_EQ(size->text(), QStringLiteral("300 x 200"));
  // A damaged file empties the panel, without a message box.
  Pick(&dialog, dir / "damaged.jpg");
  ASSERT_TRUE(settle());
  EXPECT_EQ(size->text(), QString());
  EXPECT_TRUE(thumbnail->Graphic().isNull());
  EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
  Pick(&dialog, dir / "b.jpg");
  ASSERT_TRUE(settle());
  Pick(&dialog, dir / "folder");
  EXPECT_EQ(size->text(), QString());
  EXPECT_TRUE(thumbnail->Graphic().isNull());
  dialog.reject();
}

// The image list page's Add, on the parts the main window hands it.
class AddCommandTest : public OpenDialogTest {
 protected:
  void SetUp() override {
    OpenDialogTest::SetUp();
    parts = std::make_unique<test::FeatureParts>();
    page = std::make_unique<ImageListPage>(
        ImageListPage::Parts{parts->list, parts->settings, parts->run, parts->paths, parts->window});
  }
  void TearDown() override {
    page.reset();
    parts.reset();
    OpenDialogTest::TearDown();
  }
  std::vector<std::string> Listed() {
    std::vector<std::string> paths;
    const WallpaperList& rows = parts->list.Rows();
    for (int i = 0; i < rows.Count(); ++i) paths.push_back(rows.Path(i));
    return paths;
  }
  QAction* Add() { return parts->window.window.findChild<QAction*>(QStringLiteral("ActionAddImage")); }

  std::unique_ptr<test::FeatureParts> parts;
  std::unique_ptr<ImageListPage> page;
};

TEST_F(AddCommandTest, TheDialogReturnsEveryChosenFileInOrderCancelsAndPicksListFiles) {
  QStringList chosen;
  WithDialog([&] { Add()->trigger(); },
             [&](QFileDialog* dialog) {
               EXPECT_EQ(dialog->objectName(), QStringLiteral("TToviGraphicOpenDialog"));
               EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Browse Image File"));
               EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
               EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("bmp"));
               dialog->setDirectory(QString::fromStdString(dir.Path()));
               dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("\"b.jpg\" \"a.png\""));
               static_cast<QDialog*>(dialog)->accept();  // as the Open button does
               chosen = dialog->selectedFiles();
             });
  EXPECT_EQ(chosen, (QStringList{QString::fromStdString(dir / "b.jpg"), QString::fromStdString(dir / "a.png")}));
  EXPECT_EQ(Listed(), (std::vector<std::string>{dir / "a.png", dir / "b.jpg"}));

  WithDialog([&] { Add()->trigger(); },
             [&](QFileDialog* dialog) {
               dialog->setDirectory(QString::fromStdString(dir.Path()));
               Pick(dialog, dir / "damaged.jpg");
               dialog->reject();
             });
  EXPECT_EQ(Listed().size(), 2u);

  // The second filter shows list files only; a chosen one brings its entries.
  std::filesystem::create_directory(dir / "other");
  std::filesystem::copy_file(PngSuite("basn0g08.png"), dir / "other/c.png");
  std::ofstream(dir / "my.lst") << (dir / "other/c.png") << "\r\n";
  WithDialog([&] { Add()->trigger(); },
             [&](QFileDialog* dialog) {
               const QStringList filters = dialog->nameFilters();
               ASSERT_EQ(filters.size(), 2);
               EXPECT_TRUE(filters[0].startsWith(QStringLiteral("Wallpaper Files (*.bmp, *.jpg, *.jpeg, *.png)")));
               dialog->selectNameFilter(filters[1]);
               EXPECT_EQ(dialog->findChild<QFileSystemModel*>()->nameFilters(), QStringList{QStringLiteral("*.lst")});
               dialog->setDirectory(QString::fromStdString(dir.Path()));
               dialog->selectFile(QString::fromStdString(dir / "my.lst"));
               static_cast<QDialog*>(dialog)->accept();  // as the Open button does
             });
  EXPECT_EQ(Listed(), (std::vector<std::string>{dir / "a.png", dir / "b.jpg", dir / "other/c.png"}));
}

TEST(SaveDialogTest, ThePlacesBarCanBeSwitchedOff) {
  for (bool places : {true, false}) {
    TToviSaveDialog dialog;
    dialog.SetShowPlacesBar(places);
    QTimer::singleShot(0, &dialog, [&] {
      EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
      EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("sidebar"))->isVisible(), places);
      dialog.reject();
    });
    EXPECT_FALSE(dialog.Execute());
  }
}

}  // namespace
}  // namespace toviwall

#include "PreviewComponentTest.moc"
