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

}  // namespace

void CopyRowsInto(ImageReader& rows, const PixelWindow& target, int left, int top) {
  const int width = rows.Width();
  const int x0 = std::max(0, left), x1 = std::min(target.width, left + width);
  ReadAll(rows, [&](int y, const std::uint8_t* row) {
    const int ty = top + y;
    if (ty < 0 || ty >= target.height || x1 <= x0) return;
    std::memcpy(target.Row(ty) + 3 * static_cast<std::size_t>(x0), row + 3 * static_cast<std::size_t>(x0 - left),
                3 * static_cast<std::size_t>(x1 - x0));
  });
}

void TileRowsInto(ImageReader& rows, const PixelWindow& target) {
  if (target.Empty()) {
    ReadAll(rows, [](int, const std::uint8_t*) {});
    return;
  }
  // The first tile (as much of it as the window shows), then copies of it.
  const int tileW = std::min(rows.Width(), target.width);
  const int tileH = std::min(rows.Height() - rows.RowsRead(), target.height);
  const std::size_t tileBytes = 3 * static_cast<std::size_t>(tileW);
  ReadAll(rows, [&](int y, const std::uint8_t* row) {
    if (y < tileH) std::memcpy(target.Row(y), row, tileBytes);
  });
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(target.width);
  for (int y = 0; y < tileH; ++y) {
    std::uint8_t* line = target.Row(y);
    for (std::size_t x = tileBytes; x < rowBytes; x += tileBytes)
      std::memcpy(line + x, line, std::min(tileBytes, rowBytes - x));
  }
  for (int y = tileH; y < target.height; ++y) std::memcpy(target.Row(y), target.Row(y - tileH), rowBytes);
}

}  // namespace toviwall
