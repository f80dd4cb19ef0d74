#pragma once
// The inner loops of the resampler, one set per instruction set; each set gives
// the same bytes. Internal to the wallpaper code.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/MyStretch.h"

namespace toviwall::stretch {

// The source positions feeding each target column (or row), weights as computed.
struct Contributions {
  std::vector<std::uint32_t> start;  // target t uses entries start[t] .. start[t + 1] - 1
  std::vector<std::int32_t> index;
  std::vector<float> weight;
  int Count() const { return static_cast<int>(start.size()) - 1; }
};

// Rows handled together by the horizontal kernel: the rows share every weight.
inline constexpr int kLanes = 8;

struct Kernels {
  const char* name;
  // First pass over `lanes` (1..8) source rows: rows[0..lanes-1] in, out[0..lanes-1]
  // receive the target columns. `scratch` holds srcWidth * 3 * kLanes floats.
  void (*horizontal)(const std::uint8_t* const* rows, int lanes, int srcWidth, const Contributions& h,
                     float* scratch, std::uint8_t* const* out);
  // Second pass for target row `t`: `bytes` bytes of it from the intermediate rows
  // (row r starts at mid + r * midStride); nothing past a row's `bytes` is read.
  void (*vertical)(const Contributions& v, int t, const std::uint8_t* mid, std::size_t midStride,
                   std::uint8_t* out, std::size_t bytes);
};

const Kernels& PortableKernels();
#if defined(__x86_64__) || defined(__i386__)
const Kernels& Sse2Kernels();
const Kernels& Avx2Kernels();
#endif
// The fastest set this processor runs.
const Kernels& BestKernels();

// The lists of target positions first .. first + count - 1 (count -1: to the end).
Contributions BuildContributions(int srcSize, int dstSize, FilterFunction filter, float support, int first = 0,
                                 int count = -1);

// Stretch with a chosen kernel set and thread count (tests compare them all).
void StretchUsing(const Kernels& kernels, const Bitmap24& source, Bitmap24& target, FilterFunction filter,
                  float support, int threads);
void StretchUsing(const Kernels& kernels, ImageReader& source, Bitmap24& target, FilterFunction filter,
                  float support, int threads);
void StretchUsing(const Kernels& kernels, const Bitmap24& source, const PixelWindow& target, const ResampleArea& area,
                  FilterFunction filter, float support, int threads);
void StretchUsing(const Kernels& kernels, const PixelWindow& source, const PixelWindow& target, const ResampleArea& area,
                  FilterFunction filter, float support, int threads);
void StretchUsing(const Kernels& kernels, ImageReader& source, const PixelWindow& target, const ResampleArea& area,
                  FilterFunction filter, float support, int threads, const RowsFinished& finished = {});

}  // namespace toviwall::stretch
