// The tray icon under a real tray host (trayer): docking, the events real clicks
// fire, the hint, a restarted tray, the tray menu, the double-click, Exit and
// the About box.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "base/IniFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
constexpr const char* kTitle = "Tovi WallChanger";

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    session = std::make_unique<Session>(SessionOptions{.tray = true});
  }

  // The docked (visible) window of the tray icon named `name`; 0 when none shows.
  unsigned long Icon(const std::string& name, int timeoutMs = 10000) {
    unsigned long id = 0;
    WaitFor(
        [&] {
          auto found = session->FindWindows(name, true);
          if (!found.empty()) id = found.front();
          return !found.empty();
        },
        timeoutMs, 30);
    return id;
  }

  // Real pointer events on the icon at x, y of its window.
  void Click(unsigned long icon, int button, int x = 8, int y = 8, int repeat = 1) {
    std::vector<std::string> args{"mousemove", "--window", std::to_string(icon), std::to_string(x),
                                  std::to_string(y), "click"};
    if (repeat > 1) args.insert(args.end(), {"--repeat", std::to_string(repeat), "--delay", "60"});
    args.push_back(std::to_string(button));
    session->Xdotool(args);
  }

  // Moves onto the icon from elsewhere; answers the tool tip's text once it shows.
  std::string HoverHint(unsigned long icon, const std::string& tipName) {
    session->Xdotool({"mousemove", "640", "600"});
    WaitFor([&] { return !session->WidgetRect(tipName).has_value(); });
    session->Xdotool({"mousemove", "--window", std::to_string(icon), "5", "5"});
    session->Xdotool({"mousemove", "--window", std::to_string(icon), "9", "9"});
    std::string text;
    WaitFor([&] {
      auto r = session->WidgetRect(tipName);
      if (r) text = r->text;
      return r.has_value();
    });
    session->Xdotool({"mousemove", "640", "600"});
    return text;
  }

  bool OpenMenu(unsigned long icon) {
    Click(icon, 3);
    return WaitFor([&] { return session->WidgetRect("TBPopupMenu").has_value(); });
  }
  bool CloseMenu() {
    session->Xdotool({"key", "Escape"});
    return WaitFor([&] { return !session->WidgetRect("TBPopupMenu").has_value(); });
  }

  // The tray menu's items from top to bottom, with their captions.
  std::vector<std::pair<std::string, std::string>> MenuItems() {
    std::vector<std::pair<int, std::pair<std::string, std::string>>> rows;
    std::stringstream ss(ReadFile(session->WidgetMapFile()));
    std::string line;
    const std::string prefix = "TBPopupMenu.";
    while (std::getline(ss, line)) {
      if (line.rfind(prefix, 0) != 0) continue;
      std::stringstream ls(line);
      std::string name, text;
      int x, y, w, h;
      ls >> name >> x >> y >> w >> h;
      std::getline(ls, text);
      if (!text.empty() && text[0] == ' ') text.erase(0, 1);
      rows.push_back({y, {name.substr(prefix.size()), text}});
    }
    std::sort(rows.begin(), rows.end());
    std::vector<std::pair<std::string, std::string>> items;
    for (auto& r : rows) items.push_back(r.second);
    return items;
  }

  // Dark pixels in a screen rectangle, as the sum of darkness (0 white .. 1 black).
  double Ink(const std::string& shot, const Session::Rect& r) {
    RunResult result = session->MustTool({"/usr/bin/convert", shot, "-crop",
                                      std::to_string(r.width) + "x" + std::to_string(r.height) + "+" +
                                          std::to_string(r.x) + "+" + std::to_string(r.y),
                                      "+repage", "-colorspace", "Gray", "-format", "%[fx:mean]", "info:"});
    return (1.0 - std::stod(result.out)) * r.width * r.height;
  }

  // The raw pixels of a window.
  std::string Pixels(unsigned long window) {
    return session
        ->MustTool({"bash", "-o", "pipefail", "-c", "xwd -silent -id \"$0\" | /usr/bin/convert xwd:- rgb:-",
                    std::to_string(window)})
        .out;
  }

  std::unique_ptr<Process> StartRecorder(const std::string& hint) {
    Process::Options options;
    options.env = session->Environment();
    recorderLog = session->Root() / "recorder.log";
    options.logFile = recorderLog;
    return Process::Start({BinaryDir() + "/toviwall-tray-recorder", hint}, options);
  }

  // What the recorder has printed so far (pointer moves left out unless asked for).
  std::vector<std::string> Recorded(bool withMoves = false) {
    std::vector<std::string> events;
    std::stringstream ss(ReadFile(recorderLog));
    std::string line;
    while (std::getline(ss, line)) {
      if (line.rfind("event: ", 0) != 0) continue;
      line.erase(0, 7);
      if (line == "Ready" || line == "TrayCreated" || (line == "MouseMove" && !withMoves)) continue;
      events.push_back(line);
    }
    return events;
  }

  // The events an action makes the recorder print (waits for `count` of them).
  std::vector<std::string> EventsOf(const std::function<void()>& action, std::size_t count) {
    const std::size_t before = Recorded().size();
    action();
    WaitFor([&] { return Recorded().size() >= before + count; });
    auto all = Recorded();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(before, all.size())), all.end());
  }

  std::unique_ptr<Session> session;
  std::string recorderLog;
};

using Events = std::vector<std::string>;

TEST_F(TrayTest, RealClicksFireTheEventsInTheirOrder) {
  auto recorder = StartRecorder("Recorder");
  const unsigned long icon = Icon("ToviTrayRecorder");
  ASSERT_NE(icon, 0u) << ReadFile(recorderLog);
  // Clicks alternate between two points further apart than a double-click allows.
  EXPECT_EQ(EventsOf([&] { Click(icon, 1, 4, 4); }, 3), (Events{"MouseDown Left", "Click", "MouseUp Left"}));
  EXPECT_EQ(EventsOf([&] { Click(icon, 1, 16, 16, 2); }, 7),
            (Events{"MouseDown Left", "Click", "MouseUp Left", "DblClick", "MouseDown Left Double", "Click",
                    "MouseUp Left"}));
  EXPECT_EQ(EventsOf([&] { Click(icon, 3, 4, 4); }, 2), (Events{"MouseDown Right", "MouseUp Right"}));
  EXPECT_EQ(EventsOf([&] { Click(icon, 3, 16, 16, 2); }, 4),
            (Events{"MouseDown Right", "MouseUp Right", "MouseDown Right Double", "MouseUp Right"}));
  EXPECT_EQ(EventsOf([&] { Click(icon, 2, 4, 4); }, 2), (Events{"MouseDown Middle", "MouseUp Middle"}));
  EXPECT_EQ(EventsOf(
                [&] {
                  session->Xdotool({"keydown", "shift", "mousemove", "--window", std::to_string(icon), "16", "16",
                                    "click", "3", "keyup", "shift"});
                },
                2),
            (Events{"MouseDown Right Shift", "MouseUp Right Shift"}));
  // Moving over the icon reports the moves.
  const std::size_t moves = Recorded(true).size() - Recorded().size();
  session->Xdotool({"mousemove", "--window", std::to_string(icon), "10", "11"});
  EXPECT_TRUE(WaitFor([&] { return Recorded(true).size() - Recorded().size() > moves; }));
}

TEST_F(TrayTest, HintShowsItsFirst127Characters) {
  std::string hint;
  for (int i = 0; i < 200; ++i) hint += static_cast<char>('a' + i % 26);
  auto recorder = StartRecorder(hint);
  const unsigned long icon = Icon("ToviTrayRecorder");
  ASSERT_NE(icon, 0u) << ReadFile(recorderLog);
  EXPECT_EQ(HoverHint(icon, "ToviTrayRecorderHint"), hint.substr(0, 127));
}

TEST_F(TrayTest, RestartedTrayGetsTheIconBackWithTheSameImageAndHint) {
  session->WriteProfile();
  auto p = session->StartReady();
  unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u) << ReadFile(session->LastProgramLog());
  EXPECT_EQ(HoverHint(icon, "ToviWallIconHint"), kTitle);
  const std::string image = Pixels(icon);
  ASSERT_FALSE(image.empty());

  session->StopTray();
  EXPECT_TRUE(WaitFor([&] { return Icon("ToviWallIcon", 0) == 0; }));
  session->StartTray();
  icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u) << "not docked again";
  EXPECT_EQ(Pixels(icon), image);
  EXPECT_EQ(HoverHint(icon, "ToviWallIconHint"), kTitle);
  EXPECT_TRUE(p->Running());
}

TEST_F(TrayTest, TrayStartingAfterTheProgramGetsTheIcon) {
  session->StopTray();
  session->WriteProfile();
  auto p = session->StartReady();
  EXPECT_EQ(Icon("ToviWallIcon", 300), 0u);
  session->StartTray();
  EXPECT_NE(Icon("ToviWallIcon"), 0u);
}

TEST_F(TrayTest, WithoutATrayTheMainWindowShowsWithAWayOut) {
  session->StopTray();
  session->WriteProfile("[Dialogs]\nDontShowExitDialog=1\n");
  auto p = session->StartReady();
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true)) << ReadFile(session->LastProgramLog());
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("LabelNoTray").has_value(); }));
  auto notice = session->WidgetRect("LabelNoTray");
  EXPECT_NE(notice->text.find("start Tovi WallChanger again"), std::string::npos) << notice->text;
  session->ClickWidget("ButtonExit");
  EXPECT_EQ(p->Wait(10000), std::optional<int>(0));
}

TEST_F(TrayTest, RightButtonPressOpensTheMenu) {
  session->WriteProfile();
  auto p = session->StartReady();
  const unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u);
  // The press alone opens it; the release that follows leaves it open. (Its
  // items and captions are checked offscreen.)
  session->Xdotool({"mousemove", "--window", std::to_string(icon), "8", "8", "mousedown", "3"});
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("TBPopupMenu").has_value(); }))
      << ReadFile(session->LastProgramLog());
  session->Xdotool({"mouseup", "3"});
  ASSERT_FALSE(MenuItems().empty());
  EXPECT_EQ(MenuItems().front().first, "ActionShowMainWindow");
  EXPECT_TRUE(CloseMenu());
}

TEST_F(TrayTest, DefaultItemIsDrawnBoldAndFollowsTheDoubleClickChoice) {
  // The same menu three times; only the choice differs.
  const char* const choices[] = {
      "",  // none stored: show the main window
      "DblClickShowMainWin=0\nDblClickToChange=1\n",
      "DblClickShowMainWin=0\nDblClickScrSave=1\n",
  };
  const char* const items[] = {"TBPopupMenu.ActionShowMainWindow", "TBPopupMenu.ActionChange",
                               "TBPopupMenu.ActionActivateScreenSave"};
  double ink[3][3];
  for (int c = 0; c < 3; ++c) {
    session->WriteProfile(choices[c]);
    auto p = session->StartReady();
    const unsigned long icon = Icon("ToviWallIcon");
    ASSERT_NE(icon, 0u);
    ASSERT_TRUE(OpenMenu(icon));
    const std::string shot = session->Root() / ("menu" + std::to_string(c) + ".png");
    session->Screenshot(shot);
    for (int i = 0; i < 3; ++i) {
      auto rect = session->WidgetRect(items[i]);
      ASSERT_TRUE(rect.has_value()) << items[i];
      ink[c][i] = Ink(shot, *rect);
    }
    p->Signal(SIGTERM);
    ASSERT_TRUE(p->Wait(10000).has_value());
    std::filesystem::remove(session->WidgetMapFile());
  }
  // Each item is darker (bold) exactly when it is the default.
  for (int c = 0; c < 3; ++c) {
    for (int other = 0; other < 3; ++other) {
      if (other == c) continue;
      EXPECT_GT(ink[c][c], ink[other][c] * 1.05) << "item " << c << " against choice " << other;
    }
  }
}

TEST_F(TrayTest, DoubleClickShowsAndHidesTheMainWindow) {
  session->WriteProfile();
  auto p = session->StartReady();
  const unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u);
  Click(icon, 1, 8, 8, 2);
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
  Click(icon, 1, 8, 8, 2);
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
}

TEST_F(TrayTest, WithChangeChosenTheDoubleClickAndTheHotKeyChangeTheWallpaper) {
  std::string list;
  for (const char* colour : {"red", "blue"}) {
    const std::string file = session->Home() + "/" + colour + ".png";
    ASSERT_EQ(session->Tool({"/usr/bin/convert", "-size", "32x24", std::string("xc:") + colour, file}).exitCode, 0);
    list += file + "\r\n";
  }
  session->WriteProfile("DblClickShowMainWin=0\nDblClickToChange=1\n[Hotkey]\nChangeWallMod=3\nChangeWallVir=67\n");
  const std::string ini = session->DefaultSettingsFile();
  WriteFile(ini.substr(0, ini.size() - 4) + ".lst", list);
  auto index = [&] { return IniReadInteger(ini, "WallPaper", "CurrentIndex", -99); };
  auto p = session->StartReady();
  const unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u);
  const int first = index();
  Click(icon, 1, 8, 8, 2);
  EXPECT_TRUE(WaitFor([&] { return index() != first; })) << ReadFile(session->LastProgramLog());
  EXPECT_FALSE(session->WindowVisible(kTitle)) << "the double-click showed the main window";
  const int second = index();
  session->Xdotool({"key", "ctrl+alt+c"});  // 3/67: Ctrl+Alt+C changes the wallpaper
  EXPECT_TRUE(WaitFor([&] { return index() != second; }));
}

// Pictures a.png, b.png, c.png (in the list's order) and a profile with `extra`.
std::vector<std::string> ThreePictures(Session& session, const std::string& extra) {
  std::vector<std::string> files;
  std::string list;
  for (const char* name : {"a", "b", "c"}) {
    files.push_back(session.Home() + "/" + name + ".png");
    CopyTestPicture(files.back());
    list += files.back() + "\r\n";
  }
  session.WriteProfile(extra);
  const std::string ini = session.DefaultSettingsFile();
  WriteFile(ini.substr(0, ini.size() - 4) + ".lst", list);
  return files;
}

TEST_F(TrayTest, NextAndPreviousFromTheMenuAndTheirHotKeys) {
  ThreePictures(*session, "[Hotkey]\nNextWallMod=3\nNextWallVir=78\nPrevWallMod=3\nPrevWallVir=80\n");
  const std::string ini = session->DefaultSettingsFile();
  auto index = [&] { return IniReadInteger(ini, "WallPaper", "CurrentIndex", 0); };  // none stored: the first
  auto p = session->StartReady();
  const unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u);
  for (auto [item, expected] : {std::pair{"TBPopupMenu.ActionNextWallpaper", 1}, {"TBPopupMenu.ActionPreviousWallpaper", 0}}) {
    ASSERT_TRUE(OpenMenu(icon));
    session->ClickWidget(item);
    EXPECT_TRUE(WaitFor([&] { return index() == expected; })) << item << ": " << index();
  }
  session->Xdotool({"key", "ctrl+alt+p"});  // from the first row back to the last
  EXPECT_TRUE(WaitFor([&] { return index() == 2; })) << ReadFile(session->LastProgramLog());
  session->Xdotool({"key", "ctrl+alt+n"});
  EXPECT_TRUE(WaitFor([&] { return index() == 0; }));
  EXPECT_FALSE(session->WindowVisible(kTitle));
}

TEST_F(TrayTest, MoveToTrashAsksThenTrashesTheCurrentPictureAndShowsTheNext) {
  const std::vector<std::string> files = ThreePictures(*session, "");
  const std::string ini = session->DefaultSettingsFile();
  const std::string list = ini.substr(0, ini.size() - 4) + ".lst";
  const std::string trash = session->Home() + "/.local/share/Trash";
  auto p = session->StartReady();
  const unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u);
  ASSERT_TRUE(OpenMenu(icon));
  session->ClickWidget("TBPopupMenu.ActionMoveToTrash");
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true)) << "no question";
  session->Xdotool({"windowfocus", "--sync", std::to_string(session->FindWindows(kTitle, true).at(0))});
  session->Xdotool({"key", "alt+y"});
  ASSERT_TRUE(WaitFor([&] { return Exists(trash + "/files/a.png"); })) << ReadFile(session->LastProgramLog());
  EXPECT_FALSE(Exists(files[0]));
  const std::string info = ReadFile(trash + "/info/a.png.trashinfo");
  EXPECT_EQ(info.substr(0, info.find("DeletionDate=")), "[Trash Info]\nPath=" + files[0] + "\n") << info;
  EXPECT_TRUE(WaitFor([&] { return ReadFile(list) == files[1] + "\r\n" + files[2] + "\r\n"; })) << ReadFile(list);
  const std::string status = session->MustTool({BinaryDir() + "/toviwall", "--status"}).out;
  EXPECT_NE(status.find("wallpaper=" + files[1] + "\n"), std::string::npos) << status;
  EXPECT_NE(status.find("shown=yes\n"), std::string::npos) << status;
  EXPECT_TRUE(p->Running());
}

TEST_F(TrayTest, ExitWithTheQuestionSwitchedOffEndsAtOnce) {
  session->WriteProfile("[Dialogs]\nDontShowExitDialog=1\n");
  auto p = session->StartReady();
  const unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u);
  ASSERT_TRUE(OpenMenu(icon));
  session->Xdotool({"key", "x"});  // E&xit
  EXPECT_EQ(p->Wait(10000), std::optional<int>(0));
  EXPECT_FALSE(Exists(session->RuntimeDir() + "/Tovi_WallChanger"));
}

TEST_F(TrayTest, ExitQuestionAnsweredNoKeepsRunningAndStoresItsCheckBox) {
  session->WriteProfile("[Dialogs]\nDontShowExitDialog=0\n");
  auto p = session->StartReady();
  const unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u);
  ASSERT_TRUE(OpenMenu(icon));
  session->Xdotool({"key", "x"});
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true)) << "no question";  // the main window stays hidden
  auto question = session->FindWindows(kTitle, true).at(0);
  session->Xdotool({"windowfocus", "--sync", std::to_string(question)});
  session->Xdotool({"key", "alt+d"});  // "&Don't show this message again"
  session->Xdotool({"key", "alt+n"});  // "&No"
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
  EXPECT_TRUE(WaitFor([&] {
    return IniReadInteger(session->DefaultSettingsFile(), "Dialogs", "DontShowExitDialog", 0) == 1;
  }));
  EXPECT_TRUE(p->Running());
  // The ticked box holds from now on: the next Exit asks nothing.
  ASSERT_TRUE(OpenMenu(icon));
  session->Xdotool({"key", "x"});
  EXPECT_EQ(p->Wait(10000), std::optional<int>(0));
}

TEST_F(TrayTest, WhileAboutIsOpenTheTrayOnlyBringsItToTheFront) {
  session->WriteProfile();
  auto p = session->StartReady();
  const unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u);
  session->RunProgram();
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true));
  session->ClickWidget("ButtonAbout");
  ASSERT_TRUE(session->WaitWindowVisible("About Tovi WallChanger", true));
  const std::string about = std::to_string(session->FindWindows("About Tovi WallChanger", true).at(0));
  auto panels = session->SearchWindows({"--onlyvisible", "--class", "trayer"});
  ASSERT_FALSE(panels.empty());
  const std::string panel = std::to_string(panels.front());
  auto focused = [&] {
    std::string out = session->Xdotool({"getwindowfocus"}).out;
    return out.substr(0, out.find('\n'));
  };
  for (int repeat : {1, 2}) {  // a right click, then a double-click
    session->Xdotool({"windowfocus", "--sync", panel});
    ASSERT_NE(focused(), about);
    // The program has noticed that its About box lost the keyboard.
    ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("ActiveWindow").value_or(Session::Rect{}).text != "AboutBox"; }));
    Click(icon, repeat == 1 ? 3 : 1, 8, 8, repeat);
    EXPECT_TRUE(WaitFor([&] { return focused() == about; })) << "the About box did not come to the front";
    EXPECT_FALSE(session->WidgetRect("TBPopupMenu").has_value()) << "a menu opened";
    EXPECT_TRUE(session->WindowVisible(kTitle)) << "the main window was toggled";
  }
}

TEST_F(TrayTest, ExitWithAnUnwritableListSaysSoAndEnds) {
  session->WriteProfile("[Dialogs]\nDontShowExitDialog=1\n");
  const std::string ini = session->DefaultSettingsFile();
  const std::string list = ini.substr(0, ini.size() - 4) + ".lst";
  // The empty list is filled from the image folder; Exit waits for that batch.
  const std::string picture = session->Home() + "/red.png";
  ASSERT_EQ(session->Tool({"/usr/bin/convert", "-size", "8x8", "xc:red", picture}).exitCode, 0);
  auto p = session->StartReady();
  const unsigned long icon = Icon("ToviWallIcon");
  ASSERT_NE(icon, 0u);
  ASSERT_TRUE(WaitFor([&] { return Exists(list) && ReadFile(list).find(picture) != std::string::npos; }));
  std::filesystem::permissions(list, std::filesystem::perms::owner_read);
  ASSERT_TRUE(OpenMenu(icon));
  session->ClickWidget("TBPopupMenu.TBItemExit");
  // The user is there: a box says what was not saved, then the program ends.
  ASSERT_TRUE(session->WaitWindowVisible(kTitle, true)) << "no box: " << ReadFile(session->LastProgramLog());
  session->Xdotool({"windowfocus", "--sync", std::to_string(session->FindWindows(kTitle, true).at(0))});
  session->Xdotool({"key", "Return"});
  EXPECT_EQ(p->Wait(10000), std::optional<int>(0)) << ReadFile(session->LastProgramLog());
  EXPECT_NE(ReadFile(session->LastProgramLog()).find(list), std::string::npos);
}

}  // namespace
}  // namespace toviwall
