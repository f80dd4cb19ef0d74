#include "desktop/ui/IconFile.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

namespace toviwall {
namespace {

constexpr int kBuiltInCount = 10;
// A picture larger than this is no icon; it is refused rather than decoded whole.
constexpr qint64 kMaxPixels = 4096 * 4096;
// The sizes a drawing (SVG) is rendered at: those of menus, panels and trays.
constexpr int kDrawnSizes[] = {16, 22, 24, 32, 48, 64};

QIcon BuiltIn(int position) {
  return QIcon(QStringLiteral(":/NMAIN%1").arg(position, 3, 10, QLatin1Char('0')));
}

bool IsProgramFile(const QString& file, const QString& programFile) {
  if (file.isEmpty() || programFile.isEmpty()) return false;
  const QString a = QFileInfo(file).canonicalFilePath(), b = QFileInfo(programFile).canonicalFilePath();
  return !a.isEmpty() && a == b;
}

bool TooLarge(const QSize& size) {
  return size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxPixels;
}

QIcon ReadCurrent(QImageReader& reader) {
  if (TooLarge(reader.size())) return {};
  const QImage image = reader.read();
  return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

QIcon ReadDrawing(const QString& file) {
  QIcon icon;
  for (int side : kDrawnSizes) {
    QImageReader reader(file);
    const QSize natural = reader.size();
    reader.setScaledSize(natural.isValid() && !natural.isEmpty() ? natural.scaled(side, side, Qt::KeepAspectRatio)
                                                                  : QSize(side, side));
    const QImage image = reader.read();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

// `only` >= 0 reads that position alone (the others stay null).
QList<QIcon> ReadIcons(const QString& file, const QString& programFile, int only) {
  QList<QIcon> icons;
  if (IsProgramFile(file, programFile)) {
    for (int i = 0; i < kBuiltInCount; ++i) icons.append(only < 0 || only == i ? BuiltIn(i) : QIcon());
    return icons;
  }
  if (!QFileInfo(file).isFile()) return icons;
  QImageReader reader(file);
  reader.setDecideFormatFromContent(true);
  if (!reader.canRead()) return icons;
  const QByteArray format = reader.format();
  if (format == "ico" || format == "cur") {
    const int count = reader.imageCount();
    for (int i = 0; i < count; ++i)
      icons.append((only < 0 || only == i) && reader.jumpToImage(i) ? ReadCurrent(reader) : QIcon());
  } else if (format.startsWith("svg")) {
    icons.append(ReadDrawing(file));
  } else {
    icons.append(ReadCurrent(reader));  // a picture is one icon, also one with frames
  }
  return icons;
}

}  // namespace

QList<QIcon> IconsOf(const QString& file, const QString& programFile) { return ReadIcons(file, programFile, -1); }

QIcon ExtractSmallIcon(const QString& file, int index, const QString& programFile) {
  if (index < 0) return {};
  const QList<QIcon> icons = ReadIcons(file, programFile, index);
  return index < icons.size() ? icons[index] : QIcon();
}

QIcon BuiltInIcon() { return BuiltIn(0); }

}  // namespace toviwall
