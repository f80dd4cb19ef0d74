// The rotation in the real program on a plain X session: the Change button, the
// Enter key and Next, None followed by the watchdog, changes on its own, and
// the stored entry applied again at start. The screen is read at a corner the
// main window does not cover.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <filesystem>
#include <set>

#include "base/IniFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
constexpr const char* kTitle = "Tovi WallChanger";
constexpr unsigned long kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff;

class RotationWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    SessionOptions options;
    options.width = 800;
    options.height = 600;
    session = std::make_unique<Session>(options);
    session->SetEnv("TOVIWALL_TICK_MS", "500");
    std::filesystem::create_directories(session->Home() + "/pics");
    std::string list;
    for (const char* colour : {"red", "lime", "blue"}) {
      std::string file = session->Home() + "/pics/" + colour + ".png";
      ASSERT_EQ(session->Tool({"/usr/bin/convert", "-size", "40x30", std::string("xc:") + colour, file}).exitCode, 0)
          << "ImageMagick (/usr/bin/convert) makes the test images; scripts/setup installs it";
      list += file + "\r\n";
    }
    // The list order: blue, lime, red.
    std::filesystem::create_directories(std::filesystem::path(session->DefaultSettingsFile()).parent_path());
    WriteFile(ListFile(), list);
    dpy = XOpenDisplay(session->Display().c_str());
    ASSERT_TRUE(dpy);
  }
  void TearDown() override {
    if (dpy) XCloseDisplay(dpy);
  }

  std::string ListFile() const {
    std::string ini = session->DefaultSettingsFile();
    return ini.substr(0, ini.size() - 4) + ".lst";
  }
  void WriteProfile(const std::string& extra) {
    WriteFile(session->DefaultSettingsFile(), "[Option]\nImage Folder=" + session->Home() + "/pics\n" + extra);
  }

  unsigned long Corner() {
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), 2, 2, 1, 1, AllPlanes, ZPixmap);
    if (!image) return ~0ul;
    unsigned long pixel = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return pixel;
  }
  bool WaitCorner(unsigned long colour, int timeoutMs = 10000) {
    return WaitFor([&] { return Corner() == colour; }, timeoutMs);
  }
  int StoredIndex() { return IniReadInteger(session->DefaultSettingsFile(), "WallPaper", "CurrentIndex", -99); }
  // The desktop shows the entry a moment before its position is stored.
  bool WaitStoredIndex(int index) {
    return WaitFor([&] { return StoredIndex() == index; });
  }

  std::unique_ptr<Process> StartShown() {
    auto p = session->StartProgram();
    EXPECT_TRUE(WaitFor([&] { return Exists(session->RuntimeDir() + "/Tovi_WallChanger") || !p->Running(); }))
        << ReadFile(session->LastProgramLog());
    session->RunProgram();
    EXPECT_TRUE(WaitFor([&] { return session->WidgetRect("ButtonChange").has_value(); }));
    auto windows = session->FindWindows(kTitle, true);
    if (!windows.empty()) session->Xdotool({"windowfocus", "--sync", std::to_string(windows[0])});
    return p;
  }

  std::unique_ptr<Session> session;
  Display* dpy = nullptr;
};

TEST_F(RotationWindowTest, ChangeShowsEachEntryInTurnAndNoneIsFollowedByTheNext) {
  WriteProfile("");  // automatic changing on, every ten minutes
  auto p = StartShown();
  // Start-up applied the stored entry 0 (blue) again.
  ASSERT_TRUE(WaitCorner(kBlue)) << std::hex << Corner() << "\n" << ReadFile(session->LastProgramLog());

  std::vector<unsigned long> seen;
  for (unsigned long expected : {kGreen, kRed, kBlue}) {
    session->ClickWidget("ButtonChange");
    EXPECT_TRUE(WaitCorner(expected)) << std::hex << Corner();
    seen.push_back(Corner());
  }
  EXPECT_EQ(std::set<unsigned long>(seen.begin(), seen.end()).size(), 3u);
  EXPECT_TRUE(WaitStoredIndex(0)) << StoredIndex();

  // None clears the desktop; the next tick finds it and goes on to the next entry.
  // The ticks are short, so the bare desktop may be gone before it can be seen:
  // the desktop's own record of its wallpaper file tells both changes apart.
  Atom wallpaper = XInternAtom(dpy, "_TOVIWALL_Wallpaper", False);
  XSelectInput(dpy, DefaultRootWindow(dpy), PropertyChangeMask);
  XSync(dpy, False);
  session->ClickWidget("ButtonNone");
  EXPECT_TRUE(WaitFor([&] { return Corner() != kBlue; })) << std::hex << Corner();
  EXPECT_TRUE(WaitCorner(kGreen)) << std::hex << Corner();
  EXPECT_TRUE(WaitStoredIndex(1)) << StoredIndex();
  int changes = 0;
  while (XPending(dpy)) {
    XEvent event;
    XNextEvent(dpy, &event);
    if (event.type == PropertyNotify && event.xproperty.atom == wallpaper) ++changes;
  }
  EXPECT_GE(changes, 2) << "None and the entry after it";
  EXPECT_TRUE(p->Running());
}

TEST_F(RotationWindowTest, EnterOnARowThenNextAndPrevious) {
  WriteProfile("[WallPaper]\nCurrentIndex=1\n");
  auto p = StartShown();
  ASSERT_TRUE(WaitCorner(kGreen)) << ReadFile(session->LastProgramLog());
  session->ClickWidget("ListViewImage");  // below the rows: nothing selected
  session->Xdotool({"key", "--clearmodifiers", "End", "Return"});
  EXPECT_TRUE(WaitCorner(kRed));
  EXPECT_TRUE(WaitStoredIndex(2)) << StoredIndex();
  session->ClickWidget("ButtonNext");  // from the last row to the first
  EXPECT_TRUE(WaitCorner(kBlue));
  EXPECT_TRUE(WaitStoredIndex(0)) << StoredIndex();
  session->ClickWidget("ButtonPrevious");
  EXPECT_TRUE(WaitCorner(kRed));
}

TEST_F(RotationWindowTest, WithoutAValidIntervalTheWallpaperChangesAtEveryTick) {
  WriteProfile("Interval=70\n");
  auto p = session->StartProgram();
  std::set<unsigned long> seen;
  EXPECT_TRUE(WaitFor(
      [&] {
        seen.insert(Corner());
        return seen.count(kRed) && seen.count(kGreen) && seen.count(kBlue);
      },
      15000));
  EXPECT_EQ(IniReadInteger(session->DefaultSettingsFile(), "Option", "Interval", 0), -1);
}

}  // namespace
}  // namespace toviwall
