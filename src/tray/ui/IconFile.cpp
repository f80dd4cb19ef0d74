#include "tray/ui/IconFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

#include "base/AtomicFile.h"
#include "tray/ui/IconDrawing.h"

namespace toviwall {
namespace {

constexpr int kBuiltInCount = 10;
// A picture larger than this is no icon; it is refused rather than decoded whole.
constexpr qint64 kMaxPixels = 4096 * 4096;
// Nor is a file larger than this, or a drawing that unpacks to more.
constexpr qint64 kMaxFileBytes = qint64{16} << 20;
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

QIcon ReadDrawing(QByteArray svg) {
  QIcon icon;
  QBuffer buffer(&svg);
  for (int side : kDrawnSizes) {
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "svg");
    const QSize natural = reader.size();
    reader.setScaledSize(natural.isValid() && !natural.isEmpty() ? natural.scaled(side, side, Qt::KeepAspectRatio)
                                                                  : QSize(side, side));
    const QImage image = reader.read();
    buffer.close();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

// The file's bytes, read without waiting: a regular file only (a pipe or a
// device is no icon file), of a size an icon file can have; a packed drawing
// unpacked.
QByteArray ReadIconFile(const QString& file) {
  const QFileInfo info(file);
  if (!info.isFile() || info.size() > kMaxFileBytes) return {};
  std::string bytes;
  if (!ReadWholeFile(file.toStdString(), bytes) || static_cast<qint64>(bytes.size()) > kMaxFileBytes) return {};
  QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
  if (data.startsWith("\x1f\x8b")) return Unpacked(data, kMaxFileBytes);
  return data;
}

// `only` >= 0 reads that position alone (the others stay null).
QList<QIcon> ReadIcons(const QString& file, const QString& programFile, int only) {
  QList<QIcon> icons;
  if (IsProgramFile(file, programFile)) {
    for (int i = 0; i < kBuiltInCount; ++i) icons.append(only < 0 || only == i ? BuiltIn(i) : QIcon());
    return icons;
  }
  QByteArray data = ReadIconFile(file);
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  if (!reader.canRead()) return icons;
  const QByteArray format = reader.format();
  if (format == "ico" || format == "cur") {
    const int count = reader.imageCount();
    for (int i = 0; i < count; ++i)
      icons.append((only < 0 || only == i) && reader.jumpToImage(i) ? ReadCurrent(reader) : QIcon());
  } else if (format.startsWith("svg")) {
    // Rendered only with what it holds itself: a link to another file could
    // lead back to this one, or to a pipe.
    icons.append(ReadDrawing(SelfContained(data)));
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
