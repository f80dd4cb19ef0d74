// The tray icon in xfce4-panel 4.18, whose systray plugin hosts XEmbed icons
// and StatusNotifierItems alike, on a private X server and session bus: an icon
// with a menu is a StatusNotifierItem there (and never also an XEmbed icon),
// follows the panel when it starts late or again, answers real clicks with the
// double-click action once, and its menu shows and runs in the panel. An icon
// without a menu stays an XEmbed icon.
#include <gtest/gtest.h>

#include <filesystem>

#include "DesktopPeers.h"
#include "support/TrayClient.h"

namespace toviwall {
namespace {

using namespace test;

// One panel at the top of the screen, holding only the tray: the first icon
// sits at its left end.
constexpr char kPanelConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="30"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)";
constexpr int kIconX = 12, kIconY = 15;

class XfcePanelTrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xfce4-panel");
    const std::string channels = peer.S().ConfigHome() + "/xfce4/xfconf/xfce-perchannel-xml";
    std::filesystem::create_directories(channels);
    WriteFile(channels + "/xfce4-panel.xml", kPanelConfig);
    client = std::make_unique<TrayClient>(peer.Environment().at("DBUS_SESSION_BUS_ADDRESS"));
  }

  Process& StartPanel() {
    Process& panel = peer.Start({"xfce4-panel", "--disable-wm-check"});
    EXPECT_TRUE(WaitFor([&] { return client->WatcherRunning(); }))
        << ReadFile(peer.S().Root() / "xfce4-panel.log");
    return panel;
  }
  Process& StartRecorder(const std::vector<std::string>& args) {
    std::vector<std::string> argv{BinaryDir() + "/toviwall-tray-recorder"};
    argv.insert(argv.end(), args.begin(), args.end());
    return peer.Start(argv);
  }
  std::string RecorderLog() { return peer.S().Root() / "toviwall-tray-recorder.log"; }
  std::string Log() { return ReadFile(RecorderLog()); }
  std::size_t Count(const std::string& event) { return Recorded(RecorderLog(), event); }
  // The XEmbed icon's window, docked or not.
  bool XEmbedWindow() { return !peer.S().SearchWindows({"--name", "^ToviTrayRecorder$"}).empty(); }
  DesktopPeer peer;
  std::unique_ptr<TrayClient> client;
};

TEST_F(XfcePanelTrayTest, AnIconWithAMenuIsAStatusNotifierItemOnly) {
  // Started before any tray: it waits, then follows the panel there.
  Process& recorder = StartRecorder({"--menu", "Tip & <b>tag</b>"});
  ASSERT_TRUE(WaitFor([&] { return Log().find("event: Ready") != std::string::npos; })) << Log();
  // (The pointer rests where the icon comes: GTK takes a click only after the
  // pointer has entered its window.)
  peer.S().Xdotool({"mousemove", std::to_string(kIconX), std::to_string(kIconY)});
  Process* panel = &StartPanel();
  std::optional<QString> item;
  ASSERT_TRUE(WaitFor([&] { return (item = client->ItemOf(recorder.Pid())).has_value(); }))
      << Log();
  EXPECT_TRUE(WaitFor([&] { return !XEmbedWindow(); })) << "the icon is also an XEmbed icon";
  // The panel draws it once it has read it.
  ASSERT_TRUE(WaitFor([&] { return peer.PixelsUnlike(kIconX - 8, kIconY - 8, 16, 16, peer.Pixel(600, kIconY)) > 50; }));
  EXPECT_EQ(client->ItemProperty(*item, QStringLiteral("Id")).toString(), QStringLiteral("ToviTrayRecorder"));
  EXPECT_EQ(qdbus_cast<platform::SniToolTip>(client->ItemProperty(*item, QStringLiteral("ToolTip"))).title,
            QStringLiteral("Tip & <b>tag</b>"));
  const auto images = qdbus_cast<platform::SniImages>(client->ItemProperty(*item, QStringLiteral("IconPixmap")));
  ASSERT_FALSE(images.isEmpty());
  EXPECT_EQ(images.front().pixels.size(), images.front().width * images.front().height * 4);

  // Real clicks: the panel calls Activate once for a click, twice for a double click.
  peer.S().Xdotool({"click", "1"});
  EXPECT_TRUE(DoubleClickActions(RecorderLog(), 1));
  peer.S().Xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
  EXPECT_TRUE(DoubleClickActions(RecorderLog(), 2));
  client->Activate(*item, 3);
  EXPECT_TRUE(DoubleClickActions(RecorderLog(), 3));

  // The panel opens the menu itself, asking the program first.
  peer.S().Xdotool({"click", "3"});
  EXPECT_TRUE(WaitFor([&] { return Count("AboutToShow") == 1; })) << ReadFile(peer.S().Root() / "xfce4-panel.log");
  peer.Screenshot("xfce-panel-menu");
  peer.S().Xdotool({"key", "Escape"});
  EXPECT_EQ(Describe(client->Layout(*item)),
            "_Change Wallpaper default\nOpened 1 times\n[x] Auto__Change\nDisabled off\n---\nDisplay Mode\n"
            "  ( ) 640x480\n  (o) 800x600\nE_xit & Quit icon\n");
  EXPECT_TRUE(client->AboutToShow(*item, 0));  // its captions changed
  const auto layout = client->Layout(*item);
  client->Click(*item, IdOf(layout, QStringLiteral("Opened 2 times")));
  client->Click(*item, IdOf(layout, QStringLiteral("800x600")));
  client->Click(*item, IdOf(layout, QStringLiteral("Disabled")));
  EXPECT_TRUE(WaitFor([&] { return Count("Menu 800x600") == 1; }));
  EXPECT_EQ(Count("Menu Opened"), 1u);
  EXPECT_EQ(Count("Menu Disabled"), 0u);

  // A panel that starts again knows no items: it gets ours again.
  panel->Kill();
  ASSERT_TRUE(WaitFor([&] { return !client->WatcherRunning(); }));
  panel = &StartPanel();
  EXPECT_TRUE(WaitFor([&] { return client->ItemOf(recorder.Pid()).has_value(); }));
  EXPECT_FALSE(XEmbedWindow());
}

TEST_F(XfcePanelTrayTest, AnIconWithoutAMenuStaysAnXEmbedIcon) {
  StartPanel();
  Process& recorder = StartRecorder({});
  EXPECT_TRUE(WaitFor([&] { return XEmbedWindow(); }));
  EXPECT_FALSE(client->ItemOf(recorder.Pid()).has_value());
}

}  // namespace
}  // namespace toviwall
