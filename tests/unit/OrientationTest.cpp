// Pictures whose EXIF orientation says how to turn them: the wallpaper and the
// thumbnail show them upright. Pillow writes the files (the tag and the turned
// pixels) and says what upright is (ImageOps.exif_transpose).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "ImageTestSupport.h"
#include "StretchReference.h"
#include "image/BitmapFile.h"
#include "image/Orientation.h"
#include "preview/ThumbnailRender.h"
#include "support/FakeDesktopWallpaper.h"
#include "wallpaper/Composition.h"

namespace toviwall {
namespace {

using test::TempDir;

constexpr int kWidth = 480, kHeight = 320;  // upright

// Four quadrants (red, green, blue, yellow) with a ramp in blue, stored turned
// by each orientation as a JPEG and a PNG (eXIf chunk); beside them the JPEG's
// pixels as Pillow decodes and turns them, and the upright picture itself.
const char* kMakePictures = R"(
import sys
from PIL import Image, ImageOps
d = sys.argv[1]
W, H = 480, 320
quad = [[(220, 40, 40), (40, 200, 60)], [(40, 60, 220), (230, 220, 50)]]
U = Image.new('RGB', (W, H))
U.putdata([(lambda c: (c[0], c[1], (c[2] + (x + y) // 8) % 256))(quad[y * 2 // H][x * 2 // W])
           for y in range(H) for x in range(W)])
open(d + '/upright.rgb', 'wb').write(U.tobytes())
undo = {2: Image.FLIP_LEFT_RIGHT, 3: Image.ROTATE_180, 4: Image.FLIP_TOP_BOTTOM, 5: Image.TRANSPOSE,
        6: Image.ROTATE_90, 7: Image.TRANSVERSE, 8: Image.ROTATE_270}
for k in range(1, 9):
    stored = U.transpose(undo[k]) if k in undo else U
    exif = Image.Exif()
    exif[0x0112] = k
    stored.save('%s/o%d.jpg' % (d, k), quality=95, exif=exif)
    stored.save('%s/o%d.png' % (d, k), exif=exif)
    shown = ImageOps.exif_transpose(Image.open('%s/o%d.jpg' % (d, k))).convert('RGB')
    open('%s/o%d.rgb' % (d, k), 'wb').write(shown.tobytes())
)";

Bitmap24 RawRgb(const std::string& file) {
  const std::string bytes = test::ReadFile(file);
  Bitmap24 b(kWidth, kHeight);
  if (bytes.size() != static_cast<std::size_t>(kWidth) * kHeight * 3) {
    ADD_FAILURE() << file << " holds " << bytes.size() << " bytes";
    return b;
  }
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c)
        b.Row(y)[3 * x + c] = static_cast<std::uint8_t>(bytes[(static_cast<std::size_t>(y) * kWidth + x) * 3 + 2 - c]);
  return b;
}

Bitmap24 Resampled(const Bitmap24& source, int w, int h) {
  Bitmap24 target(w, h);
  reference::Stretch(source, target, Lanczos3Filter, 3.0f);
  return target;
}

Bitmap24 Transposed(const Bitmap24& b) {
  Bitmap24 t(b.Height(), b.Width());
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) std::memcpy(t.Row(x) + 3 * y, b.Row(y) + 3 * x, 3);
  return t;
}

class Turned : public ::testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() {
    imagetest::RequireTool(imagetest::kPython);
    pictures_ = std::make_unique<TempDir>("toviwall-orientation");
    imagetest::MustRun({imagetest::kPython, "-c", kMakePictures, pictures_->Path()});
  }
  static void TearDownTestSuite() { pictures_.reset(); }

  std::string File(const char* extension) const {
    return *pictures_ / ("o" + std::to_string(GetParam()) + extension);
  }
  static std::string Upright() { return *pictures_ / "upright.rgb"; }

  // What applying `image` hands the desktop: the output file, or with
  // `inHand` the pixels a painting desktop gets (the file is the same).
  static Bitmap24 Prepared(const std::string& image, FillingType type, int w, int h, bool inHand = false) {
    TempDir dir;
    platform::FixedScreen screen(w, h);
    test::FakeDesktopWallpaper painter;
    painter.takesPictures = true;
    const PreparedWallpaper p = PrepareWallpaper({.imageFile = image,
                                                  .fillingType = type,
                                                  .outputFile = dir / "out.bmp",
                                                  .screen = screen,
                                                  .desktop = inHand ? &painter : nullptr});
    if (inHand) return p.picture ? p.picture->Clone() : Bitmap24();
    return LoadBitmapFile(p.file);
  }

  static std::unique_ptr<TempDir> pictures_;
};
std::unique_ptr<TempDir> Turned::pictures_;

TEST_P(Turned, TheWallpaperShowsThePictureUpright) {
  const Bitmap24 shown = RawRgb(File(".rgb"));
  // Converted unscaled: into the file, and in hand for the painter.
  EXPECT_TRUE(Prepared(File(".jpg"), FillingType::Center, 800, 600).SamePixels(shown));
  EXPECT_TRUE(Prepared(File(".jpg"), FillingType::Tile, 800, 600, true).SamePixels(shown));
  EXPECT_TRUE(Prepared(File(".png"), FillingType::Stretch, 800, 600).SamePixels(RawRgb(Upright())));

  // Fitted and zoomed: the upright picture resampled, byte for byte; after a
  // quarter turn as the picture lying on its side is, stood up afterwards (the
  // passes round in the other order).
  const bool sideways = SwapsSides(static_cast<Orientation>(GetParam()));
  auto resampled = [&](int w, int h) {
    if (!sideways) return Resampled(shown, w, h);
    return Transposed(Resampled(Transposed(shown), h, w));
  };
  EXPECT_TRUE(Prepared(File(".jpg"), FillingType::ResizeToFit, 50, 50).SamePixels(resampled(50, 33)));
  // On a 40 x 50 screen Zoom keeps columns 17 to 56, an asymmetric cut.
  const Bitmap24 zoomed = resampled(75, 50);
  Bitmap24 cut(40, 50);
  for (int y = 0; y < 50; ++y) std::memcpy(cut.Row(y), zoomed.Row(y) + 3 * 17, 3 * 40);
  EXPECT_TRUE(Prepared(File(".jpg"), FillingType::Zoom, 40, 50, true).SamePixels(cut));
}

TEST_P(Turned, TheThumbnailAndItsSizeAreUpright) {
  const RenderedThumbnail t = RenderThumbnail(File(".jpg"), {212, 159}, {}, true);
  EXPECT_EQ(t.image, (PixelSize{kWidth, kHeight}));  // what the size labels show
  EXPECT_EQ(t.decoded, (PixelSize{kWidth / 2, kHeight / 2}));
  ASSERT_EQ(t.pixels.Width(), 210);
  ASSERT_EQ(t.pixels.Height(), 140);
  // The middle of each quadrant: red, green / blue, yellow (blue channel ramped).
  const struct {
    int x, y, red, green;
  } quadrants[] = {{52, 35, 220, 40}, {157, 35, 40, 200}, {52, 105, 40, 60}, {157, 105, 230, 220}};
  for (const auto& q : quadrants) {
    const std::uint8_t* p = t.pixels.Row(q.y) + 4 * q.x;
    EXPECT_NEAR(p[2], q.red, 8) << q.x << "," << q.y;
    EXPECT_NEAR(p[1], q.green, 8) << q.x << "," << q.y;
  }
}

INSTANTIATE_TEST_SUITE_P(Orientation, Turned, ::testing::Range(1, 9));

TEST(Orientation, DamagedOrMissingTagsReadAsUpright) {
  const std::uint8_t tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ExifOrientation(tiff, sizeof tiff), Orientation::Upright);  // 9 is no orientation
  std::uint8_t six[sizeof tiff];
  std::memcpy(six, tiff, sizeof tiff);
  six[18] = 6;
  EXPECT_EQ(ExifOrientation(six, sizeof six), Orientation::Rotated90);
  EXPECT_EQ(ExifOrientation(six, 12), Orientation::Upright);  // cut short
  EXPECT_EQ(ExifOrientation(nullptr, 0), Orientation::Upright);
}

}  // namespace
}  // namespace toviwall
