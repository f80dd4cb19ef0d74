#pragma once
// The resampler written down as plainly as possible, one step after the other,
// one pixel and one channel at a time: the yardstick the fast paths must match
// byte for byte.
#include <cmath>
#include <cstdint>
#include <vector>

#include "image/Bitmap.h"
#include "image/MyStretch.h"

namespace toviwall::reference {

struct Contributor {
  int pixel;
  float weight;
};

inline std::vector<std::vector<Contributor>> Contributors(int srcSize, int dstSize, FilterFunction filter,
                                                          float support) {
  // Scale factor: the last target pixel lands on the last source pixel. A lone
  // target pixel from a wider source takes the plain ratio and sits in the middle.
  bool lone = dstSize == 1 && srcSize > 1;
  float scale;
  if (srcSize == 1 || lone)
    scale = static_cast<float>(dstSize) / static_cast<float>(srcSize);
  else
    scale = static_cast<float>(dstSize - 1) / static_cast<float>(srcSize - 1);

  std::vector<std::vector<Contributor>> lists(static_cast<std::size_t>(dstSize));
  for (int i = 0; i < dstSize; ++i) {
    float center = lone ? (static_cast<float>(srcSize) - 1.0f) / 2.0f : static_cast<float>(i) / scale;
    float width = scale < 1.0f ? support / scale : support;
    float fscale = 1.0f / scale;
    long left = static_cast<long>(std::floor(center - width));
    long right = static_cast<long>(std::ceil(center + width));
    for (long j = left; j <= right; ++j) {
      float weight;
      if (scale < 1.0f)
        weight = filter((center - static_cast<float>(j)) / fscale) / fscale;
      else
        weight = filter(center - static_cast<float>(j));
      if (weight == 0.0f) continue;
      long k = j;
      if (j < 0) k = -j;
      if (j >= srcSize) k = 2L * srcSize - 1 - j;
      if (k < 0) k = 0;  // still outside after mirroring: the edge pixel
      if (k >= srcSize) k = srcSize - 1;
      lists[static_cast<std::size_t>(i)].push_back({static_cast<int>(k), weight});
    }
  }
  return lists;
}

inline std::uint8_t Store(float sum) {
  if (sum > 255.0f) return 255;
  if (sum < 0.0f) return 0;
  return static_cast<std::uint8_t>(std::nearbyint(sum));  // ties to even
}

inline void Stretch(const Bitmap24& source, Bitmap24& target, FilterFunction filter, float support) {
  int srcW = source.Width(), srcH = source.Height(), dstW = target.Width(), dstH = target.Height();
  if (srcW < 1 || srcH < 1) throw ImageError("Source bitmap too small");
  Bitmap24 work(dstW, srcH);

  auto across = Contributors(srcW, dstW, filter, support);
  for (int y = 0; y < srcH; ++y)
    for (int i = 0; i < dstW; ++i)
      for (int c = 0; c < 3; ++c) {
        float sum = 0.0f;
        for (const Contributor& k : across[static_cast<std::size_t>(i)]) {
          float product = k.weight * static_cast<float>(source.Row(y)[3 * k.pixel + c]);
          sum = sum + product;
        }
        work.Row(y)[3 * i + c] = Store(sum);
      }

  auto down = Contributors(srcH, dstH, filter, support);
  for (int x = 0; x < dstW; ++x)
    for (int i = 0; i < dstH; ++i)
      for (int c = 0; c < 3; ++c) {
        float sum = 0.0f;
        for (const Contributor& k : down[static_cast<std::size_t>(i)]) {
          float product = k.weight * static_cast<float>(work.Row(k.pixel)[3 * x + c]);
          sum = sum + product;
        }
        target.Row(i)[3 * x + c] = Store(sum);
      }
}

}  // namespace toviwall::reference
