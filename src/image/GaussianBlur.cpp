#include "image/GaussianBlur.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace toviwall {

void GaussianBlur(Bitmap24& bitmap, float sigma) {
  if (bitmap.Empty() || !(sigma >= 0.1f)) return;
  const int w = bitmap.Width(), h = bitmap.Height();
  const int radius = static_cast<int>(std::ceil(3.0f * sigma));
  std::vector<float> kernel(2 * static_cast<std::size_t>(radius) + 1);
  float total = 0;
  for (int i = -radius; i <= radius; ++i)
    total += kernel[static_cast<std::size_t>(i + radius)] = std::exp(-0.5f * static_cast<float>(i * i) / (sigma * sigma));
  for (float& k : kernel) k /= total;

  // Across each row into floats, then down each column back into bytes.
  std::vector<float> across(static_cast<std::size_t>(w) * 3 * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* in = bitmap.Row(y);
    float* out = &across[static_cast<std::size_t>(y) * 3 * static_cast<std::size_t>(w)];
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        float sum = 0;
        for (int i = -radius; i <= radius; ++i)
          sum += kernel[static_cast<std::size_t>(i + radius)] * in[3 * std::clamp(x + i, 0, w - 1) + c];
        out[3 * x + c] = sum;
      }
  }
  const std::size_t rowFloats = static_cast<std::size_t>(w) * 3;
  std::vector<float> sum(rowFloats);
  for (int y = 0; y < h; ++y) {
    std::fill(sum.begin(), sum.end(), 0.0f);
    for (int i = -radius; i <= radius; ++i) {
      const float k = kernel[static_cast<std::size_t>(i + radius)];
      const float* row = &across[static_cast<std::size_t>(std::clamp(y + i, 0, h - 1)) * rowFloats];
      for (std::size_t p = 0; p < rowFloats; ++p) sum[p] += k * row[p];
    }
    std::uint8_t* out = bitmap.Row(y);
    for (std::size_t p = 0; p < rowFloats; ++p)
      out[p] = static_cast<std::uint8_t>(std::clamp(std::lround(sum[p]), 0L, 255L));
  }
}

}  // namespace toviwall
