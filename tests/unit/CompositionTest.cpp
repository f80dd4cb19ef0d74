// Filling types, fitting to the screen and the whole application of an entry.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>

#include "ImageTestSupport.h"
#include "StretchReference.h"
#include "base/AtomicFile.h"
#include "image/BitmapFile.h"
#include "wallpaper/Composition.h"
#include "image/ImageConvert.h"
#include "support/FakeDesktopWallpaper.h"

namespace toviwall {
namespace {

using test::TempDir;

TEST(MulDiv, RoundsHalvesAwayFromZeroWithA64BitProduct) {
  EXPECT_EQ(MulDiv(1280, 1000, 3000), 427);
  EXPECT_EQ(MulDiv(1024, 1000, 3000), 341);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(5, -1, -2), 3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
}

TEST(FitToScreen, TouchesTwoEdgesAndKeepsTheAspect) {
  EXPECT_EQ(FitToScreen(800, 600, 1280, 1024), (FitSize{1280, 960}));
  EXPECT_EQ(FitToScreen(3000, 1000, 1280, 1024), (FitSize{1280, 427}));
  EXPECT_EQ(FitToScreen(1000, 3000, 1280, 1024), (FitSize{341, 1024}));
  EXPECT_EQ(FitToScreen(640, 512, 1280, 1024), (FitSize{1280, 1024}));  // equal ratios: second branch
  EXPECT_EQ(FitToScreen(1, 3000, 1280, 1024), (FitSize{1, 1024}));      // 0 wide becomes 1
  EXPECT_EQ(FitToScreen(60000, 1, 1280, 1024), (FitSize{1280, 1}));
}

using Applied = std::vector<std::pair<std::string, WallpaperStyle>>;

TEST(FillingType, SettingsNumbersStayTheBoxOrderAndUnknownOnesReadAsStretch) {
  EXPECT_STREQ(FillingTypeName(FillingType::FitBlurred), "Fit with blurred background");
  EXPECT_EQ(StyleFor(FillingType::FitBlurred), WallpaperStyle::Centred);
  const FillingType order[] = {FillingType::Center,      FillingType::Tile,        FillingType::Stretch,
                               FillingType::ResizeToFit, FillingType::ShrinkToFit, FillingType::Zoom,
                               FillingType::FitBlurred};
  for (int stored = 0; stored < 7; ++stored) {
    EXPECT_EQ(FillingTypeFromStored(stored), order[stored]) << stored;
    EXPECT_EQ(StoredValue(order[stored]), stored);
  }
  for (int stored : {-1, 7, INT_MAX}) EXPECT_EQ(FillingTypeFromStored(stored), FillingType::Stretch) << stored;
  EXPECT_EQ(StyleFor(FillingType::Zoom), WallpaperStyle::Centred);
  for (int stored : {-1, 0, 3, INT_MAX}) EXPECT_EQ(MonitorModeFromStored(stored), MonitorMode::OnePicture);
}

// One application's surroundings: a folder, a fixed screen, a desktop, and
// the calls and messages it receives.
struct Desk {
  TempDir dir;
  platform::FixedScreen screen{1280, 1024};
  test::FakeDesktopWallpaper desktop;
  Applied applied;
  std::vector<std::string> messages;
  std::string output = dir / "Tovi Wallpaper.bmp";
  bool& takesPicture = desktop.takesPictures;
  std::vector<std::shared_ptr<const Bitmap24>> pictures;

  void Apply(const std::string& image, FillingType type) { Apply(Context(image, type)); }
  WallpaperContext Context(const std::string& image, FillingType type) {
    return {.imageFile = image,
            .fillingType = type,
            .outputFile = output,
            .screen = screen,
            .desktop = &desktop,
            .showCopyError = [this](const std::string& m) { messages.push_back(m); }};
  }
  // What the desktop was handed, also when applying fails.
  void Apply(const WallpaperContext& c) {
    struct Collect {
      Desk& d;
      std::size_t from;
      ~Collect() {
        for (std::size_t i = from; i < d.desktop.written.size(); ++i) {
          d.applied.emplace_back(d.desktop.written[i].file, d.desktop.written[i].style);
          d.pictures.push_back(d.desktop.pictures[i]);
        }
      }
    } collect{*this, desktop.written.size()};
    ApplyWallpaper(c);
  }
  std::string Bmp(const std::string& name, int w, int h, std::uint32_t seed = 1) {
    std::string path = dir / name;
    SaveBitmapFile(imagetest::RandomBitmap(w, h, seed), path);
    return path;
  }
  FitSize OutputSize() const {
    auto rows = OpenBitmapFile(output);
    return {rows->Width(), rows->Height()};
  }
};

// What the steps leave when followed literally, computed the plain way: the
// full conversion written and read back, then the reference resampler.
Bitmap24 FittedTheLongWay(const std::string& image, int w, int h) {
  TempDir tmp;
  std::string converted = PrepareWallpaperFile(image, tmp / "full.bmp");
  Bitmap24 source = LoadBitmapFile(converted);
  Bitmap24 target(w, h);
  reference::Stretch(source, target, Lanczos3Filter, 3.0f);
  return target;
}

TEST(ApplyWallpaper, AScreenSizedBmpIsHandedOverUnderItsOwnPath) {
  Desk d;
  d.screen = platform::FixedScreen(1024, 768);
  std::string bmp = d.Bmp("screen.bmp", 1024, 768);
  d.Apply(bmp, FillingType::ResizeToFit);
  EXPECT_EQ(d.applied, (Applied{{bmp, WallpaperStyle::Centred}}));
  EXPECT_FALSE(FileExists(d.output));
}

TEST(ApplyWallpaper, ResizeToFitEnlargesACopyAndNeverTheUsersBmp) {
  Desk d;
  std::string bmp = d.Bmp("small.bmp", 80, 60);
  d.screen = platform::FixedScreen(128, 102);
  std::string before = test::ReadFile(bmp);
  d.Apply(bmp, FillingType::ResizeToFit);
  EXPECT_EQ(d.applied, (Applied{{d.output, WallpaperStyle::Centred}}));
  EXPECT_TRUE(test::ReadFile(bmp) == before);
  Bitmap24 fitted = LoadBitmapFile(d.output);
  EXPECT_EQ(fitted.Width(), 128);
  EXPECT_EQ(fitted.Height(), 96);
  EXPECT_TRUE(fitted.SamePixels(FittedTheLongWay(bmp, 128, 96)));

  // Under "Shrink to Fit" the smaller image goes over unscaled, under its own path.
  Desk e;
  std::string same = e.Bmp("small.bmp", 800, 600);
  e.Apply(same, FillingType::ShrinkToFit);
  EXPECT_EQ(e.applied, (Applied{{same, WallpaperStyle::Centred}}));
  EXPECT_FALSE(FileExists(e.output));
}

TEST(ApplyWallpaper, ShrinkToFitOfAWideJpegWritesTheFittedFileOnly) {
  imagetest::RequireTool(imagetest::kConvert);
  Desk d;
  std::string jpg = d.dir / "wide.JPG";
  imagetest::MustRun({imagetest::kConvert, imagetest::PngSuite("basn2c08.png"), "-resize", "3000x1000!", "-quality", "90", jpg});
  WriteFileAtomically(d.output, "older wallpaper");
  d.Apply(jpg, FillingType::ShrinkToFit);
  EXPECT_EQ(d.applied, (Applied{{d.output, WallpaperStyle::Centred}}));
  Bitmap24 fitted = LoadBitmapFile(d.output);
  EXPECT_EQ(fitted.Width(), 1280);
  EXPECT_EQ(fitted.Height(), 427);
  EXPECT_TRUE(fitted.SamePixels(FittedTheLongWay(jpg, 1280, 427)));
  // Byte for byte the form SaveBitmapFile writes.
  TempDir tmp;
  SaveBitmapFile(fitted, tmp / "again.bmp");
  EXPECT_TRUE(test::ReadFile(tmp / "again.bmp") == test::ReadFile(d.output));
}

TEST(ApplyWallpaper, ResizeToFitOfATallPngAndOfEqualAspect) {
  imagetest::RequireTool(imagetest::kConvert);
  Desk d;
  std::string png = d.dir / "tall.png";
  imagetest::MustRun({imagetest::kConvert, "-size", "1000x3000", "gradient:white-navy", png});
  d.Apply(png, FillingType::ResizeToFit);
  Bitmap24 fitted = LoadBitmapFile(d.output);
  EXPECT_EQ(fitted.Width(), 341);
  EXPECT_EQ(fitted.Height(), 1024);
  EXPECT_TRUE(fitted.SamePixels(FittedTheLongWay(png, 341, 1024)));

  d.Apply(d.Bmp("equal.bmp", 640, 512), FillingType::ResizeToFit);
  EXPECT_EQ(d.OutputSize(), (FitSize{1280, 1024}));
}

TEST(ApplyWallpaper, PlainTypesHandOverWithoutFittingAndConvertJpegAndPng) {
  Desk d;
  std::string bmp = d.Bmp("big.bmp", 2000, 30);
  for (int stored : {0, 1, 2, 7, -1}) d.Apply(bmp, FillingTypeFromStored(stored));
  EXPECT_EQ(d.applied, (Applied{{bmp, WallpaperStyle::Centred},
                                {bmp, WallpaperStyle::Tiled},
                                {bmp, WallpaperStyle::Stretched},
                                {bmp, WallpaperStyle::Stretched},
                                {bmp, WallpaperStyle::Stretched}}));
  EXPECT_FALSE(FileExists(d.output));

  d.applied.clear();
  std::string png = imagetest::PngSuite("basn6a08.png");
  d.Apply(png, FillingType::Tile);
  EXPECT_EQ(d.applied, (Applied{{d.output, WallpaperStyle::Tiled}}));
  EXPECT_EQ(LoadBitmapFile(d.output).Width(), 32);
}

TEST(ApplyWallpaper, ADesktopTakingPicturesGetsThePixelsTheOutputFileHoldsOnceDone) {
  Desk plain, d;
  d.takesPicture = true;
  const std::string jpg = d.dir / "wide.jpg";
  imagetest::MustRun({imagetest::kConvert, imagetest::PngSuite("basn2c08.png"), "-resize", "3000x1000!", jpg});
  const std::string png = imagetest::PngSuite("basn6a08.png");
  for (auto [image, type] : {std::pair{jpg, FillingType::ResizeToFit}, {jpg, FillingType::Center},
                             {png, FillingType::ShrinkToFit}, {png, FillingType::Stretch}}) {
    plain.Apply(image, type);
    d.Apply(image, type);
    ASSERT_TRUE(d.pictures.back()) << image << " " << StoredValue(type);
    EXPECT_TRUE(d.pictures.back()->SamePixels(LoadBitmapFile(d.output))) << image << " " << StoredValue(type);
    EXPECT_TRUE(test::ReadFile(d.output) == test::ReadFile(plain.output)) << image << " " << StoredValue(type);
    EXPECT_FALSE(plain.pictures.back());
    EXPECT_EQ(d.applied.back(), (std::pair{d.output, StyleFor(type)}));
  }
  EXPECT_EQ(d.pictures.front()->Width(), 1280);
  // The user's own file is read by the desktop itself.
  const std::string bmp = d.Bmp("own.bmp", 40, 30);
  d.Apply(bmp, FillingType::Tile);
  EXPECT_EQ(d.applied.back(), (std::pair{bmp, WallpaperStyle::Tiled}));
  EXPECT_FALSE(d.pictures.back());
  // An output that cannot be replaced is refused before anything is shown.
  std::filesystem::remove(d.output);
  std::filesystem::create_directory(d.output);
  EXPECT_THROW(d.Apply(jpg, FillingType::ResizeToFit), FileWriteError);
  EXPECT_EQ(d.applied.size(), 5u);
}

TEST(ApplyWallpaper, APaintingDesktopSeesTheFittedRowsMadeAndIsToldWhenTheyWillNotCome) {
  Desk d;
  d.takesPicture = true;
  const std::string jpg = d.dir / "wide.jpg";
  imagetest::MustRun({imagetest::kConvert, imagetest::PngSuite("basn2c08.png"), "-resize", "2000x900!", jpg});
  d.Apply(jpg, FillingType::ResizeToFit);
  ASSERT_TRUE(d.desktop.ahead);
  EXPECT_EQ(d.desktop.ahead, d.pictures.back()) << "the very pixels handed over";
  EXPECT_TRUE(d.desktop.aheadProgress->WaitFor(d.desktop.ahead->Height()));
  // Cut short: the decoder fails midway, the follower stops waiting, nothing is handed over.
  const std::string bytes = test::ReadFile(jpg);
  WriteFileAtomically(d.dir / "cut.jpg", bytes.substr(0, bytes.size() / 2));
  const std::size_t before = d.applied.size();
  EXPECT_THROW(d.Apply(d.dir / "cut.jpg", FillingType::ResizeToFit), ImageError);
  EXPECT_NE(d.desktop.ahead, d.pictures.back());
  EXPECT_FALSE(d.desktop.aheadProgress->WaitFor(d.desktop.ahead->Height()));
  EXPECT_EQ(d.applied.size(), before);
  EXPECT_FALSE(d.desktop.taken) << "withdrawn";
}

TEST(ApplyWallpaper, AMissingFileLeavesTheDesktopAlone) {
  Desk d;
  d.Apply(d.dir / "gone.jpg", FillingType::ResizeToFit);
  EXPECT_TRUE(d.applied.empty());
  EXPECT_FALSE(FileExists(d.output));
}

TEST(ApplyWallpaper, ADamagedBmpFailsOnlyWhenItMustBeRead) {
  Desk d;
  std::string bad = d.dir / "bad.bmp";
  WriteFileAtomically(bad, "BM this is no bitmap");
  d.Apply(bad, FillingType::Stretch);
  EXPECT_EQ(d.applied, (Applied{{bad, WallpaperStyle::Stretched}}));
  for (FillingType type : {FillingType::ResizeToFit, FillingType::ShrinkToFit}) {
    EXPECT_THROW(d.Apply(bad, type), ImageError);
    EXPECT_EQ(d.applied.size(), 1u);
  }
  // A damaged JPEG the same way, and the output file keeps its content.
  WriteFileAtomically(d.output, "previous");
  WriteFileAtomically(d.dir / "bad.jpg", "\xFF\xD8\xFF\xE0 damaged");
  EXPECT_THROW(d.Apply(d.dir / "bad.jpg", FillingType::ResizeToFit), ImageError);
  EXPECT_THROW(d.Apply(d.dir / "bad.jpg", FillingType::Center), ImageError);
  EXPECT_TRUE(test::ReadFile(d.output) == "previous");
  EXPECT_EQ(d.applied.size(), 1u);
}

TEST(ApplyWallpaper, AFailedCopyShowsTheMessageAndGoesOnWithTheOutputFile) {
  Desk d;
  std::string bmp = d.Bmp("photo 1.bmp", 3000, 100);
  // An output file that cannot be replaced, but holds an older wallpaper to fit.
  std::string before = test::ReadFile(bmp);
  std::filesystem::create_directory(d.output);
  d.Apply(bmp, FillingType::ShrinkToFit);
  EXPECT_EQ(d.messages, std::vector<std::string>{"Cannot copy the file photo 1.bmp."});
  EXPECT_EQ(d.applied, (Applied{{d.output, WallpaperStyle::Centred}}));
  EXPECT_TRUE(test::ReadFile(bmp) == before);
}

TEST(ApplyWallpaper, ExtremeAspectRatiosStillGiveAnImage) {
  Desk d;
  d.Apply(d.Bmp("thin.bmp", 1, 3000), FillingType::ResizeToFit);
  EXPECT_EQ(d.OutputSize(), (FitSize{1, 1024}));
  d.Apply(d.Bmp("flat.bmp", 5000, 2), FillingType::ShrinkToFit);
  EXPECT_EQ(d.OutputSize(), (FitSize{1280, 1}));
}

TEST(Zoom, FillsTheScreenAndCutsTheOverflowEvenly) {
  EXPECT_EQ(ZoomToScreen(600, 400, 300, 150), (FitSize{300, 200}));
  EXPECT_EQ(ZoomToScreen(400, 600, 300, 150), (FitSize{300, 450}));
  EXPECT_EQ(ZoomToScreen(3000, 1000, 1280, 1024), (FitSize{3072, 1024}));
  EXPECT_EQ(ZoomToScreen(640, 512, 1280, 1024), (FitSize{1280, 1024}));
  EXPECT_EQ(ZoomToScreen(1, 3000, 1280, 1024), (FitSize{1280, 3840000}));
  EXPECT_EQ(ZoomToScreen(1, 65535, 65535, 1), (FitSize{65535, 1 << 24}));  // bounded

  // The screen's part of the whole picture resampled the plain way, and never
  // the user's own BMP; a screen-sized one goes over under its own path.
  Desk d;
  d.screen = platform::FixedScreen(128, 102);
  const std::string bmp = d.Bmp("wide.bmp", 300, 100);
  const std::string before = test::ReadFile(bmp);
  d.Apply(bmp, FillingType::Zoom);
  EXPECT_EQ(d.applied, (Applied{{d.output, WallpaperStyle::Centred}}));
  EXPECT_TRUE(test::ReadFile(bmp) == before);
  const Bitmap24 whole = FittedTheLongWay(bmp, 306, 102);
  const Bitmap24 zoomed = LoadBitmapFile(d.output);
  ASSERT_EQ(zoomed.Width(), 128);
  ASSERT_EQ(zoomed.Height(), 102);
  for (int y = 0; y < 102; ++y)
    ASSERT_EQ(std::memcmp(zoomed.Row(y), whole.Row(y) + 3 * 89, 128 * 3), 0) << y;
  d.Apply(d.Bmp("same.bmp", 128, 102), FillingType::Zoom);
  EXPECT_EQ(d.applied.back().first, d.dir / "same.bmp");
  d.Apply(d.Bmp("thin.bmp", 1, 300), FillingType::Zoom);
  EXPECT_EQ(d.OutputSize(), (FitSize{128, 102}));
}

// The composed desktop: two monitors of different sizes with a gap to the
// right of the smaller one, on a grey background.
TEST(ComposeDesktop, EachMonitorItsOwnEntryPlacedOrOneAcrossTheirBoundingBox) {
  TempDir dir;
  const platform::ScreenLayout layout{300, 100, {{200, 0, 100, 100}, {0, 20, 160, 80}}};
  const std::uint32_t grey = 0x808080;
  const std::string red = dir / "red.bmp", blue = dir / "blue.bmp";
  SaveBitmapFile(Bitmap24(20, 10, 0, 0, 255), red);
  SaveBitmapFile(Bitmap24(30, 40, 255, 0, 0), blue);
  auto at = [](const Bitmap24& b, int x, int y) {
    const std::uint8_t* p = b.Row(y) + 3 * x;
    return std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
  };
  // Center: each picture in the middle of its monitor.
  Bitmap24 centred = ComposeDesktop({red, blue}, MonitorMode::EachMonitor, FillingType::Center, layout, grey);
  ASSERT_EQ(centred.Width(), 300);
  EXPECT_EQ(at(centred, 240, 45), 0xff0000u);
  EXPECT_EQ(at(centred, 259, 54), 0xff0000u);
  EXPECT_EQ(at(centred, 239, 50), grey);
  EXPECT_EQ(at(centred, 65, 40), 0x0000ffu);
  EXPECT_EQ(at(centred, 94, 79), 0x0000ffu);
  EXPECT_EQ(at(centred, 64, 40), grey);
  EXPECT_EQ(at(centred, 180, 50), grey);  // between the monitors
  EXPECT_EQ(at(centred, 5, 5), grey);     // above the second one

  // Tile from each monitor's corner; the list repeats for a third monitor.
  const platform::ScreenLayout three{300, 100, {{0, 0, 100, 100}, {100, 0, 100, 100}, {200, 0, 100, 100}}};
  Bitmap24 tiled = ComposeDesktop({red, blue}, MonitorMode::EachMonitor, FillingType::Tile, three, grey);
  for (int x : {0, 99, 200, 299}) EXPECT_EQ(at(tiled, x, 99), 0xff0000u) << x;
  EXPECT_EQ(at(tiled, 100, 0), 0x0000ffu);
  EXPECT_EQ(at(tiled, 199, 99), 0x0000ffu);

  // Span: one picture zoomed over the bounding box, cut at the desktop's
  // parts no monitor shows as well; the same as zooming it to that size.
  const std::string photo = dir / "photo.bmp";
  SaveBitmapFile(imagetest::RandomBitmap(90, 20, 3), photo);
  Bitmap24 spanned = ComposeDesktop({photo, red}, MonitorMode::Span, FillingType::Zoom, layout, grey);
  Bitmap24 alone(300, 100);
  auto rows = OpenBitmapFile(photo);
  PlaceImage(*rows, FillingType::Zoom, alone.Whole());
  EXPECT_TRUE(spanned.SamePixels(alone));
  spanned = ComposeDesktop({photo}, MonitorMode::Span, FillingType::FitBlurred, layout, grey);
  PlaceImage(*OpenBitmapFile(photo), FillingType::FitBlurred, alone.Whole());
  EXPECT_TRUE(spanned.SamePixels(alone));

  // A monitor whose entry is gone keeps the background; a damaged one is an error.
  Bitmap24 missing = ComposeDesktop({red, dir / "gone.bmp"}, MonitorMode::EachMonitor, FillingType::Center, layout,
                                    grey);
  EXPECT_EQ(at(missing, 250, 50), 0xff0000u);
  EXPECT_EQ(at(missing, 80, 60), grey);
  WriteFileAtomically(dir / "bad.bmp", "BM broken");
  EXPECT_THROW(ComposeDesktop({red, dir / "bad.bmp"}, MonitorMode::EachMonitor, FillingType::Zoom, layout, grey),
               ImageError);
}

// Fit with blurred background against ImageMagick doing the same: the picture
// fitted (-resize WxH) over its zoomed copy (-resize WxH^ -extent WxH) blurred
// with a sigma of 2.5% of the screen's shorter side (-blur 0xS).
TEST(FitBlurred, MatchesImageMagicksFitOverABlurredZoom) {
  imagetest::RequireTool(imagetest::kConvert);
  TempDir dir;
  const std::string picture = dir / "blocks.png";
  // Flat blocks of random colours, a few sigma wide once zoomed: a blur of
  // another width, a background stretched instead of zoomed, or one left sharp
  // differs by 8 or more on average.
  imagetest::MustRun({imagetest::kConvert, "-seed", "3", "-size", "25x36", "xc:", "+noise", "Random", "-scale",
                      "200x288", picture});
  Bitmap24 ours(480, 270);
  PlaceImage(*OpenImageFile(picture), FillingType::FitBlurred, ours.Whole());
  const Bitmap24 theirs = imagetest::FromRawRgb(
      imagetest::RunTool({imagetest::kConvert, picture, "-filter", "Lanczos", "(", "-clone", "0", "-resize", "480x270^",
                          "-gravity", "center", "-extent", "480x270", "-blur", "0x6.75", ")", "(", "-clone", "0",
                          "-resize", "480x270", ")", "-delete", "0", "-gravity", "center", "-composite", "-depth", "8",
                          "rgb:-"}),
      picture, "ImageMagick", 480, 270);
  // Ours blurs a copy reduced from the fitted picture and enlarges it again,
  // and the resamplers place their samples a little differently.
  EXPECT_LE(imagetest::MeanDifference(ours, theirs), 4.0);
}

TEST(ApplyWallpaper, AComposedDesktopGoesOverSpannedWithTheColourAroundPictures) {
  Desk d;
  const std::string a = d.Bmp("a.bmp", 40, 30), b = d.Bmp("b.bmp", 50, 20, 2);
  struct TwoMonitors : platform::Screen {
    platform::ScreenSize PrimaryScreenSize() override { return {64, 48}; }
    platform::ScreenLayout Layout() override { return {128, 48, {{0, 0, 64, 48}, {64, 0, 64, 48}}}; }
  } screen;
  WallpaperContext c{.imageFile = a,
                     .fillingType = FillingType::Stretch,
                     .outputFile = d.output,
                     .screen = screen,
                     .desktop = &d.desktop,
                     .monitors = MonitorMode::EachMonitor,
                     .otherImageFiles = {b},
                     .background = 0x123456};
  d.Apply(c);
  EXPECT_EQ(d.applied, (Applied{{d.output, WallpaperStyle::Spanned}}));
  EXPECT_EQ(d.OutputSize(), (FitSize{128, 48}));
  EXPECT_EQ(d.desktop.background, 0x123456u);
  // A desktop that paints from pixels in hand gets the composed desktop as written.
  d.takesPicture = true;
  d.Apply(c);
  ASSERT_TRUE(d.pictures.back());
  EXPECT_TRUE(d.pictures.back()->SamePixels(LoadBitmapFile(d.output)));
  d.takesPicture = false;
  c.monitors = MonitorMode::OnePicture;
  d.Apply(c);
  EXPECT_EQ(d.applied.back(), (std::pair{a, WallpaperStyle::Stretched}));
}

TEST(NeedsToFit, AnswersFromTheFileAndTheScreenReadEachTime) {
  Desk d;
  std::string bmp = d.Bmp("a.bmp", 100, 50);
  // A screen that changes between calls.
  struct Changing : platform::Screen {
    int calls = 0;
    platform::ScreenSize PrimaryScreenSize() override { return ++calls == 1 ? platform::ScreenSize{100, 50} : platform::ScreenSize{99, 50}; }
  } screen;
  EXPECT_FALSE(NeedsResizeToFit(bmp, screen));
  EXPECT_TRUE(NeedsResizeToFit(bmp, screen));
  EXPECT_TRUE(NeedsShrinkToFit(bmp, screen));
  platform::FixedScreen big(200, 200), none(0, 0);
  EXPECT_TRUE(NeedsResizeToFit(bmp, big));
  EXPECT_FALSE(NeedsShrinkToFit(bmp, big));
  EXPECT_FALSE(NeedsResizeToFit(bmp, none));
  EXPECT_FALSE(NeedsResizeToFit(d.dir / "missing.bmp", big));
  WriteFileAtomically(d.dir / "bad.bmp", "BMxx");
  EXPECT_THROW(NeedsShrinkToFit(d.dir / "bad.bmp", big), ImageError);

  // Fitting in place leaves a screen-sized file untouched.
  platform::FixedScreen exact(100, 50);
  auto mtime = std::filesystem::last_write_time(bmp);
  std::string content = test::ReadFile(bmp);
  FitBitmapFileToScreen(bmp, exact);
  EXPECT_TRUE(test::ReadFile(bmp) == content);
  EXPECT_EQ(std::filesystem::last_write_time(bmp), mtime);
  FitBitmapFileToScreen(bmp, big);
  EXPECT_EQ(LoadBitmapFile(bmp).Width(), 200);
  EXPECT_EQ(LoadBitmapFile(bmp).Height(), 100);
}

}  // namespace
}  // namespace toviwall
