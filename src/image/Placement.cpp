#include "image/Placement.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace toviwall {
namespace {

constexpr int kBatch = 16;

// Reads every remaining row in batches; `take` copies what it needs from row y.
template <class Take>
void ReadAll(ImageReader& rows, Take take) {
  const int height = rows.Height() - rows.RowsRead();
  std::vector<std::uint8_t> buffer(RowBytes24(rows.Width()) * kBatch);
  std::uint8_t* batch[kBatch];
  for (int k = 0; k < kBatch; ++k) batch[k] = buffer.data() + RowBytes24(rows.Width()) * static_cast<std::size_t>(k);
  for (int y = 0; y < height; y += kBatch) {
    const int n = std::min(kBatch, height - y);
    rows.ReadRows(batch, n);
    for (int k = 0; k < n; ++k) take(y + k, batch[k]);
  }
}

// Narrows the stored pixels [first, last) of a row to those whose upright
// position pos + s * step lies in [0, limit).
void Clip(int pos, int step, int limit, int& first, int& last) {
  if (step == 0) {
    if (pos < 0 || pos >= limit) last = first;
  } else if (step > 0) {
    first = std::max(first, -pos);
    last = std::min(last, limit - pos);
  } else {
    first = std::max(first, pos - limit + 1);
    last = std::min(last, pos + 1);
  }
}

}  // namespace

void CopyRowsInto(ImageReader& rows, const PixelWindow& target, int left, int top) {
  const int width = rows.Width(), height = rows.Height() - rows.RowsRead();
  const Orientation turn = rows.Turn();
  if (turn == Orientation::Upright) {
    const int x0 = std::max(0, left), x1 = std::min(target.width, left + width);
    ReadAll(rows, [&](int y, const std::uint8_t* row) {
      const int ty = top + y;
      if (ty < 0 || ty >= target.height || x1 <= x0) return;
      std::memcpy(target.Row(ty) + 3 * static_cast<std::size_t>(x0), row + 3 * static_cast<std::size_t>(x0 - left),
                  3 * static_cast<std::size_t>(x1 - x0));
    });
    return;
  }
  // Turned: each stored row runs along an upright row or column, either way.
  ReadAll(rows, [&](int y, const std::uint8_t* row) {
    RowCourse c = CourseOfRow(turn, width, height, y);
    c.x += left;
    c.y += top;
    int first = 0, last = width;
    Clip(c.x, c.dx, target.width, first, last);
    Clip(c.y, c.dy, target.height, first, last);
    if (first >= last) return;
    std::uint8_t* out = target.Row(c.y + first * c.dy) + 3 * static_cast<std::ptrdiff_t>(c.x + first * c.dx);
    const std::ptrdiff_t step = 3 * c.dx + c.dy * static_cast<std::ptrdiff_t>(target.stride);
    for (int s = first; s < last; ++s, out += step) std::memcpy(out, row + 3 * static_cast<std::size_t>(s), 3);
  });
}

void TileRowsInto(ImageReader& rows, const PixelWindow& target) {
  // The first tile (as much of it as the window shows), then copies of it.
  const int tileW = std::min(rows.UprightWidth(), target.width);
  const int tileH = std::min(rows.UprightHeight(), target.height);
  CopyRowsInto(rows, target, 0, 0);
  if (target.Empty()) return;
  const std::size_t tileBytes = 3 * static_cast<std::size_t>(tileW);
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(target.width);
  for (int y = 0; y < tileH; ++y) {
    std::uint8_t* line = target.Row(y);
    for (std::size_t x = tileBytes; x < rowBytes; x += tileBytes)
      std::memcpy(line + x, line, std::min(tileBytes, rowBytes - x));
  }
  for (int y = tileH; y < target.height; ++y) std::memcpy(target.Row(y), target.Row(y - tileH), rowBytes);
}

}  // namespace toviwall
