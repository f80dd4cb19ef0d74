// Icon files that try to take the program down: drawings that link to
// themselves (Qt's SVG reader recursed until the stack ran out), to a pipe or
// through a style sheet (it waited for ever), a pipe chosen as the icon file;
// in the tray icon's reading and in the chooser. (A fault here hangs or
// crashes the test.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QListWidget>
#include <QTimer>
#include <chrono>

#include "tray/ui/IconFile.h"
#include "tray/ui/ToviPickIcon.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::TempDir;
using test::WriteFile;

std::string Drawing(const std::string& inside) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"32\" "
         "height=\"32\"><rect width=\"32\" height=\"32\" fill=\"#ff0000\"/>" +
         inside + "</svg>";
}
std::string Image(const std::string& link) {
  return "<image x=\"0\" y=\"0\" width=\"32\" height=\"32\" xlink:href=\"" + link + "\"/>";
}
std::string Base64(const QByteArray& bytes) { return bytes.toBase64().toStdString(); }

QRgb Middle(const QIcon& icon) { return icon.pixmap(32, 32).toImage().pixel(16, 16); }

TEST(IconFileTest, DrawingsAreRenderedWithWhatTheyHoldAloneAndPipesAreNoIconFiles) {
  TempDir dir;
  const std::string pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((dir / "pipe.svg").c_str(), 0600), 0);

  QImage green(8, 8, QImage::Format_RGB32);
  green.fill(QColor(0, 255, 0));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(green.save(&buffer, "PNG"));
  const std::string linksToPipe = Drawing(Image(pipe));

  struct Case {
    const char* name;
    std::string content;
    QRgb middle;  // 0: no icon at all
  };
  const std::vector<Case> cases = {
      {"self.svg", Drawing(Image("self.svg") + Image(dir / "self.svg") + Image("file://" + dir / "self.svg")),
       qRgb(255, 0, 0)},
      {"to-pipe.svg", Drawing(Image("pipe") + Image(pipe) + Image("#pipe")), qRgb(255, 0, 0)},
      {"style.svg", "<?xml-stylesheet type=\"text/css\" href=\"" + pipe + "\"?>" + Drawing(""), qRgb(255, 0, 0)},
      {"embedded-drawing.svg", Drawing(Image("data:image/svg+xml;base64," + Base64(QByteArray::fromStdString(linksToPipe)))),
       qRgb(255, 0, 0)},
      {"packed.svgz", Drawing(Image("packed.svgz")), qRgb(255, 0, 0)},  // packed below
      // What a drawing holds itself still shows: an embedded picture, a gradient.
      {"embedded-picture.svg", Drawing(Image("data:image/png;base64," + Base64(png))), qRgb(0, 255, 0)},
      {"gradient.svg",
       "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"32\" "
       "height=\"32\"><defs><linearGradient id=\"a\"><stop offset=\"0\" stop-color=\"#0000ff\"/><stop offset=\"1\" "
       "stop-color=\"#0000ff\"/></linearGradient><linearGradient id=\"b\" xlink:href=\"#a\"/></defs>"
       "<rect width=\"32\" height=\"32\" fill=\"url(#b)\"/></svg>",
       qRgb(0, 0, 255)},
      {"pipe.svg", "", 0},
  };
  for (const Case& c : cases) {
    const std::string file = dir / c.name;
    if (file.ends_with(".svgz")) {
      gzFile packed = gzopen(file.c_str(), "wb");
      gzwrite(packed, c.content.data(), static_cast<unsigned>(c.content.size()));
      gzclose(packed);
    } else if (!c.content.empty()) {
      WriteFile(file, c.content);
    }
    const auto start = std::chrono::steady_clock::now();
    const QList<QIcon> icons = IconsOf(QString::fromStdString(file), QString());
    const QIcon icon = ExtractSmallIcon(QString::fromStdString(file), 0, QString());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << c.name;
    if (c.middle == 0) {
      EXPECT_TRUE(icons.isEmpty()) << c.name;
      EXPECT_TRUE(icon.isNull()) << c.name;
      continue;
    }
    ASSERT_EQ(icons.size(), 1) << c.name;
    EXPECT_EQ(Middle(icons[0]), c.middle) << c.name;
    EXPECT_EQ(Middle(icon), c.middle) << c.name;
  }

  // The chooser shows what the file holds and hands it over.
  TToviPickIconDialog picker;
  picker.IconFile = QString::fromStdString(dir / "self.svg");
  int shown = -1;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != QLatin1String("ToviPickIconDialog")) continue;
      shown = w->findChild<QListWidget*>(QStringLiteral("ListIcons"))->count();
      QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
    }
  });
  ASSERT_TRUE(picker.Execute());
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(Middle(picker.PickedIcon), qRgb(255, 0, 0));
}

}  // namespace
}  // namespace toviwall
