// JPEG and PNG into BMP files, and which file reaches the desktop.
#include <gtest/gtest.h>

#include <filesystem>

#include "ImageTestSupport.h"
#include "base/AtomicFile.h"
#include "image/BitmapFile.h"
#include "image/ImageConvert.h"

namespace toviwall {
namespace {

using imagetest::kConvert;
using imagetest::MustRun;
using test::TempDir;

std::vector<std::string> FilesIn(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// A test photograph of the given size from a PngSuite picture.
std::string MakePpm(const TempDir& dir, int w, int h) {
  std::string ppm = dir / "src.ppm";
  MustRun({kConvert, imagetest::PngSuite("basn2c08.png"), "-resize", std::to_string(w) + "x" + std::to_string(h) + "!",
           "ppm:" + ppm});
  return ppm;
}

std::string MakeJpeg(const TempDir& dir, const std::string& name, int w, int h, std::vector<std::string> cjpegOptions) {
  std::string ppm = MakePpm(dir, w, h), out = dir / name;
  std::vector<std::string> argv{"/usr/bin/cjpeg"};
  argv.insert(argv.end(), cjpegOptions.begin(), cjpegOptions.end());
  argv.insert(argv.end(), {"-outfile", out, ppm});
  MustRun(argv);
  return out;
}

std::string ConvertError(void (*convert)(const std::string&, const std::string&, const ImageLimits&), const std::string& from,
                         const std::string& to) {
  try {
    convert(from, to, {});
  } catch (const ImageError& e) {
    return e.what();
  }
  return "no error";
}

TEST(WallpaperFileFor, TheExtensionAloneDecides) {
  EXPECT_EQ(ImageExtension("/p/Photo.JPG"), ".jpg");
  EXPECT_EQ(ImageExtension("/p.q/photo"), "");
  EXPECT_EQ(ImageExtension("archive.tar.PNG"), ".png");
  EXPECT_EQ(ImageExtension("/p/.hidden"), ".hidden");
  const std::string out = "/cfg/Tovi Wallpaper.bmp";
  for (const char* f : {"/p/Photo.JPG", "/p/a.jpeg", "/p/a.JpEg", "/p/a.png", "/p/a.PNG"})
    EXPECT_EQ(WallpaperFileFor(f, out), out) << f;
  for (const char* f : {"/p/a.bmp", "/p/a.jpe", "/p/a.jfif", "/p/a.gif", "/p/noext", "/p.jpg/noext", "/p/a.jpg.bak"})
    EXPECT_EQ(WallpaperFileFor(f, out), f) << f;
}

TEST(PrepareWallpaperFile, ConvertsJpegAndPngButHandsOtherFilesOverUnchanged) {
  imagetest::RequireTool(kConvert);
  TempDir dir;
  std::string jpg = MakeJpeg(dir, "Photo.JPG", 40, 30, {});
  std::string out = dir / "Tovi Wallpaper.bmp";
  EXPECT_EQ(PrepareWallpaperFile(jpg, out), out);
  Bitmap24 converted = LoadBitmapFile(out);
  EXPECT_EQ(converted.Width(), 40);
  EXPECT_EQ(converted.Height(), 30);

  // A JPEG under another extension is not touched; the desktop gets it as it is.
  std::filesystem::remove(out);
  std::filesystem::copy_file(jpg, dir / "Photo.jpe");
  EXPECT_EQ(PrepareWallpaperFile(dir / "Photo.jpe", out), dir / "Photo.jpe");
  EXPECT_FALSE(FileExists(out));

  // A second conversion leaves only the second image in the output file.
  std::string png = dir / "second.png";
  MustRun({kConvert, "-size", "7x5", "xc:#102030", png});
  PrepareWallpaperFile(jpg, out);
  PrepareWallpaperFile(png, out);
  Bitmap24 second = LoadBitmapFile(out);
  ASSERT_EQ(second.Width(), 7);
  EXPECT_TRUE(second.SamePixels(Bitmap24(7, 5, 0x30, 0x20, 0x10)));
}

TEST(JpegConversion, OnePixelGivesAPaddedOnePixelBmp) {
  imagetest::RequireTool(kConvert);
  TempDir dir;
  std::string jpg = MakeJpeg(dir, "dot.jpg", 1, 1, {"-quality", "100"});
  jpeg::ConvertToBitmapFile(jpg, dir / "dot.bmp");
  std::string bytes = test::ReadFile(dir / "dot.bmp");
  ASSERT_EQ(bytes.size(), 54u + 4u);
  EXPECT_EQ(bytes[54 + 3], 0);  // the padding byte
  Bitmap24 b = LoadBitmapFile(dir / "dot.bmp");
  EXPECT_EQ(b.Width(), 1);
  EXPECT_EQ(b.Height(), 1);
}

TEST(JpegConversion, PixelsMatchLibjpegsOwnDecoder) {
  imagetest::RequireTool(kConvert);
  imagetest::RequireTool("/usr/bin/djpeg");
  TempDir dir;
  struct Case {
    const char* name;
    std::vector<std::string> options;
  };
  for (const Case& c : {Case{"420.jpg", {}}, Case{"444.jpg", {"-sample", "1x1"}}, Case{"422.jpg", {"-sample", "2x1"}},
                        Case{"grey.jpg", {"-grayscale"}}, Case{"progressive.jpg", {"-progressive"}},
                        Case{"restart.jpg", {"-restart", "1"}}, Case{"arith.jpg", {"-arithmetic"}}}) {
    std::string jpg = MakeJpeg(dir, c.name, 61, 37, c.options);
    std::string ours = dir / "ours.bmp", theirs = dir / "theirs.bmp";
    jpeg::ConvertToBitmapFile(jpg, ours);
    MustRun({"/usr/bin/djpeg", "-bmp", "-outfile", theirs, jpg});
    EXPECT_TRUE(LoadBitmapFile(ours).SamePixels(LoadBitmapFile(theirs))) << c.name;
  }
}

TEST(JpegConversion, ScaledDecodingMatchesLibjpegsOwnDecoder) {
  imagetest::RequireTool(kConvert);
  imagetest::RequireTool("/usr/bin/djpeg");
  TempDir dir;
  std::string jpg = MakeJpeg(dir, "photo.jpg", 61, 37, {});
  for (int denominator : {2, 4, 8}) {
    SCOPED_TRACE(denominator);
    auto reader = OpenScaledJpegFile(jpg, [](int w, int h) { return w == 61 && h == 37 ? 0 : -1; });
    EXPECT_EQ(reader->Width(), 61) << "an answer other than 2, 4 or 8 is full size";
    reader = OpenScaledJpegFile(jpg, [denominator](int, int) { return denominator; });
    Bitmap24 ours = ReadRemainingRows(*reader);
    std::string theirs = dir / "theirs.bmp";
    MustRun({"/usr/bin/djpeg", "-scale", "1/" + std::to_string(denominator), "-bmp", "-outfile", theirs, jpg});
    EXPECT_TRUE(ours.SamePixels(LoadBitmapFile(theirs)));
  }
}

TEST(JpegConversion, CmykImagesBecomeRgb) {
  imagetest::RequireTool(kConvert);
  TempDir dir;
  std::string jpg = dir / "cmyk.jpg";
  MustRun({kConvert, imagetest::PngSuite("basn2c08.png"), "-colorspace", "CMYK", "-quality", "100", jpg});
  jpeg::ConvertToBitmapFile(jpg, dir / "out.bmp");
  Bitmap24 ours = LoadBitmapFile(dir / "out.bmp");
  EXPECT_LE(imagetest::MaxDifference(ours, imagetest::DecodedByImageMagick(jpg, 32, 32)), 2);
}

TEST(JpegConversion, DamagedDataLeavesTheTargetAsItWas) {
  imagetest::RequireTool(kConvert);
  TempDir dir;
  std::string jpg = MakeJpeg(dir, "photo.jpg", 64, 48, {});
  std::string bytes = test::ReadFile(jpg);
  std::string target = dir / "Tovi Wallpaper.bmp";
  WriteFileAtomically(target, "previous wallpaper");
  auto before = FilesIn(dir);

  WriteFileAtomically(dir / "cut.jpg", bytes.substr(0, bytes.size() / 2));
  EXPECT_NE(ConvertError(jpeg::ConvertToBitmapFile, dir / "cut.jpg", target).find("Premature end of JPEG file"),
            std::string::npos);
  // An end-of-image mark in the middle of the scan data.
  std::string garbled = bytes;
  std::size_t middle = (bytes.find("\xFF\xDA") + bytes.size()) / 2;
  garbled.replace(middle, 2, "\xFF\xD9");
  WriteFileAtomically(dir / "garbled.jpg", garbled);
  EXPECT_NE(ConvertError(jpeg::ConvertToBitmapFile, dir / "garbled.jpg", target).find("Corrupt JPEG data"),
            std::string::npos);
  WriteFileAtomically(dir / "notjpeg.jpg", "GIF89a....");
  EXPECT_NE(ConvertError(jpeg::ConvertToBitmapFile, dir / "notjpeg.jpg", target).find("Not a JPEG file"),
            std::string::npos);
  EXPECT_NE(ConvertError(jpeg::ConvertToBitmapFile, dir / "missing.jpg", target).find("No such file"),
            std::string::npos);

  EXPECT_TRUE(test::ReadFile(target) == "previous wallpaper");
  std::filesystem::remove(dir / "cut.jpg");
  std::filesystem::remove(dir / "garbled.jpg");
  std::filesystem::remove(dir / "notjpeg.jpg");
  EXPECT_EQ(FilesIn(dir), before);  // no temporary file left behind
}

TEST(JpegConversion, RefusesHugeDimensionsBeforeDecoding) {
  imagetest::RequireTool(kConvert);
  TempDir dir;
  std::string bytes = test::ReadFile(MakeJpeg(dir, "small.jpg", 16, 16, {}));
  auto sof = bytes.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  bytes[sof + 5] = bytes[sof + 7] = static_cast<char>(0xFF);  // 65xxx x 65xxx
  WriteFileAtomically(dir / "huge.jpg", bytes);
  EXPECT_NE(ConvertError(jpeg::ConvertToBitmapFile, dir / "huge.jpg", dir / "out.bmp").find("too large"),
            std::string::npos);
  EXPECT_FALSE(FileExists(dir / "out.bmp"));
}

TEST(PngConversion, EveryPngSuiteImageMatchesPillowOverWhite) {
  imagetest::RequireTool(imagetest::kPython);
  TempDir dir;
  int checked = 0;
  for (const auto& e : std::filesystem::directory_iterator(imagetest::PngSuite())) {
    std::string name = e.path().filename();
    if (e.path().extension() != ".png") continue;
    std::string out = dir / (name + ".bmp");
    png::ConvertToBitmapFile(e.path(), out);
    Bitmap24 ours = LoadBitmapFile(out);
    EXPECT_LE(imagetest::MaxDifference(ours, imagetest::DecodedByPillow(e.path(), ours.Width(), ours.Height())), 1)
        << name;
    // The interlaced twin decodes to exactly the same pixels.
    if (name[0] == 'i' && std::filesystem::exists(imagetest::PngSuite(name.substr(1)))) {
      png::ConvertToBitmapFile(imagetest::PngSuite(name.substr(1)), dir / "twin.bmp");
      EXPECT_TRUE(ours.SamePixels(LoadBitmapFile(dir / "twin.bmp"))) << name;
    }
    ++checked;
  }
  EXPECT_GE(checked, 60);
}

TEST(PngConversion, TransparencyIsLaidOverWhite) {
  imagetest::RequireTool(kConvert);
  TempDir dir;
  // Opaque red, fully transparent, half-transparent blue.
  std::string png = dir / "alpha.png";
  MustRun({kConvert, "-size", "3x1", "xc:none", "-fill", "#FF0000", "-draw", "point 0,0", "-fill", "#0000FF80",
           "-draw", "point 2,0", "PNG32:" + png});
  png::ConvertToBitmapFile(png, dir / "out.bmp");
  Bitmap24 b = LoadBitmapFile(dir / "out.bmp");
  const std::uint8_t* p = b.Row(0);
  EXPECT_EQ(std::vector<int>(p, p + 9), (std::vector<int>{0, 0, 255, 255, 255, 255, 255, 127, 127}));

  // A palette image whose transparent entry is black: white again.
  std::string pal = dir / "pal.png";
  MustRun({kConvert, "-size", "2x1", "xc:black", "-fill", "#00FF00", "-draw", "point 1,0", "-transparent", "black",
           "PNG8:" + pal});
  png::ConvertToBitmapFile(pal, dir / "pal.bmp");
  Bitmap24 fromPalette = LoadBitmapFile(dir / "pal.bmp");
  p = fromPalette.Row(0);
  EXPECT_EQ(std::vector<int>(p, p + 6), (std::vector<int>{255, 255, 255, 0, 255, 0}));
}

TEST(PngConversion, DamagedFilesLeaveTheTargetAsItWas) {
  TempDir dir;
  std::string bytes = test::ReadFile(imagetest::PngSuite("basn2c08.png"));
  std::string target = dir / "out.bmp";
  WriteFileAtomically(target, "old");
  WriteFileAtomically(dir / "cut.png", bytes.substr(0, bytes.size() / 2));
  EXPECT_NE(ConvertError(png::ConvertToBitmapFile, dir / "cut.png", target), "no error");
  std::string crc = bytes;
  crc[bytes.find("IEND") - 5] ^= 0x10;  // the image data's checksum
  WriteFileAtomically(dir / "crc.png", crc);
  EXPECT_NE(ConvertError(png::ConvertToBitmapFile, dir / "crc.png", target).find("CRC"), std::string::npos);
  EXPECT_NE(ConvertError(png::ConvertToBitmapFile, imagetest::PngSuite("README"), target).find("not a PNG file"),
            std::string::npos);
  std::string huge = bytes;
  huge[16] = 0x7F;  // width beyond any limit
  WriteFileAtomically(dir / "huge.png", huge);
  EXPECT_NE(ConvertError(png::ConvertToBitmapFile, dir / "huge.png", target), "no error");
  EXPECT_TRUE(test::ReadFile(target) == "old");
}

}  // namespace
}  // namespace toviwall
