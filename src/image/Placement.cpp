#include "image/Placement.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace toviwall {
namespace {

constexpr int kBatch = 16;

// Reads every remaining row in batches; `take` copies what it needs from the
// batch's rows y, y + 1, ..., y + n - 1.
template <class Take>
void ReadAll(ImageReader& rows, Take take) {
  const int height = rows.Height() - rows.RowsRead();
  std::vector<std::uint8_t> buffer(RowBytes24(rows.Width()) * kBatch);
  std::uint8_t* batch[kBatch];
  for (int k = 0; k < kBatch; ++k) batch[k] = buffer.data() + RowBytes24(rows.Width()) * static_cast<std::size_t>(k);
  for (int y = 0; y < height; y += kBatch) {
    const int n = std::min(kBatch, height - y);
    rows.ReadRows(batch, n);
    take(y, n, static_cast<const std::uint8_t* const*>(batch));
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
    ReadAll(rows, [&](int y0, int n, const std::uint8_t* const* batch) {
      for (int k = 0; k < n; ++k) {
        const int ty = top + y0 + k;
        if (ty < 0 || ty >= target.height || x1 <= x0) continue;
        std::memcpy(target.Row(ty) + 3 * static_cast<std::size_t>(x0),
                    batch[k] + 3 * static_cast<std::size_t>(x0 - left), 3 * static_cast<std::size_t>(x1 - x0));
      }
    });
    return;
  }
  // Turned: each stored row runs along an upright row or, after a quarter turn,
  // an upright column. Then the batch's rows are taken side by side, so that
  // each upright row receives a run of pixels rather than one per cache line.
  const bool swap = SwapsSides(turn);
  const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(target.stride);
  ReadAll(rows, [&](int y0, int n, const std::uint8_t* const* batch) {
    struct Line {
      int first = 0, last = 0;
      std::uint8_t* out = nullptr;  // where pixel `first` goes
      std::ptrdiff_t step = 0;
    } lines[kBatch];
    for (int k = 0; k < n; ++k) {
      RowCourse c = CourseOfRow(turn, width, height, y0 + k);
      c.x += left;
      c.y += top;
      Line& l = lines[k];
      l.last = width;
      Clip(c.x, c.dx, target.width, l.first, l.last);
      Clip(c.y, c.dy, target.height, l.first, l.last);
      if (l.first >= l.last) continue;
      l.out = target.Row(c.y + l.first * c.dy) + 3 * static_cast<std::ptrdiff_t>(c.x + l.first * c.dx);
      l.step = 3 * c.dx + c.dy * stride;
    }
    auto put = [&](int k, int s) {
      const Line& l = lines[k];
      if (s >= l.first && s < l.last)
        std::memcpy(l.out + (s - l.first) * l.step, batch[k] + 3 * static_cast<std::size_t>(s), 3);
    };
    if (!swap) {
      for (int k = 0; k < n; ++k)
        for (int s = lines[k].first; s < lines[k].last; ++s) put(k, s);
    } else {
      for (int s = 0; s < width; ++s)
        for (int k = 0; k < n; ++k) put(k, s);
    }
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
