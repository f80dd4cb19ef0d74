// toviwall-render from the command line: what it writes, prints and refuses.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>

#include "ImageTestSupport.h"
#include "base/AtomicFile.h"
#include "image/BitmapFile.h"
#include "wallpaper/Composition.h"
#include "image/MyStretch.h"

namespace toviwall {
namespace {

using test::TempDir;

test::RunResult Render(std::vector<std::string> args) {
  args.insert(args.begin(), test::BinaryDir() + "/toviwall-render");
  return imagetest::RunTool(args);
}

TEST(RenderTool, WritesWhatTheDesktopWouldGet) {
  imagetest::RequireTool(imagetest::kConvert);
  TempDir dir;
  std::string jpg = dir / "wide.jpg";
  imagetest::MustRun({imagetest::kConvert, imagetest::PngSuite("basn2c08.png"), "-resize", "300x100!", jpg});
  auto r = Render({jpg, dir / "out.bmp", "--type", "4", "--screen", "128x102"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "128x43 style 0\n");
  platform::FixedScreen screen(128, 102);
  PrepareWallpaper({.imageFile = jpg,
                    .fillingType = FillingType::ShrinkToFit,
                    .outputFile = dir / "expected.bmp",
                    .screen = screen});
  EXPECT_TRUE(test::ReadFile(dir / "out.bmp") == test::ReadFile(dir / "expected.bmp"));

  // A BMP that needs no fitting comes out as a copy of itself.
  std::string bmp = dir / "small.bmp";
  SaveBitmapFile(imagetest::RandomBitmap(30, 20, 4), bmp);
  r = Render({bmp, dir / "copy.bmp", "--type", "2", "--screen", "1920x1080"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "30x20 style 2\n");
  EXPECT_TRUE(test::ReadFile(dir / "copy.bmp") == test::ReadFile(bmp));
}

TEST(RenderTool, ResamplesWithTheNamedFilter) {
  TempDir dir;
  std::string bmp = dir / "in.bmp";
  Bitmap24 source = imagetest::RandomBitmap(70, 50, 8);
  SaveBitmapFile(source, bmp);
  auto r = Render({bmp, dir / "out.bmp", "--filter", "B-Spline", "--size", "33x91"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "33x91\n");
  Bitmap24 expected(33, 91);
  Stretch(source, expected, SplineFilter, 2.0f);
  EXPECT_TRUE(LoadBitmapFile(dir / "out.bmp").SamePixels(expected));
}

TEST(RenderTool, RefusesClearlyAndLeavesTheOutputAlone) {
  TempDir dir;
  std::string out = dir / "out.bmp";
  WriteFileAtomically(out, "keep me");
  WriteFileAtomically(dir / "bad.jpg", "\xFF\xD8 not really");
  SaveBitmapFile(imagetest::RandomBitmap(4, 4, 1), dir / "ok.bmp");
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  for (const Case& c : {Case{{dir / "bad.jpg", out, "--type", "3", "--screen", "800x600"}, "bad.jpg"},
                        Case{{dir / "none.png", out, "--type", "0", "--screen", "800x600"}, "none.png"},
                        Case{{dir / "ok.bmp", out, "--filter", "Gauss", "--size", "5x5"}, "unknown filter"},
                        Case{{dir / "ok.bmp", out, "--filter", "Box", "--size", "0x5"}, "invalid size"},
                        Case{{dir / "ok.bmp", out, "--filter", "Box", "--size", "65535x65535"}, "too large"},
                        Case{{dir / "ok.bmp", out, "--type", "3", "--screen", "65535x65535"}, "too large"},
                        Case{{dir / "ok.bmp", out, "--type", "7", "--screen", "800x600"}, "0 to 6"},
                        Case{{dir / "ok.bmp", out, "--type", "1"}, "go together"},
                        Case{{dir / "ok.bmp", out}, "either"},
                        Case{{dir / "ok.bmp", dir / "no-such-folder/out.bmp", "--filter", "Box", "--size", "2x2"},
                             "Cannot write"}}) {
    auto r = Render(c.args);
    EXPECT_EQ(r.exitCode, 1) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(test::ReadFile(out) == "keep me") << c.message;
  }
}

TEST(RenderTool, ARenderedOutputReplacesNoReadOnlyFileAndNoDevice) {
  TempDir dir;
  std::string bmp = dir / "small.bmp", out = dir / "out.bmp";
  SaveBitmapFile(imagetest::RandomBitmap(30, 20, 4), bmp);
  WriteFileAtomically(out, "keep me");
  ::chmod(out.c_str(), 0444);
  std::vector<std::string> outputs = {out};
  const std::string device = dir / "device";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {  // the null device's numbers
    std::filesystem::create_symlink(device, dir / "to-device.bmp");
    outputs.insert(outputs.end(), {device, dir / "to-device.bmp"});
  }
  for (const std::string& target : outputs) {
    auto r = Render({bmp, target, "--type", "3", "--screen", "128x102"});  // fitted: a new file
    EXPECT_EQ(r.exitCode, 1) << target;
    EXPECT_NE(r.err.find("Cannot write " + target + ": "), std::string::npos) << r.err;
  }
  EXPECT_EQ(test::ReadFile(out), "keep me");
  struct stat st {};
  EXPECT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}),
            static_cast<long>(outputs.size()) + 1) << "scratch files left";
  if (outputs.size() == 1) GTEST_SKIP() << "mknod refused here: the device cases did not run";
  EXPECT_EQ(::lstat(device.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

}  // namespace
}  // namespace toviwall
