#include "tray/ui/IconDrawing.h"

#include <zlib.h>

#include <QBuffer>
#include <QImageReader>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace toviwall {
namespace {

bool IsLink(QStringView qualifiedName) {
  return qualifiedName == u"href" || qualifiedName.endsWith(u":href");
}

// A picture embedded whole ("data:...;base64,..."), read as Qt's reader reads
// it, that is no drawing (which could hold links of its own).
bool EmbeddedPicture(const QString& link) {
  if (!link.startsWith(QLatin1String("data"))) return false;
  const qsizetype at = link.lastIndexOf(QLatin1String("base64,"));
  if (at < 0) return false;
  QByteArray data = QByteArray::fromBase64(link.mid(at + 7).toLatin1());
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  const QByteArray format = QImageReader::imageFormat(&buffer);
  return !format.isEmpty() && !format.startsWith("svg");
}

// Elements are known by their name without a prefix.
bool IsImage(QStringView qualifiedName) { return qualifiedName.mid(qualifiedName.lastIndexOf(u':') + 1) == u"image"; }

bool Kept(bool image, const QString& link) {
  const QString target = link.trimmed();
  // Qt reads an image's link as a file name, even "#id".
  return image ? EmbeddedPicture(target) : target.startsWith(QLatin1Char('#'));
}

}  // namespace

QByteArray Unpacked(const QByteArray& packed, qsizetype limit) {
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return {};
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
  z.avail_in = static_cast<uInt>(packed.size());
  QByteArray out;
  char chunk[64 * 1024];
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    status = inflate(&z, Z_NO_FLUSH);
    const qsizetype made = static_cast<qsizetype>(sizeof chunk - z.avail_out);
    if (out.size() + made > limit) status = Z_MEM_ERROR;
    else out.append(chunk, made);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END ? out : QByteArray();
}

QByteArray SelfContained(const QByteArray& svg) {
  QXmlStreamReader in(svg);
  // Names as written: the SVG reader finds links by their prefix ("xlink:href").
  in.setNamespaceProcessing(false);
  QByteArray result;
  QXmlStreamWriter out(&result);
  while (!in.atEnd()) {
    switch (in.readNext()) {
      case QXmlStreamReader::StartElement: {
        const bool image = IsImage(in.qualifiedName());
        QXmlStreamAttributes kept;
        bool dropped = false;
        for (const QXmlStreamAttribute& a : in.attributes()) {
          if (IsLink(a.qualifiedName()) && !Kept(image, a.value().toString())) dropped = true;
          else kept.append(a.qualifiedName().toString(), a.value().toString());
        }
        if (image && dropped) {
          in.skipCurrentElement();  // an image without its picture is nothing
          break;
        }
        out.writeStartElement(in.qualifiedName().toString());
        out.writeAttributes(kept);
        break;
      }
      case QXmlStreamReader::EndElement:
        out.writeEndElement();
        break;
      case QXmlStreamReader::Characters:
        if (in.isCDATA()) out.writeCDATA(in.text().toString());
        else out.writeCharacters(in.text().toString());
        break;
      case QXmlStreamReader::EndDocument:
        out.writeEndDocument();
        break;
      default:  // the declaration, the DTD (its entities are resolved by now), comments, instructions
        break;
    }
  }
  return in.hasError() ? QByteArray() : result;
}

}  // namespace toviwall
