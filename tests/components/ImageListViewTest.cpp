// The list view offscreen: what a row of a long path shows, as it is drawn.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QToolTip>

#include "imagelist/ui/ImageListView.h"

namespace toviwall {
namespace {

// A paint device that keeps the texts painted on it.
class TextRecorder final : public QPaintDevice, public QPaintEngine {
 public:
  explicit TextRecorder(QSize size) : size_(size) {}
  QStringList texts;

  QPaintEngine* paintEngine() const override { return const_cast<TextRecorder*>(this); }
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState&) override {}
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
  void drawPath(const QPainterPath&) override {}
  void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
  Type type() const override { return User; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth: return size_.width();
      case PdmHeight: return size_.height();
      case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
      case PdmDepth: return 32;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
      default: return 0;
    }
  }

 private:
  QSize size_;
};

TEST(ImageListViewTest, ALongPathKeepsItsFileNameInSightAndShowsWholeAsTip) {
  const std::string path = "/home/someone/Pictures/Wallpapers/Holidays 2023/Mountains at dawn/im-0042-sunrise.jpg";
  WallpaperList rows;
  rows.BeginBatch();
  rows.Append(path, WallpaperList::kNoIcon);
  rows.EndBatch();
  TImageListView view;
  view.Attach(rows);
  view.resize(360, 200);
  view.show();
  QApplication::processEvents();
  ASSERT_LT(view.columnWidth(0), view.fontMetrics().horizontalAdvance(QString::fromStdString(path)));

  TextRecorder drawn(view.size());
  view.render(&drawn);
  ASSERT_EQ(drawn.texts.size(), 1) << drawn.texts.join(u'|').toStdString();
  const QString shown = drawn.texts.first();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("/home/"))) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith(QStringLiteral("sunrise.jpg"))) << shown.toStdString();

  const QRect row = view.visualRect(view.model()->index(0, 0));
  QHelpEvent help(QEvent::ToolTip, row.center(), view.viewport()->mapToGlobal(row.center()));
  QApplication::sendEvent(view.viewport(), &help);
  EXPECT_EQ(QToolTip::text().toStdString(), path);
}

}  // namespace
}  // namespace toviwall
