// The resampler: its filters, its exact arithmetic, and the fast paths measured
// against the plain reference.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "ImageTestSupport.h"
#include "StretchReference.h"
#include "image/MyStretch.h"
#include "image/StretchKernels.h"

namespace toviwall {
namespace {

using imagetest::RandomBitmap;

std::vector<const stretch::Kernels*> AllKernels() {
  std::vector<const stretch::Kernels*> all{&stretch::PortableKernels()};
#if defined(__x86_64__) || defined(__i386__)
  all.push_back(&stretch::Sse2Kernels());
  if (__builtin_cpu_supports("avx2")) all.push_back(&stretch::Avx2Kernels());
#endif
  return all;
}

// Rows of a bitmap handed out like a decoder's, optionally failing at one row.
class BitmapRows final : public ImageReader {
 public:
  explicit BitmapRows(const Bitmap24& b, int failAt = -1) : b_(b), failAt_(failAt) { SetSize(b.Width(), b.Height()); }
  void Turned(Orientation turn) { SetTurn(turn); }

 protected:
  void DecodeRows(std::uint8_t* const* rows, int count) override {
    for (int k = 0; k < count; ++k) {
      if (RowsRead() + k == failAt_) throw ImageError("damaged row");
      std::memcpy(rows[k], b_.Row(RowsRead() + k), static_cast<std::size_t>(b_.Width()) * 3);
    }
  }

 private:
  const Bitmap24& b_;
  int failAt_;
};

std::string Describe(const char* filter, int sw, int sh, int dw, int dh, const char* kernels, int threads) {
  return std::string(filter) + " " + std::to_string(sw) + "x" + std::to_string(sh) + " -> " + std::to_string(dw) +
         "x" + std::to_string(dh) + " " + kernels + " threads " + std::to_string(threads);
}

TEST(Filters, TableInItsOrderWithItsValues) {
  const auto& table = ResampleFilters();
  const char* names[] = {"Box", "Triangle", "Hermite", "Bell", "B-Spline", "Lanczos3", "Mitchell"};
  const float supports[] = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
  for (int i = 0; i < 7; ++i) {
    EXPECT_STREQ(table[static_cast<std::size_t>(i)].name, names[i]);
    EXPECT_EQ(table[static_cast<std::size_t>(i)].support, supports[i]);
    EXPECT_EQ(FindResampleFilter(names[i]), &table[static_cast<std::size_t>(i)]);
  }
  EXPECT_EQ(FindResampleFilter("lanczos3"), nullptr);

  // The box is open on the left, closed on the right.
  EXPECT_EQ(BoxFilter(-0.5f), 0.0f);
  EXPECT_EQ(BoxFilter(0.5f), 1.0f);
  EXPECT_FLOAT_EQ(TriangleFilter(-0.25f), 0.75f);
  EXPECT_FLOAT_EQ(HermiteFilter(0.5f), 0.5f);
  EXPECT_FLOAT_EQ(BellFilter(0.0f), 0.75f);
  EXPECT_FLOAT_EQ(BellFilter(1.0f), 0.125f);
  EXPECT_FLOAT_EQ(SplineFilter(0.0f), 2.0f / 3.0f);
  EXPECT_FLOAT_EQ(SplineFilter(1.0f), 1.0f / 6.0f);
  EXPECT_FLOAT_EQ(MitchellFilter(0.0f), 8.0f / 9.0f);
  EXPECT_FLOAT_EQ(MitchellFilter(1.0f), 1.0f / 18.0f);
  EXPECT_EQ(Lanczos3Filter(0.0f), 1.0f);
  EXPECT_FLOAT_EQ(Lanczos3Filter(0.5f), 0.6079271f);
  EXPECT_NEAR(Lanczos3Filter(1.0f), 0.0f, 1e-7f);
  for (const auto& f : table) {
    EXPECT_EQ(f.function(f.support + 0.01f), 0.0f) << f.name;
    EXPECT_EQ(f.function(-f.support - 0.01f), 0.0f) << f.name;
  }
}

TEST(Stretch, SameSizeWithLanczos3GivesTheSourceBack) {
  Bitmap24 src = RandomBitmap(8, 8, 1);
  Bitmap24 dst(8, 8);
  Stretch(src, dst, Lanczos3Filter, 3.0f);
  EXPECT_TRUE(dst.SamePixels(src));
}

TEST(Stretch, OnePixelWideSourceScalesByTheTargetWidth) {
  // xscale = 5: target column 4 sits at source position 0.8, all its reach folded onto the one pixel.
  auto c = stretch::BuildContributions(1, 5, Lanczos3Filter, 3.0f);
  ASSERT_EQ(c.Count(), 5);
  for (std::int32_t index : c.index) EXPECT_EQ(index, 0);
  std::vector<float> last(c.weight.begin() + c.start[4], c.weight.begin() + c.start[5]);
  ASSERT_FALSE(last.empty());
  EXPECT_EQ(last.front(), Lanczos3Filter(0.8f - static_cast<float>(-2)));
  EXPECT_TRUE(std::find(last.begin(), last.end(), Lanczos3Filter(0.8f)) != last.end());

  Bitmap24 src = RandomBitmap(1, 4, 2), dst(5, 4), expected(5, 4);
  Stretch(src, dst, Lanczos3Filter, 3.0f);
  reference::Stretch(src, expected, Lanczos3Filter, 3.0f);
  EXPECT_TRUE(dst.SamePixels(expected));
  // The weights add up to about one, so a flat row stays flat.
  Bitmap24 flat(1, 1, 40, 80, 120), wide(7, 1);
  Stretch(flat, wide, Lanczos3Filter, 3.0f);
  for (int x = 0; x < 7; ++x) {
    EXPECT_NEAR(wide.Row(0)[3 * x], 40, 1);
    EXPECT_NEAR(wide.Row(0)[3 * x + 2], 120, 1);
  }
}

TEST(Stretch, SumsAreClampedAndRoundedToEven) {
  // One intermediate row of ones, weighted so that the sums are exactly the cases.
  const float sums[] = {255.4f, 254.5f, 253.5f, -3.2f, 300.0f, 0.5f, 1.5f, 2.5f, -0.0f, 254.49998f};
  const int expected[] = {255, 254, 254, 0, 255, 0, 2, 2, 0, 254};
  std::vector<std::uint8_t> mid(64, 1);
  for (const auto* k : AllKernels()) {
    for (std::size_t i = 0; i < std::size(sums); ++i) {
      stretch::Contributions c;
      c.start = {0, 1};
      c.index = {0};
      c.weight = {sums[i]};
      std::uint8_t out[24] = {};
      for (std::size_t bytes : {1u, 9u, 24u}) {
        k->vertical(c, 0, mid.data(), 32, out, bytes);
        EXPECT_EQ(out[bytes - 1], expected[i]) << k->name << " sum " << sums[i] << " bytes " << bytes;
      }
    }
    // The running sum is rounded after every addition: 2^24 + 1 - 2^24 is 0, not 1.
    stretch::Contributions c;
    c.start = {0, 3};
    c.index = {0, 0, 0};
    c.weight = {16777216.0f, 1.0f, -16777216.0f};
    std::uint8_t out[8] = {};
    k->vertical(c, 0, mid.data(), 32, out, 8);
    EXPECT_EQ(out[0], 0) << k->name;
  }
  EXPECT_EQ(reference::Store(254.5f), 254);
  EXPECT_EQ(reference::Store(253.5f), 254);
}

TEST(Stretch, FastPathsMatchThePlainReferenceByteForByte) {
  std::mt19937 rng(20240607);
  struct Size {
    int sw, sh, dw, dh;
  };
  std::vector<Size> sizes{{8, 8, 8, 8},   {1, 1, 1, 1},   {1, 1, 9, 4},   {2, 3, 17, 11},   {3, 2, 1, 1},
                          {40, 30, 1, 7}, {40, 30, 9, 1}, {5, 60, 3, 200}, {97, 61, 33, 20}, {33, 20, 97, 61},
                          {300, 7, 19, 23}, {16, 33, 16, 34}, {64, 48, 63, 47}};
  for (int i = 0; i < 6; ++i) {
    std::uniform_int_distribution<int> d(1, 90);
    sizes.push_back({d(rng), d(rng), d(rng), d(rng)});
  }
  for (const auto& filter : ResampleFilters()) {
    for (const Size& s : sizes) {
      Bitmap24 src = RandomBitmap(s.sw, s.sh, rng());
      Bitmap24 expected(s.dw, s.dh);
      reference::Stretch(src, expected, filter.function, filter.support);
      for (const auto* k : AllKernels()) {
        for (int threads : {1, 2, 3}) {
          Bitmap24 got(s.dw, s.dh);
          stretch::StretchUsing(*k, src, got, filter.function, filter.support, threads);
          ASSERT_TRUE(got.SamePixels(expected)) << Describe(filter.name, s.sw, s.sh, s.dw, s.dh, k->name, threads);
        }
        BitmapRows rows(src);
        Bitmap24 streamed(s.dw, s.dh);
        stretch::StretchUsing(*k, rows, streamed, filter.function, filter.support, 2);
        ASSERT_TRUE(streamed.SamePixels(expected)) << Describe(filter.name, s.sw, s.sh, s.dw, s.dh, k->name, 0);
      }
      Bitmap24 best(s.dw, s.dh);
      Stretch(src, best, filter.function, filter.support);
      ASSERT_TRUE(best.SamePixels(expected)) << Describe(filter.name, s.sw, s.sh, s.dw, s.dh, "best", 0);
    }
  }
}

TEST(Stretch, LargeImagesThroughEveryPathAgree) {
  // Big enough for many row blocks, ring reuse and both threads.
  Bitmap24 src = RandomBitmap(611, 903, 5);
  Bitmap24 expected(173, 301);
  reference::Stretch(src, expected, Lanczos3Filter, 3.0f);
  Bitmap24 inMemory(173, 301), streamed(173, 301);
  Stretch(src, inMemory, Lanczos3Filter, 3.0f);
  BitmapRows rows(src);
  Stretch(rows, streamed, Lanczos3Filter, 3.0f);
  EXPECT_TRUE(inMemory.SamePixels(expected));
  EXPECT_TRUE(streamed.SamePixels(expected));
}

TEST(Stretch, AWindowOfTheResampledPictureHoldsThatPartByteForByte) {
  // Tall sources keep the first pass's ring turning (shrinking and enlarging);
  // the window sits inside a larger bitmap whose other pixels stay as they were.
  struct Case {
    int sw, sh, fw, fh, left, top, w, h;
  };
  for (const Case& c : {Case{97, 700, 60, 300, 7, 41, 50, 200}, Case{40, 260, 90, 900, 10, 333, 70, 420},
                        Case{300, 200, 480, 240, 80, 0, 320, 240}, Case{5, 5, 9, 9, 8, 8, 1, 1}}) {
    Bitmap24 src = RandomBitmap(c.sw, c.sh, static_cast<std::uint32_t>(c.sw * c.sh));
    Bitmap24 whole(c.fw, c.fh);
    reference::Stretch(src, whole, Lanczos3Filter, 3.0f);
    for (const auto* k : AllKernels())
      for (int threads : {1, 2}) {
        Bitmap24 canvas(c.w + 4, c.h + 3, 1, 2, 3);
        BitmapRows rows(src);
        stretch::StretchUsing(*k, rows, canvas.Window(3, 2, c.w, c.h), {c.fw, c.fh, c.left, c.top}, Lanczos3Filter,
                              3.0f, threads);
        for (int y = 0; y < canvas.Height(); ++y)
          for (int x = 0; x < canvas.Width(); ++x) {
            const bool inside = x >= 3 && x < 3 + c.w && y >= 2 && y < 2 + c.h;
            const std::uint8_t* want = inside ? whole.Row(y - 2 + c.top) + 3 * (x - 3 + c.left) : nullptr;
            const std::uint8_t kept[3] = {1, 2, 3};
            ASSERT_EQ(std::memcmp(canvas.Row(y) + 3 * x, inside ? want : kept, 3), 0)
                << k->name << " " << threads << " threads, " << c.sw << "x" << c.sh << " at " << x << "," << y;
          }
        EXPECT_EQ(rows.RowsRead(), c.sh);  // read to the end
      }
  }
}

TEST(Stretch, RowsToldFinishedAreFinalFromTheTop) {
  // What a painter following the resampler copies the moment it hears of rows
  // must be what the target holds in the end; a turned source tells nothing.
  Bitmap24 src = RandomBitmap(400, 900, 11);
  for (int threads : {1, 2})
    for (Orientation turn : {Orientation::Upright, Orientation::Mirrored, Orientation::Flipped,
                             Orientation::Rotated90}) {
      BitmapRows rows(src);
      rows.Turned(turn);
      const bool swap = turn == Orientation::Rotated90;
      Bitmap24 target(swap ? 220 : 150, swap ? 150 : 220), seen(target.Width(), target.Height());
      int told = 0;
      StretchInto(rows, target.Whole(), {target.Width(), target.Height(), 0, 0}, Lanczos3Filter, 3.0f, threads,
                  [&](int done) {
                    ASSERT_GT(done, told);
                    for (; told < done; ++told)
                      std::memcpy(seen.Row(told), target.Row(told), static_cast<std::size_t>(target.Width()) * 3);
                  });
      const bool inOrder = turn == Orientation::Upright || turn == Orientation::Mirrored;
      EXPECT_EQ(told, inOrder ? target.Height() : 0) << threads << " threads, turn " << static_cast<int>(turn);
      EXPECT_TRUE(!inOrder || seen.SamePixels(target)) << threads << " threads, turn " << static_cast<int>(turn);
    }
}

TEST(Stretch, EmptySourceIsRefusedAndTheTargetKept) {
  Bitmap24 empty, target(3, 3, 1, 2, 3);
  try {
    Stretch(empty, target, Lanczos3Filter, 3.0f);
    FAIL() << "no error";
  } catch (const ImageError& e) {
    EXPECT_STREQ(e.what(), "Source bitmap too small");
  }
  EXPECT_TRUE(target.SamePixels(Bitmap24(3, 3, 1, 2, 3)));
}

TEST(Stretch, ADecoderErrorEndsTheJobWithThatError) {
  Bitmap24 src = RandomBitmap(300, 500, 9);
  for (int failAt : {0, 17, 250, 499}) {
    BitmapRows rows(src, failAt);
    Bitmap24 dst(100, 120);
    EXPECT_THROW(Stretch(rows, dst, Lanczos3Filter, 3.0f), ImageError) << failAt;
  }
}

TEST(BoxReduce, MeansRoundedDownOverTwoAndFourSquareBlocks) {
  // 8 x 8 source of 32-bit pixels; byte b of pixel (x, y) = x + 10 y + 50 b.
  std::vector<std::uint8_t> src(8 * 8 * 4);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      for (int b = 0; b < 4; ++b) src[static_cast<std::size_t>((y * 8 + x) * 4 + b)] = static_cast<std::uint8_t>(x + 10 * y + 50 * b);
  auto expect = [&](int sx, int sy, int n, int b) {
    int sum = 0;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) sum += src[static_cast<std::size_t>(((sy + y) * 8 + sx + x) * 4 + b)];
    return sum / (n * n);
  };
  // Target 5 x 5, rectangle (1, 1)-(4, 3), source from row 2, column 0.
  std::vector<std::uint8_t> dst(5 * 5 * 4, 0xEE);
  BoxReduce2(dst.data(), 5 * 4, {1, 1, 4, 3}, 2, 0, 8 * 4, src.data());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      for (int b = 0; b < 4; ++b) {
        bool inside = x >= 1 && x < 4 && y >= 1 && y < 3;
        int want = inside ? expect(2 * (x - 1), 2 + 2 * (y - 1), 2, b) : 0xEE;
        EXPECT_EQ(dst[static_cast<std::size_t>((y * 5 + x) * 4 + b)], want) << x << "," << y << " byte " << b;
      }
  std::vector<std::uint8_t> four(2 * 2 * 4, 0xEE);
  BoxReduce4(four.data(), 2 * 4, {0, 0, 2, 2}, 0, 0, 8 * 4, src.data());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      for (int b = 0; b < 4; ++b) EXPECT_EQ(four[static_cast<std::size_t>((y * 2 + x) * 4 + b)], expect(4 * x, 4 * y, 4, b));

  // The worked values: 10 11 12 13 gives 11; sixteen 255s give 255.
  std::uint8_t block[2 * 2 * 4] = {10, 0, 0, 0, 11, 0, 0, 0, 12, 0, 0, 0, 13, 0, 0, 0};
  std::uint8_t one[4];
  BoxReduce2(one, 4, {0, 0, 1, 1}, 0, 0, 8, block);
  EXPECT_EQ(one[0], 11);
  std::vector<std::uint8_t> white(4 * 4 * 4, 255);
  BoxReduce4(one, 4, {0, 0, 1, 1}, 0, 0, 16, white.data());
  EXPECT_EQ(std::vector<int>(one, one + 4), (std::vector<int>{255, 255, 255, 255}));

  // Bottom-up buffers: negative strides, rows counted from the last one in memory.
  std::vector<std::uint8_t> flipped(src.size());
  for (int y = 0; y < 8; ++y) std::memcpy(&flipped[static_cast<std::size_t>((7 - y) * 32)], &src[static_cast<std::size_t>(y * 32)], 32);
  std::vector<std::uint8_t> up(4 * 4 * 4), down(4 * 4 * 4);
  BoxReduce2(up.data(), 16, {0, 0, 4, 4}, 0, 0, 32, src.data());
  BoxReduce2(down.data() + 3 * 16, -16, {0, 0, 4, 4}, 0, 0, -32, flipped.data() + 7 * 32);
  for (int y = 0; y < 4; ++y)
    EXPECT_EQ(std::memcmp(&up[static_cast<std::size_t>(y * 16)], &down[static_cast<std::size_t>((3 - y) * 16)], 16), 0);
}

TEST(CpuFlags, ReportsTheVectorUnitOnX86) {
  std::uint8_t flags = CpuFlags();
  EXPECT_EQ(flags, CpuFlags());
#if defined(__x86_64__)
  EXPECT_TRUE(flags & kCpuHasCpuid);
  EXPECT_TRUE(flags & kCpuHasMmx);
#endif
}

}  // namespace
}  // namespace toviwall
