// The custom tray icon under a real tray host: the chooser on the program's own
// icons, an icon picked from a multi-image icon file in the tray, cancelling,
// going back to the built-in icon, and a position past the file's icons.
#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;

class CustomIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    RequireProgram("convert");
    session = std::make_unique<Session>(SessionOptions{.tray = true});
  }

  unsigned long TrayIcon() {
    unsigned long id = 0;
    WaitFor([&] {
      auto found = session->FindWindows("ToviWallIcon", true);
      if (!found.empty()) id = found.front();
      return id != 0;
    });
    return id;
  }
  // The icon window's pixels, three bytes each.
  std::string Pixels(unsigned long window) {
    return session
        ->MustTool({"bash", "-o", "pipefail", "-c", "xwd -silent -id \"$0\" | convert xwd:- rgb:-",
                    std::to_string(window)})
        .out;
  }
  // The share of the pixels that are exactly this colour.
  static double Share(const std::string& rgb, unsigned char r, unsigned char g, unsigned char b) {
    std::size_t hits = 0;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
      hits += rgb[i] == char(r) && rgb[i + 1] == char(g) && rgb[i + 2] == char(b);
    return rgb.empty() ? 0 : 3.0 * hits / rgb.size();
  }
  std::string Text(const std::string& widget) {
    auto r = session->WidgetRect(widget);
    return r ? r->text : "<" + widget + " not shown>";
  }
  std::string Icon(const char* key) { return IniReadString(session->DefaultSettingsFile(), "Icon", key, "-"); }
  bool OpenChooser() {
    session->ClickWidget("ButtonChangeIconTray");
    return WaitFor([&] { return session->WidgetRect("ListIcons").has_value(); });
  }

  std::unique_ptr<Session> session;
};

TEST_F(CustomIconTest, AnIconPickedFromAnIconFileShowsInTheTrayUntilTheBoxIsUnticked) {
  // Three positions: red 16, green 32 and blue 48 pixels square.
  const std::string ico = session->Root() / "my icons.ico";
  MustRun({"convert", "-size", "16x16", "xc:red", "-size", "32x32", "xc:lime", "-size", "48x48", "xc:blue", ico}, {});
  session->WriteProfile();
  auto p = session->StartReady();
  const unsigned long icon = TrayIcon();
  ASSERT_NE(icon, 0u);
  // Docked before it is painted: one colour, the tray's background, at first.
  std::string builtIn;
  ASSERT_TRUE(WaitFor([&] {
    builtIn = Pixels(icon);
    return builtIn.size() >= 3 && Share(builtIn, builtIn[0], builtIn[1], builtIn[2]) < 1.0;
  }));
  session->RunProgram();
  session->ClickWidget("PageControl.tab1");

  // No stored values: the program's own icons, at the first.
  ASSERT_TRUE(OpenChooser()) << ReadFile(session->LastProgramLog());
  EXPECT_EQ(Text("EditIconFile"), BinaryDir() + "/toviwall");
  EXPECT_EQ(Text("ListIcons"), "0");
  session->ClickWidget("ButtonIconCancel");
  ASSERT_TRUE(WaitFor([&] { return !session->WidgetRect("ListIcons").has_value(); }));
  EXPECT_EQ(Icon("UseCustomMainIcon"), "-");
  EXPECT_EQ(Icon("IconFile"), "-");
  EXPECT_EQ(Pixels(icon), builtIn);

  // The file's second icon, chosen with the keyboard.
  ASSERT_TRUE(OpenChooser());
  session->ClickWidget("EditIconFile");
  session->Xdotool({"key", "ctrl+a"});
  session->Xdotool({"type", "--delay", "5", ico});
  session->Xdotool({"key", "Return", "Tab", "Tab", "Right", "Return"});
  ASSERT_TRUE(WaitFor([&] { return !session->WidgetRect("ListIcons").has_value(); }));
  EXPECT_EQ(Icon("UseCustomMainIcon"), "1");
  EXPECT_EQ(Icon("IconFile"), ico);
  EXPECT_EQ(Icon("IconIdx"), "1");
  EXPECT_TRUE(WaitFor([&] { return Share(Pixels(icon), 0, 255, 0) > 0.5; })) << "the tray does not show green";
  EXPECT_TRUE(session->WidgetRect("ImageTray").has_value());
  EXPECT_FALSE(session->WidgetRect("ImageIcon").has_value());

  // Unticked: the built-in icon again; the choice stays stored.
  session->ClickWidget("CheckBoxCustomIcon");
  EXPECT_TRUE(WaitFor([&] { return Pixels(icon) == builtIn; }));
  EXPECT_EQ(Icon("UseCustomMainIcon"), "0");
  EXPECT_EQ(Icon("IconFile"), ico);
  EXPECT_EQ(Icon("IconIdx"), "1");

  // A position past the file's icons: ticked again, the tray shows NMAIN000 (the
  // built-in picture) without the chooser opening, and the values stay.
  IniWriteInteger(session->DefaultSettingsFile(), "Icon", "IconIdx", 7);
  session->ClickWidget("CheckBoxCustomIcon");
  EXPECT_TRUE(WaitFor([&] { return Icon("UseCustomMainIcon") == "1"; }));
  EXPECT_TRUE(WaitFor([&] { return session->WidgetRect("ImageTray").has_value(); }));
  EXPECT_EQ(Pixels(icon), builtIn);
  EXPECT_FALSE(session->WidgetRect("ListIcons").has_value());
  EXPECT_EQ(Icon("IconIdx"), "7");
}

TEST_F(CustomIconTest, SwitchedOnWithoutAFileTheChooserOpensOnceAtStartUp) {
  session->WriteProfile("[Icon]\nUseCustomMainIcon=1\n");
  auto p = session->StartProgram();
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("ListIcons").has_value(); }))
      << ReadFile(session->LastProgramLog());
  session->ClickWidget("ButtonIconCancel");
  // Cancelled, it does not come back; the option stays on.
  EXPECT_FALSE(WaitFor([&] { return session->WidgetRect("ListIcons").has_value(); }, 1500));
  EXPECT_EQ(Icon("UseCustomMainIcon"), "1");
  EXPECT_EQ(Icon("IconFile"), "-");
  EXPECT_TRUE(p->Running());
}

}  // namespace
}  // namespace toviwall
