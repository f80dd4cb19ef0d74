// Files and folders dragged onto the list from another program, by a real
// XDND drag: a small window (toviwall-drag-source) holds "text/uri-list" as a
// file manager does, and xdotool moves the pointer from it to the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "support/TestSession.h"

namespace toviwall {
namespace {

namespace fs = std::filesystem;
using namespace test;
constexpr const char* kTitle = "Tovi WallChanger";

std::string FileUrl(const std::string& path) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-_.~", c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

class DropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    session = std::make_unique<Session>();
    fs::create_directories(ConfigDir());
    fs::create_directories(session->Home() + "/pics");
    WriteFile(session->DefaultSettingsFile(), "[Option]\nImage Folder=" + session->Home() + "/pics\n");
    program = session->StartReady();
    session->RunProgram();  // shows the main window
    ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("ListViewImage").has_value(); }));
  }
  std::string ConfigDir() const { return fs::path(session->DefaultSettingsFile()).parent_path(); }
  std::string ListFile() const { return ConfigDir() + "/toviwall.lst"; }
  std::string Picture(const std::string& relative) const { return CopyTestPicture(session->Home() + "/" + relative); }
  std::vector<std::string> Listed() const { return SortedListEntries(ListFile()); }

  // Drags the URLs from the source window onto the widget's centre; answers
  // how the drag ended ("copy", "ignore", ...). The source lives on to the end
  // of the test: the target asks it for the data only after the drop.
  std::string Drag(const std::vector<std::string>& urls, const std::string& widget) {
    std::vector<std::string> argv{BinaryDir() + "/toviwall-drag-source"};
    argv.insert(argv.end(), urls.begin(), urls.end());
    Process::Options options;
    options.env = session->Environment();
    const std::string log = session->Root() / ("drag-" + std::to_string(++drags) + ".log");
    options.logFile = log;
    sources.push_back(Process::Start(argv, options));
    if (!WaitFor([&] { return ReadFile(log).find("ready") != std::string::npos; }) ||
        !session->WaitWindowVisible("ToviDragSource", true))
      return "not ready: " + ReadFile(log);
    auto to = session->WidgetRect(widget);
    if (!to) return "no " + widget;
    const int x = to->x + to->width / 2, y = to->y + to->height / 2;
    session->Xdotool({"mousemove", "60", "40", "mousedown", "1", "sleep", "0.1"});
    // Several steps, as a hand moves, and a rest before the button goes up:
    // the target answers each position before the drop.
    for (int step = 1; step <= 6; ++step)
      session->Xdotool({"mousemove", std::to_string(60 + (x - 60) * step / 6),
                        std::to_string(40 + (y - 40) * step / 6), "sleep", "0.05"});
    session->Xdotool({"mousemove", std::to_string(x + 1), std::to_string(y + 1), "sleep", "0.2", "mouseup", "1"});
    std::string result;
    WaitFor([&] {
      std::string text = ReadFile(log);
      std::size_t at = text.find("drop: ");
      if (at == std::string::npos) return false;
      result = text.substr(at + 6, text.find('\n', at) - at - 6);
      return true;
    });
    return result.empty() ? "no end: " + ReadFile(log) : result;
  }

  std::unique_ptr<Session> session;
  std::unique_ptr<Process> program;
  std::vector<std::unique_ptr<Process>> sources;
  int drags = 0;
};

TEST_F(DropTest, FilesFoldersAndListFilesDraggedOntoTheListJoinIt) {
  // One picture.
  const std::string one = Picture("drops/one.png");
  ASSERT_EQ(Drag({FileUrl(one)}, "ListViewImage"), "copy");
  ASSERT_TRUE(WaitFor([&] { return Listed() == std::vector<std::string>{one}; })) << ReadFile(ListFile());

  // Three files, one of them text; URLs that name no local file are left out.
  const std::string spaced = Picture("drops/two words é.png"), three = Picture("drops/three.bmp");
  WriteFile(session->Home() + "/drops/notes.txt", "not a picture");
  const std::string remote = Picture("drops/remote.png");
  ASSERT_EQ(Drag({FileUrl(spaced), FileUrl(session->Home() + "/drops/notes.txt"),
                  "file://localhost" + FileUrl(three).substr(7), "http://example.com" + remote,
                  "file://elsewhere.example" + remote},
                 "ListViewImage"),
            "copy");
  ASSERT_TRUE(WaitFor([&] { return Listed() == std::vector<std::string>{one, three, spaced}; }))
      << ReadFile(ListFile());

  // A folder tree: sub-folders yes, hidden folders no.
  const std::string t1 = Picture("tree/t1.png"), t2 = Picture("tree/deep/t2.png");
  Picture("tree/.hidden/t3.png");
  ASSERT_EQ(Drag({FileUrl(session->Home() + "/tree")}, "ListViewImage"), "copy");
  ASSERT_TRUE(WaitFor([&] { return Listed().size() == 5; })) << ReadFile(ListFile());
  EXPECT_EQ(Listed(), (std::vector<std::string>{one, three, spaced, t2, t1}));

  // A list file: its existing pictures not in the list yet.
  const std::string listed = Picture("other/listed.png");
  WriteFile(session->Home() + "/more.lst", listed + "\r\n" + session->Home() + "/other/missing.png\r\n" + one + "\r\n");
  ASSERT_EQ(Drag({FileUrl(session->Home() + "/more.lst")}, "ListViewImage"), "copy");
  ASSERT_TRUE(WaitFor([&] { return Listed().size() == 6; })) << ReadFile(ListFile());
  EXPECT_EQ(Listed()[3], listed);

  // Pictures already there: nothing new, but the list file is written again
  // (a write replaces the file: a new one takes its name).
  const std::string before = ReadFile(ListFile()), written = FileId(ListFile());
  ASSERT_EQ(Drag({FileUrl(one), FileUrl(t1)}, "ListViewImage"), "copy");
  ASSERT_TRUE(WaitFor([&] { return FileId(ListFile()) != written; }));
  EXPECT_EQ(ReadFile(ListFile()), before);

  // Anywhere else in the window the drag is refused.
  const std::string rewritten = FileId(ListFile());
  ASSERT_EQ(Drag({FileUrl(Picture("drops/refused.png"))}, "ButtonAdd"), "ignore");
  EXPECT_EQ(FileId(ListFile()), rewritten);
  EXPECT_EQ(ReadFile(ListFile()), before);
  EXPECT_EQ(session->FindWindows(kTitle, true).size(), 1u);
}

}  // namespace
}  // namespace toviwall
