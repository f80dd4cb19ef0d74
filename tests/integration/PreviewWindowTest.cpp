// The preview window in the real program: beside the main window from the
// start and following it; the check box making and destroying it; the selected
// entry's picture, name and size, in the texts of a translation file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "base/IniFile.h"
#include "image/BitmapFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
constexpr const char* kTitle = "Tovi WallChanger";

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    RequireProgram("trayer");
    // With a tray the main window keeps its size (without one it grows by a notice).
    SessionOptions options;
    options.tray = true;
    session = std::make_unique<Session>(options);
    const std::string pics = session->Home() + "/pics";
    std::filesystem::create_directories(pics);
    a = pics + "/a.bmp", b = pics + "/b.png", c = pics + "/c.bmp";
    SaveBitmapFile(Bitmap24(40, 30, 200, 0, 0), a);
    std::filesystem::copy_file(SourceDir() + "/tests/data/pngsuite/basn2c08.png", b);
    SaveBitmapFile(Bitmap24(64, 16, 0, 200, 0), c);
    session->WriteProfile("AutoChangeWallpaper=0\n");
    const std::string ini = session->DefaultSettingsFile();
    WriteFile(ini.substr(0, ini.size() - 4) + ".lst", a + "\r\n" + b + "\r\n" + c + "\r\n");
  }

  void Start(bool showPreview, const std::string& cwd = {}) {
    IniWriteBool(session->DefaultSettingsFile(), "Option", "ShowPreview", showPreview);
    program = session->StartReady({}, cwd);
    ShowMainWindow(cwd);
  }
  void ShowMainWindow(const std::string& cwd = {}) {
    session->RunProgram({}, cwd);  // a later start shows the main window
    ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("MainForm").has_value(); }));
    // No window manager gives it the keyboard.
    session->Xdotool({"windowfocus", "--sync", std::to_string(session->FindWindows(kTitle, true).at(0))});
  }
  std::string Text(const std::string& widget) const {
    auto r = session->WidgetRect(widget);
    return r ? r->text : "(not shown)";
  }
  bool Shown() const { return session->WidgetRect("PreviewForm").has_value(); }
  // Against the main window's right edge, with its top and its height.
  bool Docked() const {
    auto main = session->WidgetRect("MainForm"), preview = session->WidgetRect("PreviewForm");
    return main && preview && preview->x == main->x + main->width && preview->y == main->y &&
           preview->height == main->height;
  }
  // The three lines under the picture, from the translation file.
  bool Describes(const std::string& name, int width, int height) const {
    return Text("LabelFileName") == "Dateiname: " + name &&
           Text("LabelImageWidth") == "Bildbreite: " + std::to_string(width) + " Pixel" &&
           Text("LabelImageHeight") == "Bildhöhe: " + std::to_string(height) + " Pixel";
  }
  std::string Lines() const {
    return Text("LabelFileName") + " | " + Text("LabelImageWidth") + " | " + Text("LabelImageHeight");
  }
  void Keys(const std::string& keys) const { session->Xdotool({"key", "--clearmodifiers", keys}); }

  std::unique_ptr<Session> session;
  std::string a, b, c;
  std::unique_ptr<Process> program;
};

TEST_F(PreviewWindowTest, ShownBesideTheMainWindowFromTheStartAndFollowingIt) {
  Start(true);
  ASSERT_TRUE(WaitFor([&] { return Docked(); })) << ReadFile(session->WidgetMapFile());
  // The entry that start-up made the wallpaper is the selected one.
  EXPECT_TRUE(WaitFor([&] { return Text("LabelFileName") == "File name: a.bmp"; })) << Text("LabelFileName");
  EXPECT_EQ(Text("LabelImageWidth"), "Image width: 40 pixel");
  EXPECT_EQ(Text("LabelImagePreview"), "Tovi WallChanger Image Preview:");

  session->Xdotool({"windowmove", std::to_string(session->FindWindows(kTitle, true).at(0)), "130", "90"});
  EXPECT_TRUE(WaitFor([&] { return session->WidgetRect("MainForm")->x == 130 && Docked(); }))
      << ReadFile(session->WidgetMapFile());

  // OK hides both windows; showing the main window brings the preview back.
  session->ClickWidget("ButtonOK");
  EXPECT_TRUE(WaitFor([&] { return !Shown() && !session->WidgetRect("MainForm"); }));
  ShowMainWindow();
  EXPECT_TRUE(WaitFor([&] { return Docked(); })) << ReadFile(session->WidgetMapFile());
}

TEST_F(PreviewWindowTest, TheBoxMakesANewWindowThatFollowsTheSelection) {
  const std::string folder = session->Root() / "cwd";
  std::filesystem::create_directories(folder);
  WriteFile(folder + "/WallLang.lng",
            "10006=Bildvorschau:\n10007=Bildinformationen:\n10008=Dateiname: %s\n10009=Bildbreite: %d Pixel\n"
            "10010=Bildhöhe: %d Pixel\n10019=Vorschaufenster zeigen\n");
  Start(false, folder);
  EXPECT_EQ(Text("CheckBoxShowPreview"), "Vorschaufenster zeigen");
  EXPECT_FALSE(Shown());
  // The last row, then the box.
  session->ClickWidget("ListViewImage");
  Keys("End");
  session->ClickWidget("CheckBoxShowPreview");
  ASSERT_TRUE(WaitFor([&] { return Docked() && Describes("c.bmp", 64, 16); })) << Lines();
  EXPECT_EQ(Text("LabelImagePreview"), "Tovi WallChanger Bildvorschau:");
  EXPECT_EQ(Text("LabelImageInfo"), "Bildinformationen:");
  EXPECT_TRUE(IniReadBool(session->DefaultSettingsFile(), "Option", "ShowPreview", false));

  // Unticked it goes; ticked again a new window shows the selected entry.
  session->ClickWidget("CheckBoxShowPreview");
  ASSERT_TRUE(WaitFor([&] { return !Shown(); }));
  EXPECT_FALSE(IniReadBool(session->DefaultSettingsFile(), "Option", "ShowPreview", true));
  session->ClickWidget("CheckBoxShowPreview");
  ASSERT_TRUE(WaitFor([&] { return Docked() && Describes("c.bmp", 64, 16); })) << Lines();

  // Walking up the list with the keys.
  session->ClickWidget("ListViewImage");  // below the rows: no row selected
  Keys("End");
  Keys("Up");
  EXPECT_TRUE(WaitFor([&] { return Describes("b.png", 32, 32); })) << Lines();
  // A file deleted meanwhile changes nothing.
  std::filesystem::remove(a);
  Keys("Up");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(Describes("b.png", 32, 32)) << Lines();
  EXPECT_FALSE(session->WidgetRect("ErrorBox").has_value()) << "a missing file is no error";
}

}  // namespace
}  // namespace toviwall
