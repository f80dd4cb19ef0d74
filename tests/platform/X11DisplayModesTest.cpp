// The RandR backend of the display modes against Xorg with the dummy driver:
// the primary output's modes, a switch that leaves the other output alone, a
// mode the output refuses, and the notice of a change made by another program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>

#include "platform/x11/X11DisplayModes.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;

TEST(X11DisplayModes, SwitchesThePrimaryOutputAloneAndHearsOtherProgramsChanges) {
  RequireProgram("xrandr");
  XServer x(DummyXorgConfig({"\"1024x768\" 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync",
                             "\"800x600\" 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync",
                             "\"640x480\" 25.175 640 656 752 800 480 490 492 525 -hsync -vsync"},
                            1024, 768));
  const Env env{{"PATH", std::getenv("PATH")}, {"DISPLAY", x.Display()}};
  // A second output right of the primary one, which must stay as it is.
  MustRun({"xrandr", "--addmode", "DUMMY1", "640x480"}, env);
  MustRun({"xrandr", "--output", "DUMMY1", "--mode", "640x480", "--right-of", "DUMMY0"}, env);
  auto xrandr = [&] { return MustRun({"xrandr"}, env).out; };
  ASSERT_NE(xrandr().find("DUMMY1 connected 640x480+1024+0"), std::string::npos) << xrandr();

  auto display = platform::CreateX11DisplayModes(x.Display());
  int notices = 0;
  display->SetDisplayChangeListener([&] { ++notices; });
  const std::vector<DisplayModeRecord> modes = display->Modes();
  auto find = [&](int w, int h) {
    return std::find_if(modes.begin(), modes.end(), [&](auto& m) { return m.width == w && m.height == h; });
  };
  ASSERT_NE(find(800, 600), modes.end());
  EXPECT_EQ(find(800, 600)->refreshHz, 60);  // 60.32
  EXPECT_EQ(find(800, 600)->bitsPerPixel, 24);
  ASSERT_TRUE(display->CurrentMode().has_value());
  EXPECT_EQ(display->CurrentMode()->width, 1024);

  EXPECT_EQ(display->ChangeMode(*find(800, 600)), platform::DisplayChange::Successful);
  const std::string after = xrandr();
  EXPECT_NE(after.find("current 1664 x 600"), std::string::npos) << after;
  EXPECT_NE(after.find("DUMMY0 connected primary 800x600+0+0"), std::string::npos) << after;
  EXPECT_NE(after.find("DUMMY1 connected 640x480+1024+0"), std::string::npos) << after;
  EXPECT_EQ(display->CurrentMode()->width, 800);

  // A mode of the server's that the primary output does not list.
  MustRun({"xrandr", "--newmode", "700x500", "30.00", "700", "720", "780", "860", "500", "501", "504", "520"}, env);
  MustRun({"xrandr", "--addmode", "DUMMY1", "700x500"}, env);
  DisplayModeRecord foreign = *find(800, 600);
  foreign.width = 700;
  foreign.height = 500;
  const std::string verbose = MustRun({"xrandr", "--verbose"}, env).out;
  const auto at = verbose.find("700x500 (0x");
  ASSERT_NE(at, std::string::npos) << verbose;
  foreign.id = std::stoull(verbose.substr(at + 9), nullptr, 16);
  EXPECT_EQ(display->ChangeMode(foreign), platform::DisplayChange::BadMode);

  notices = 0;
  MustRun({"xrandr", "--output", "DUMMY0", "--mode", "640x480"}, env);
  EXPECT_TRUE(WaitFor([&] {
    QCoreApplication::processEvents();
    return notices > 0;
  }));
  EXPECT_EQ(display->CurrentMode()->width, 640);
}

TEST(X11DisplayModes, ADisplayWithoutModesToTellGivesNone) {
  auto display = platform::CreateX11DisplayModes(":999999");  // no such display
  EXPECT_TRUE(display->Modes().empty());
  EXPECT_FALSE(display->CurrentMode().has_value());
}

}  // namespace
}  // namespace toviwall
