// The thumbnail's arithmetic: box, target size, where it paints, the JPEG
// decoding scale, and its pixels against the same arithmetic done plainly.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ImageTestSupport.h"
#include "image/BitmapFile.h"
#include "preview/ThumbnailGeometry.h"
#include "preview/ThumbnailRender.h"

namespace toviwall {
namespace {

using test::TempDir;

constexpr PixelSize kControl{212, 159};  // the preview window's thumbnail

PixelSize TargetIn(PixelSize client, PixelSize image, ThumbnailOptions options = vtoConstrainRatio) {
  return ThumbnailTarget(image, ThumbnailBox(client, 0, ThumbnailBorder::vtbImage), options);
}

// The placements the control paints are checked on its grabbed image (components).
TEST(ThumbnailGeometry, BoxAndTargetSizes) {
  EXPECT_EQ(ThumbnailBox(kControl, 3, ThumbnailBorder::vtbNone), (PixelSize{206, 153}));
  EXPECT_EQ(TargetIn(kControl, {10, 10}, vtoConstrainRatio | vtoEnlargeSmall), (PixelSize{157, 157}));
  EXPECT_EQ(TargetIn(kControl, {10, 10}, vtoEnlargeSmall), (PixelSize{210, 157}));  // distorted to the box
  EXPECT_EQ(TargetIn(kControl, {400, 100}, 0), (PixelSize{210, 157}));
  EXPECT_EQ(TargetIn(kControl, {100000, 1}), (PixelSize{210, 1}));  // no overflow, never below one pixel
  // A one-pixel control with a frame: every picture is larger than its box.
  EXPECT_EQ(ThumbnailBox({1, 1}, 0, ThumbnailBorder::vtbImage), (PixelSize{-1, -1}));
  EXPECT_EQ(TargetIn({1, 1}, {100, 50}), (PixelSize{1, 1}));
  EXPECT_EQ(ClampThumbnailPadding(25), 10);
  EXPECT_EQ(ClampThumbnailPadding(-4), 0);
}

TEST(ThumbnailGeometry, JpegDecodingScale) {
  // A 24-megapixel photograph in the preview window: decoded at an eighth.
  const PixelSize target = TargetIn(kControl, {6000, 4000});
  EXPECT_EQ(target, (PixelSize{210, 140}));
  EXPECT_EQ(JpegScaleDenominator({6000, 4000}, target), 8);
  EXPECT_EQ(JpegScaleDenominator({6000, 4000}, {4 * 210, 4 * 140}), 4);  // oversampled by 4
  // The smaller whole ratio decides: above 7, 3 and 1.
  for (auto [ratio, denominator] : {std::pair{8, 8}, {7, 4}, {4, 4}, {3, 2}, {2, 2}, {1, 1}})
    EXPECT_EQ(JpegScaleDenominator({100 * ratio, 1000}, {100, 10}), denominator) << ratio;
}

// The thumbnail as the plain arithmetic gives it: nearest pixel into f times the
// target, then the floor of each f x f block's mean.
Pixels32 PlainThumbnail(const Bitmap24& source, PixelSize target, int f) {
  const int bw = f * target.width, bh = f * target.height;
  std::vector<int> big(static_cast<std::size_t>(bw) * bh * 3);
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      const int sx = static_cast<int>((2LL * x + 1) * source.Width() / (2LL * bw));
      const int sy = static_cast<int>((2LL * y + 1) * source.Height() / (2LL * bh));
      for (int c = 0; c < 3; ++c) big[(static_cast<std::size_t>(y) * bw + x) * 3 + c] = source.Row(sy)[3 * sx + c];
    }
  Pixels32 out(target.width, target.height);
  for (int y = 0; y < target.height; ++y)
    for (int x = 0; x < target.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < f; ++dy)
          for (int dx = 0; dx < f; ++dx) sum += big[(static_cast<std::size_t>(f * y + dy) * bw + f * x + dx) * 3 + c];
        out.Row(y)[4 * x + c] = static_cast<std::uint8_t>(sum / (f * f));
      }
      out.Row(y)[4 * x + 3] = 255;
    }
  return out;
}

bool SamePixels(Pixels32& a, Pixels32& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::memcmp(a.Data(), b.Data(), a.Stride() * static_cast<std::size_t>(a.Height())) == 0;
}

TEST(ThumbnailRender, NearestAndOversampledPixelsAreThePlainArithmetic) {
  TempDir dir;
  const Bitmap24 source = imagetest::RandomBitmap(97, 61, 5);
  SaveBitmapFile(source, dir / "random.bmp");
  const PixelSize client{50, 40};  // box 48 x 38: the picture is 48 x 30
  for (auto [quality, f] : {std::pair{ThumbnailQuality::vtqNearestPixel, 1},
                            {ThumbnailQuality::vtqResampling2x, 2},
                            {ThumbnailQuality::vtqResampling4x, 4}}) {
    SCOPED_TRACE(f);
    ThumbnailLook look;
    look.quality = quality;
    RenderedThumbnail t = RenderThumbnail(dir / "random.bmp", client, look, true);
    EXPECT_EQ(t.image, (PixelSize{97, 61}));
    Pixels32 plain = PlainThumbnail(source, {48, 30}, f);
    EXPECT_TRUE(SamePixels(t.pixels, plain));
    // Without the vector unit the oversampling is left out.
    RenderedThumbnail scalar = RenderThumbnail(dir / "random.bmp", client, look, false);
    Pixels32 nearest = PlainThumbnail(source, {48, 30}, 1);
    EXPECT_TRUE(SamePixels(scalar.pixels, nearest));
  }
  // Enlarged pictures are never oversampled.
  ThumbnailLook enlarge{vtoConstrainRatio | vtoEnlargeSmall, ThumbnailQuality::vtqResampling4x};
  RenderedThumbnail big = RenderThumbnail(dir / "random.bmp", {300, 300}, enlarge, true);
  Pixels32 plainBig = PlainThumbnail(source, {298, 187}, 1);
  EXPECT_TRUE(SamePixels(big.pixels, plainBig));
}

// A grey photograph-sized JPEG, written row by row.
void WriteJpeg(const std::string& path, int width, int height) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3, 128);
  for (JSAMPROW rows[1] = {row.data()}; cinfo.next_scanline < cinfo.image_height;) jpeg_write_scanlines(&cinfo, rows, 1);
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
}

TEST(ThumbnailRender, APhotographIsDecodedAtAnEighthOfItsSize) {
  TempDir dir;
  WriteJpeg(dir / "photo.jpg", 6000, 4000);
  RenderedThumbnail t = RenderThumbnail(dir / "photo.jpg", kControl, {}, true);
  EXPECT_EQ(t.image, (PixelSize{6000, 4000}));
  EXPECT_EQ(t.decoded, (PixelSize{750, 500}));
  EXPECT_EQ(t.pixels.Width(), 210);
  EXPECT_EQ(t.pixels.Height(), 140);
}

}  // namespace
}  // namespace toviwall
