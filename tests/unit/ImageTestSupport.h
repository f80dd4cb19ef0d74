#pragma once
// Helpers shared by the image tests: files, patterns and the test data folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <string>

#include "support/TestSession.h"
#include "image/Bitmap.h"

namespace toviwall::imagetest {

inline std::string PngSuite(const std::string& name = {}) {
  return test::SourceDir() + "/tests/data/pngsuite" + (name.empty() ? "" : "/" + name);
}

// ImageMagick as the distributions ship it (another "convert" may come first on PATH).
inline const char* kConvert = "/usr/bin/convert";

// Fails the test clearly when one of the peer programs is missing.
inline void RequireTool(const std::string& path) {
  if (::access(path.c_str(), X_OK) != 0)
    throw std::runtime_error("The tests need " + path + "; run scripts/setup to install it.");
}

inline test::RunResult RunTool(const std::vector<std::string>& argv) {
  return test::Run(argv, {{"PATH", "/usr/bin:/bin"}, {"HOME", "/nonexistent"}}, 60000);
}

inline void MustRun(const std::vector<std::string>& argv) {
  test::MustRun(argv, {{"PATH", "/usr/bin:/bin"}, {"HOME", "/nonexistent"}}, 60000);
}

inline Bitmap24 RandomBitmap(int w, int h, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) b.Row(y)[x] = static_cast<std::uint8_t>(rng());
  return b;
}

inline void Pixel(const Bitmap24& b, int x, int y, int& blue, int& green, int& red) {
  const std::uint8_t* p = b.Row(y) + 3 * x;
  blue = p[0];
  green = p[1];
  red = p[2];
}

// Largest difference of one channel between two bitmaps of the same size.
inline int MaxDifference(const Bitmap24& a, const Bitmap24& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 1000;
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * 3; ++x) worst = std::max(worst, std::abs(a.Row(y)[x] - b.Row(y)[x]));
  return worst;
}

// Mean difference of the channels of two bitmaps of the same size.
inline double MeanDifference(const Bitmap24& a, const Bitmap24& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 1000;
  double total = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * 3; ++x) total += std::abs(a.Row(y)[x] - b.Row(y)[x]);
  return total / (3.0 * a.Width() * a.Height());
}

// Raw RGB bytes a peer printed, as a bitmap of the expected size.
inline Bitmap24 FromRawRgb(const test::RunResult& r, const std::string& file, const char* peer, int w, int h) {
  EXPECT_EQ(r.exitCode, 0) << peer << ": " << r.err;
  Bitmap24 b(w, h);
  if (r.out.size() != static_cast<std::size_t>(w) * h * 3) {
    ADD_FAILURE() << file << ": " << peer << " gave " << r.out.size() << " bytes";
    return b;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        b.Row(y)[3 * x + c] = static_cast<std::uint8_t>(r.out[(static_cast<std::size_t>(y) * w + x) * 3 + 2 - c]);
  return b;
}

// The pixels ImageMagick decodes from `file`, as raw RGB over white.
inline Bitmap24 DecodedByImageMagick(const std::string& file, int w, int h) {
  return FromRawRgb(RunTool({kConvert, file, "-background", "white", "-alpha", "remove", "-depth", "8", "rgb:-"}), file,
                    "ImageMagick", w, h);
}

// Python with Pillow (the first python3 on PATH may lack it).
inline const char* kPython = "/usr/bin/python3";

// The pixels Pillow decodes from a PNG, without gamma, laid over white by alpha
// with rounding; 16-bit samples are cut to their high byte (within 1 of ours).
inline Bitmap24 DecodedByPillow(const std::string& file, int w, int h) {
  static const char* script = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
if im.mode.startswith('I'):
    im = im.point(lambda v: v * (1 / 256.0)).convert('L')
im = im.convert('RGBA')
out = bytearray()
for r, g, b, a in im.getdata():
    for c in (r, g, b):
        out.append((c * a + 255 * (255 - a) + 127) // 255)
sys.stdout.buffer.write(out)
)";
  return FromRawRgb(RunTool({kPython, "-c", script, file}), file, "Pillow", w, h);
}

}  // namespace toviwall::imagetest
