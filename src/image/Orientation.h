#pragma once
// How a picture's stored rows are turned to show it upright: the EXIF
// orientation (tag 0x0112) that cameras and phones write instead of turning
// the pixels. The numbers are the tag's values.
#include <cstddef>
#include <cstdint>

namespace toviwall {

enum class Orientation : std::uint8_t {
  Upright = 1,
  Mirrored = 2,     // left and right swapped
  Rotated180 = 3,
  Flipped = 4,      // top and bottom swapped
  Transposed = 5,   // mirrored along the main diagonal
  Rotated90 = 6,    // turned a quarter clockwise to show
  Transversed = 7,  // mirrored along the other diagonal
  Rotated270 = 8,   // turned three quarters clockwise to show
};

// Values outside 1..8 (damaged or made-up tags) count as upright.
Orientation OrientationFromExif(long value);

// The quarter turns: the picture shows with width and height swapped.
constexpr bool SwapsSides(Orientation o) { return static_cast<int>(o) >= 5; }

// The orientation an EXIF block records for its main picture (IFD0), read with
// libexif; upright when the block is damaged or holds none. `data` may begin
// with the "Exif\0\0" header (a JPEG's APP1 segment) or without it (a PNG's eXIf).
Orientation ExifOrientation(const std::uint8_t* data, std::size_t size);

// Every orientation is the stored picture flipped left-right and/or top-bottom,
// then perhaps its sides swapped (mirrored along the main diagonal).
struct Flips {
  bool flipX = false, flipY = false, swap = false;
};
Flips FlipsOf(Orientation o);

// Where stored row `row` of a storedWidth x storedHeight picture lands when the
// picture is shown upright: (x, y) is the upright position of its first pixel,
// (dx, dy) the step to the next one (one of them 0, the other 1 or -1).
struct RowCourse {
  int x = 0, y = 0, dx = 1, dy = 0;
};
RowCourse CourseOfRow(Orientation o, int storedWidth, int storedHeight, int row);

}  // namespace toviwall
