#pragma once
// Filtered resampling of 24-bit bitmaps with seven reconstruction filters, and
// box reductions of 32-bit pixels for thumbnails.
//
// Stretch keeps one exact arithmetic, whatever path computes it: weights and
// sums in single precision (each product and each running sum rounded to single
// precision, no fused multiply-add), contributors in ascending source order,
// results clamped to 0..255 and rounded to nearest with ties to even. The fast
// paths (vectors, threads, rows streamed from a decoder) give the same bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "image/Bitmap.h"
#include "image/ImageReader.h"

namespace toviwall {

using FilterFunction = float (*)(float);

float BoxFilter(float x);
float TriangleFilter(float x);
float HermiteFilter(float x);
float BellFilter(float x);
float SplineFilter(float x);
float Lanczos3Filter(float x);
float MitchellFilter(float x);

struct ResampleFilter {
  const char* name;
  FilterFunction function;
  float support;
};

// "Box", "Triangle", "Hermite", "Bell", "B-Spline", "Lanczos3", "Mitchell", in this order.
const std::array<ResampleFilter, 7>& ResampleFilters();
// The filter of that exact name; nullptr when there is none.
const ResampleFilter* FindResampleFilter(std::string_view name);

// Resamples `source` to the size `target` already has, overwriting its pixels.
// Throws ImageError("Source bitmap too small") for an empty source (target kept).
//
// Sizes the arithmetic leaves open are settled so:
//  - a target of one pixel from a larger source (scale factor 0) takes the scale
//    target/source and centres its pixel on the middle of the source, so the one
//    pixel is the filtered whole row or column;
//  - a source index that still lies outside the source after mirroring at the
//    edges (sources narrower than the filter's reach) is clamped to the edge.
void Stretch(const Bitmap24& source, Bitmap24& target, FilterFunction filter, float support);

// The same with the source's rows coming from a decoder, decoded on one core
// while the other resamples what has arrived; the full source is never held.
// A turned source (ImageReader::Turn) gives the target upright, still
// streaming: a flipped one (orientations 2 to 4) the very bytes of the upright
// picture resampled; after a quarter turn (5 to 8) the bytes of the picture
// lying on its side resampled and stood up (the passes run in the other order).
void Stretch(ImageReader& source, Bitmap24& target, FilterFunction filter, float support);

// The part of a larger resampled picture a target receives: the source is
// resampled to fullWidth x fullHeight, and the target gets its pixels from
// (left, top) on, each the very bytes the whole picture would hold there.
// {target width, target height, 0, 0} is the whole picture.
struct ResampleArea {
  int fullWidth = 0;
  int fullHeight = 0;
  int left = 0;
  int top = 0;
};

// Told how many of the target's rows, from the top, are final: called as they
// finish, on whichever thread finished them (an upright or mirrored source;
// one turned upside down or on its side finishes its rows in another order and
// reports none). It must not call back into the resampler.
using RowsFinished = std::function<void(int rows)>;

// Stretch from a decoder into a window of a larger bitmap (one monitor's part of
// the desktop), computing only the `area` part of the resampled picture; the
// rows outside it cost no resampling. `threads` 0: as many as pay.
void StretchInto(ImageReader& source, const PixelWindow& target, const ResampleArea& area, FilterFunction filter,
                 float support, int threads = 0, const RowsFinished& finished = {});
// The same from pixels in memory (a window of a bitmap that the target does not overlap).
void StretchInto(const PixelWindow& source, const PixelWindow& target, const ResampleArea& area, FilterFunction filter,
                 float support, int threads = 0);

// Box reductions of 32-bit pixels: each target pixel of `rect` (right and bottom
// exclusive, in target coordinates) is the mean, rounded down, of each byte over
// the 2 x 2 (or 4 x 4) source block whose top-left pixel is (sourceColumn +
// 2 (x - left), sourceRow + 2 (y - top)). Strides are in bytes and may be
// negative (bottom-up bitmaps): row r starts at buffer + r * stride.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
void BoxReduce2(std::uint8_t* target, std::ptrdiff_t targetStride, const PixelRect& rect, int sourceRow,
                int sourceColumn, std::ptrdiff_t sourceStride, const std::uint8_t* source);
void BoxReduce4(std::uint8_t* target, std::ptrdiff_t targetStride, const PixelRect& rect, int sourceRow,
                int sourceColumn, std::ptrdiff_t sourceStride, const std::uint8_t* source);

// Processor capabilities, computed once on first use (start-up calls it early).
// Bit 1: the processor identifies itself (CPUID) and is of family 5 or later.
// Bit 2: it has the vector unit the box reductions use (MMX and SSE2 on x86-64);
// elsewhere the bit stays clear and the reductions run their portable code.
inline constexpr std::uint8_t kCpuHasCpuid = 1u << 1;
inline constexpr std::uint8_t kCpuHasMmx = 1u << 2;
std::uint8_t CpuFlags();

}  // namespace toviwall
