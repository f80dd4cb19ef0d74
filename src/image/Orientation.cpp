#include "image/Orientation.h"

#include <cstring>
#include <memory>
#include <vector>

#include <libexif/exif-data.h>

namespace toviwall {
namespace {

constexpr unsigned char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};

struct ExifUnref {
  void operator()(ExifData* d) const { exif_data_unref(d); }
};

}  // namespace

Flips FlipsOf(Orientation o) {
  switch (o) {
    case Orientation::Upright: break;
    case Orientation::Mirrored: return {true, false, false};
    case Orientation::Rotated180: return {true, true, false};
    case Orientation::Flipped: return {false, true, false};
    case Orientation::Transposed: return {false, false, true};
    case Orientation::Rotated90: return {false, true, true};
    case Orientation::Transversed: return {true, true, true};
    case Orientation::Rotated270: return {true, false, true};
  }
  return {};
}

Orientation OrientationFromExif(long value) {
  return value >= 1 && value <= 8 ? static_cast<Orientation>(value) : Orientation::Upright;
}

Orientation ExifOrientation(const std::uint8_t* data, std::size_t size) {
  if (!data || size == 0 || size > 0xFFFFFF) return Orientation::Upright;
  // libexif looks for the header (or a JPEG's markers) first.
  std::vector<std::uint8_t> withHeader;
  if (size < sizeof kExifHeader || std::memcmp(data, kExifHeader, sizeof kExifHeader) != 0) {
    withHeader.assign(kExifHeader, kExifHeader + sizeof kExifHeader);
    withHeader.insert(withHeader.end(), data, data + size);
    data = withHeader.data();
    size = withHeader.size();
  }
  std::unique_ptr<ExifData, ExifUnref> exif(exif_data_new_from_data(data, static_cast<unsigned>(size)));
  if (!exif) return Orientation::Upright;
  // IFD0 describes the main picture; IFD1's tag, if any, is the thumbnail's.
  const ExifEntry* e = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (!e || e->format != EXIF_FORMAT_SHORT || e->components < 1 || !e->data || e->size < 2)
    return Orientation::Upright;
  return OrientationFromExif(exif_get_short(e->data, exif_data_get_byte_order(exif.get())));
}

RowCourse CourseOfRow(Orientation o, int storedWidth, int storedHeight, int row) {
  const Flips f = FlipsOf(o);
  const int x = f.flipX ? storedWidth - 1 : 0, step = f.flipX ? -1 : 1;
  const int y = f.flipY ? storedHeight - 1 - row : row;
  if (f.swap) return {y, x, 0, step};
  return {x, y, step, 0};
}

}  // namespace toviwall
