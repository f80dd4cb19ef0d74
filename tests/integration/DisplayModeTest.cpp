// The "Display Mode" menu and the keep-or-revert question on an X server that
// really switches modes (Xorg with the dummy driver): the tree of the display's
// modes, the marks on the mode on screen, a switch kept with OK, reverted by
// Cancel, Enter, closing or waiting, and the tree following a change made by
// another program.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>

#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;

// In the order the driver lists them (it adds a few standard modes of its own).
const std::vector<std::string> kModelines = {
    "\"1024x768\" 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync",     // 60.00
    "\"800x600\" 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync",         // 60.32
    "\"800x600_75\" 49.50 800 816 896 1056 600 601 604 625 +hsync +vsync",      // 75.00
    "\"800x600_60b\" 38.22 800 832 912 1024 600 601 604 622 -hsync +vsync",     // 60.01: the same leaf
    "\"640x480\" 25.175 640 656 752 800 480 490 492 525 -hsync -vsync",         // 59.94
    "\"640x400\" 25.175 640 656 752 800 400 412 414 449 -hsync +vsync",         // too low
    "\"512x384\" 20.00 512 528 592 640 384 385 388 400 -hsync -vsync",          // too small
};

class DisplayModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    RequireProgram("xrandr");
    session = std::make_unique<Session>(SessionOptions{.tray = true, .xorgConfig = DummyXorgConfig(kModelines, 1024, 768)});
    // 20 steps of 0.4 s: time to answer, and a wait that ends soon.
    session->SetEnv("TOVIWALL_CONFIRM_TICK_MS", "400");
    session->WriteProfile();
    program = session->StartReady();
    WaitFor([&] { return !session->FindWindows("ToviWallIcon", true).empty(); });
    ASSERT_FALSE(session->FindWindows("ToviWallIcon", true).empty()) << ReadFile(session->LastProgramLog());
  }

  // "800x600 60.32": the output's mode name and rate as xrandr shows them.
  std::string Current() {
    std::stringstream ss(session->MustTool({"xrandr"}).out);
    std::string line;
    while (std::getline(ss, line)) {
      std::stringstream ls(line);
      std::string name, rate;
      ls >> name;
      while (ls >> rate)
        if (rate.find('*') != std::string::npos) return name + " " + rate.substr(0, rate.find('*'));
    }
    return "";
  }
  bool WaitCurrent(const std::string& mode) {
    return WaitFor([&] { return Current() == mode; }, 15000, 100);
  }

  // The items of the shown menu `menu` from top to bottom: object name, caption
  // and "#" when the item carries both the check and the default mark.
  struct Item {
    std::string name, caption;
    bool marked;
  };
  std::vector<Item> Items(const std::string& menu) {
    std::vector<std::pair<int, Item>> rows;
    std::set<std::string> checked, defaulted;
    std::stringstream ss(ReadFile(session->WidgetMapFile()));
    std::string line;
    while (std::getline(ss, line)) {
      std::string mark;
      if (auto colon = line.find(':'); colon != std::string::npos && colon < line.find(' ')) {
        mark = line.substr(0, colon);
        line.erase(0, colon + 1);
      }
      if (line.rfind(menu + ".", 0) != 0) continue;
      std::stringstream ls(line);
      std::string key, text;
      int x, y, w, h;
      ls >> key >> x >> y >> w >> h;
      std::getline(ls, text);
      if (!text.empty() && text[0] == ' ') text.erase(0, 1);
      const std::string name = key.substr(menu.size() + 1);
      if (mark == "checked") checked.insert(name);
      if (mark == "default") defaulted.insert(name);
      if (mark.empty()) rows.push_back({y, Item{name, text, false}});
    }
    std::sort(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<Item> items;
    for (auto& [y, item] : rows) {
      item.marked = checked.count(item.name) && defaulted.count(item.name);
      if (checked.count(item.name) != defaulted.count(item.name)) item.caption += " (only one mark)";
      items.push_back(item);
    }
    return items;
  }

  // Points at the item; waits until the submenu it opens shows its items.
  void OpenSubmenu(const std::string& menu, const std::string& item) {
    auto r = session->WidgetRect(menu + "." + item);
    ASSERT_TRUE(r.has_value()) << menu << "." << item;
    session->Xdotool({"mousemove", std::to_string(r->x + r->width / 2), std::to_string(r->y + r->height / 2)});
    ASSERT_TRUE(WaitFor([&] { return !Items(item).empty(); })) << "submenu " << item << " did not open";
  }

  void OpenDisplayModeMenu() {
    CloseMenus();
    const unsigned long icon = session->FindWindows("ToviWallIcon", true).at(0);
    session->Xdotool({"mousemove", "--window", std::to_string(icon), "8", "8", "click", "3"});
    ASSERT_TRUE(WaitFor([&] { return !Items("TBPopupMenu").empty(); }));
    OpenSubmenu("TBPopupMenu", "TBSubmenuItemDisplay");
    OpenSubmenu("TBSubmenuItemDisplay", "TBItemDisplayMode");
  }
  void CloseSubmenu(const std::string& menu) {
    session->Xdotool({"key", "Escape"});
    EXPECT_TRUE(WaitFor([&] { return Items(menu).empty(); })) << menu << " stays open";
  }
  void CloseMenus() {
    for (int i = 0; i < 4 && session->WidgetRect("TBPopupMenu"); ++i) {
      session->Xdotool({"key", "Escape"});
      WaitFor([&] { return !session->WidgetRect("TBPopupMenu").has_value(); }, 500);
    }
  }

  // The whole tree, one line per item, indented by level; "#" marks.
  std::string Tree() {
    OpenDisplayModeMenu();
    std::string out;
    for (const Item& resolution : Items("TBItemDisplayMode")) {
      out += resolution.caption + (resolution.marked ? " #" : "") + "\n";
      OpenSubmenu("TBItemDisplayMode", resolution.name);
      for (const Item& depth : Items(resolution.name)) {
        out += "  " + depth.caption + (depth.marked ? " #" : "") + "\n";
        OpenSubmenu(resolution.name, depth.name);
        for (const Item& rate : Items(depth.name)) out += "    " + rate.caption + (rate.marked ? " #" : "") + "\n";
        CloseSubmenu(depth.name);
      }
      // A submenu at the screen's edge may lie over the next items.
      CloseSubmenu(resolution.name);
    }
    CloseMenus();
    return out;
  }

  // Chooses the leaf and waits for the question.
  void Choose(const std::string& resolution, const std::string& rate) {
    OpenDisplayModeMenu();
    const std::string level1 = "DisplayMode_" + resolution, level2 = level1 + "_24";
    OpenSubmenu("TBItemDisplayMode", level1);
    OpenSubmenu(level1, level2);
    session->ClickWidget(level2 + "." + level2 + "_" + rate);
    ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("FormConfirm").has_value(); }))
        << "no question; the program said:\n"
        << ReadFile(session->LastProgramLog());
  }
  bool QuestionGone() {
    return WaitFor([&] { return !session->WidgetRect("FormConfirm").has_value(); }, 15000);
  }

  std::unique_ptr<Session> session;
  std::unique_ptr<Process> program;
};

TEST_F(DisplayModeTest, TheTreeListsTheUsableModesAndMarksTheModeOnScreenAlsoAfterAnotherProgramSwitched) {
  ASSERT_EQ(Current(), "1024x768 60.00");
  const std::string expected =
      "1024 * 768 #\n  24 bits #\n    60 Hz #\n"
      "1024 * 576\n  24 bits\n    60 Hz\n"
      "832 * 624\n  24 bits\n    75 Hz\n"
      "960 * 540\n  24 bits\n    60 Hz\n"
      "800 * 600\n  24 bits\n    75 Hz\n    60 Hz\n"
      "864 * 486\n  24 bits\n    60 Hz\n"
      "640 * 480\n  24 bits\n    60 Hz\n";
  EXPECT_EQ(Tree(), expected);

  session->MustTool({"xrandr", "--output", "DUMMY0", "--mode", "800x600_75"});
  std::string moved = expected;
  for (auto [from, to] : {std::pair<std::string, std::string>{"1024 * 768 #\n  24 bits #\n    60 Hz #\n",
                                                              "1024 * 768\n  24 bits\n    60 Hz\n"},
                          {"800 * 600\n  24 bits\n    75 Hz\n", "800 * 600 #\n  24 bits #\n    75 Hz #\n"}})
    moved.replace(moved.find(from), from.size(), to);
  EXPECT_TRUE(WaitFor([&] { return Tree() == moved; }, 10000, 200)) << Tree();
}

TEST_F(DisplayModeTest, OKKeepsTheNewModeAndEverythingElseRevertsIt) {
  // The duplicate 60 Hz leaf of 800 * 600 names the first such mode.
  Choose("800x600", "60");
  EXPECT_EQ(Current(), "800x600 60.32");
  auto question = session->WidgetRect("FormConfirm");
  EXPECT_EQ(question->text, "Tovi WallChanger");
  EXPECT_EQ(session->WidgetRect("LabelTimer")->text, "Time remaining: 20 second(s)");
  session->ClickWidget("ButtonOK");
  ASSERT_TRUE(QuestionGone());
  EXPECT_EQ(Current(), "800x600 60.32");
  EXPECT_NE(Tree().find("800 * 600 #\n  24 bits #\n    75 Hz\n    60 Hz #\n"), std::string::npos);

  struct Way {
    const char* name;
    std::function<void()> answer;
  };
  const Way ways[] = {
      {"Cancel", [&] { session->ClickWidget("ButtonCancel"); }},
      {"Enter",
       [&] {
         // Cancel is the default button.
         ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("ActiveWindow").value_or(Session::Rect{}).text ==
                                          "FormConfirm"; }));
         session->Xdotool({"key", "Return"});
       }},
      {"closing", [&] { session->CloseWindow(session->FindWindows("Tovi WallChanger", true).at(0)); }},
      {"waiting", [] {}},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    Choose("640x480", "60");
    EXPECT_EQ(Current(), "640x480 59.94");
    way.answer();
    EXPECT_TRUE(QuestionGone());
    EXPECT_TRUE(WaitCurrent("800x600 60.32")) << Current();
  }
  EXPECT_TRUE(program->Running());
}

}  // namespace
}  // namespace toviwall
