#include "image/ImageReader.h"

#include <algorithm>

#include "image/Placement.h"

namespace toviwall {

void ImageReader::ReadRows(std::uint8_t* const* rows, int count) {
  if (count < 0 || count > height_ - next_) throw ImageError("Read past the end of the image");
  if (count == 0) return;
  DecodeRows(rows, count);
  next_ += count;
}

Bitmap24 ReadRemainingRows(ImageReader& reader) {
  if (reader.Turn() != Orientation::Upright) {
    Bitmap24 upright(reader.UprightWidth(), reader.UprightHeight());
    CopyRowsInto(reader, upright.Whole(), 0, 0);
    return upright;
  }
  int first = reader.RowsRead();
  Bitmap24 bitmap(reader.Width(), reader.Height() - first);
  constexpr int kBatch = 16;
  std::uint8_t* rows[kBatch];
  for (int y = 0; y < bitmap.Height(); y += kBatch) {
    int n = std::min(kBatch, bitmap.Height() - y);
    for (int k = 0; k < n; ++k) rows[k] = bitmap.Row(y + k);
    reader.ReadRows(rows, n);
  }
  return bitmap;
}

}  // namespace toviwall
