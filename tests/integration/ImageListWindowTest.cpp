// The image list in the real program: start-up from the list file, the image
// folder scan of an empty list, keys and questions in the list, the large-list
// question, the list file written on OK and at the end, and Save.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <sstream>

#include "base/IniFile.h"
#include "support/TestSession.h"
#include "image/BitmapFile.h"

namespace toviwall {
namespace {

using namespace test;
constexpr const char* kTitle = "Tovi WallChanger";

class ImageListWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    session = std::make_unique<Session>();
    std::filesystem::create_directories(session->Home() + "/pics");
    std::filesystem::create_directories(std::filesystem::path(session->DefaultSettingsFile()).parent_path());
    WriteFile(session->DefaultSettingsFile(), "[Option]\nImage Folder=" + session->Home() + "/pics\n");
  }

  std::string ListFile() const {
    std::string ini = session->DefaultSettingsFile();
    return ini.substr(0, ini.size() - 4) + ".lst";
  }

  // A small picture the program can show: a BMP, or a copy of a PngSuite PNG.
  std::string Image(const std::string& relative) {
    std::string path = session->Home() + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (path.size() > 4 && (path.substr(path.size() - 4) == ".bmp" || path.substr(path.size() - 4) == ".BMP"))
      SaveBitmapFile(Bitmap24(4, 3), path);
    else
      std::filesystem::copy_file(SourceDir() + "/tests/data/pngsuite/basn2c08.png", path,
                                 std::filesystem::copy_options::overwrite_existing);
    return path;
  }

  std::unique_ptr<Process> Start() {
    auto p = session->StartProgram();
    EXPECT_TRUE(WaitFor([&] { return Exists(session->RuntimeDir() + "/Tovi_WallChanger") || !p->Running(); }))
        << ReadFile(session->LastProgramLog());
    return p;
  }
  void ShowMainWindow() {
    session->RunProgram();
    ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("MainForm").has_value(); }));
    // No window manager gives it the keyboard.
    session->Xdotool({"windowfocus", "--sync", std::to_string(session->FindWindows(kTitle, true).at(0))});
  }

  std::string Text(const std::string& widget) {
    auto r = session->WidgetRect(widget);
    return r ? r->text : "(not shown)";
  }

  // Waits for a message box besides the main window, focuses it and presses keys
  // (the buttons' mnemonics: a plain Escape right after an Alt chord is lost).
  void AnswerMessageBox(const std::vector<std::string>& keys, bool mainWindowShown) {
    std::size_t expected = mainWindowShown ? 2 : 1;
    ASSERT_TRUE(WaitFor([&] { return session->FindWindows(kTitle, true).size() == expected; }))
        << ReadFile(session->LastProgramLog());
    auto windows = session->FindWindows(kTitle, true);
    auto main = session->WidgetRect("MainForm");
    for (unsigned long w : windows) {
      // The box is the one that is not the main window; with one window it is that.
      if (windows.size() == 1 || !main) {
        session->Xdotool({"windowfocus", "--sync", std::to_string(w)});
        break;
      }
      auto geometry = session->Xdotool({"getwindowgeometry", std::to_string(w)}).out;
      if (geometry.find(std::to_string(main->width) + "x" + std::to_string(main->height)) == std::string::npos) {
        session->Xdotool({"windowfocus", "--sync", std::to_string(w)});
        break;
      }
    }
    for (const std::string& key : keys) session->Xdotool({"key", "--clearmodifiers", key});
    ASSERT_TRUE(WaitFor([&] { return session->FindWindows(kTitle, true).size() == expected - 1; }));
  }

  std::unique_ptr<Session> session;
};

TEST_F(ImageListWindowTest, StartUpKeepsTheExistingListAndDropsMissingFiles) {
  std::string b = Image("elsewhere/b.png"), c = Image("elsewhere/C.bmp");
  Image("pics/in-folder.png");  // not scanned: the list is not empty
  WriteFile(ListFile(), c + "\r\n" + session->Home() + "/gone.jpg\r\n" + b + "\n" + session->Home() + "/notes.txt");
  auto p = Start();
  EXPECT_TRUE(WaitFor([&] { return ReadFile(ListFile()) == b + "\r\n" + c + "\r\n"; })) << ReadFile(ListFile());
  ShowMainWindow();
  EXPECT_TRUE(WaitFor([&] { return Text("LabelInfo") == "Total images: 2"; })) << Text("LabelInfo");
  // The end writes the list once more (it counts as changed after start-up).
  p->Signal(SIGTERM);
  ASSERT_TRUE(p->Wait(10000).has_value());
  EXPECT_EQ(ReadFile(ListFile()), b + "\r\n" + c + "\r\n");
}

TEST_F(ImageListWindowTest, AnEmptyListTakesTheImageFolder) {
  std::string a = Image("pics/a.png"), d = Image("pics/sub/d.BMP");
  Image("pics/.cache/hidden.png");
  Image("pics/readme.txt");
  auto p = Start();
  EXPECT_TRUE(WaitFor([&] { return ReadFile(ListFile()) == a + "\r\n" + d + "\r\n"; })) << ReadFile(ListFile());
}

TEST_F(ImageListWindowTest, DeleteAsksAndOkWritesTheList) {
  std::string a = Image("pics/a.png"), b = Image("pics/b.bmp"), c = Image("pics/c.png");
  WriteFile(ListFile(), b + "\r\n" + c + "\r\n" + a + "\r\n");
  auto p = Start();
  ShowMainWindow();
  // Into the list (the click below the rows clears the selection), then the first row.
  session->ClickWidget("ListViewImage");
  session->Xdotool({"key", "--clearmodifiers", "End", "Home"});
  session->Xdotool({"key", "--clearmodifiers", "Delete"});
  AnswerMessageBox({"alt+y"}, true);
  session->ClickWidget("ButtonOK");
  EXPECT_TRUE(WaitFor([&] { return ReadFile(ListFile()) == b + "\r\n" + c + "\r\n"; })) << ReadFile(ListFile());
  EXPECT_TRUE(Exists(a));  // only the row goes

  // All rows, answered No: nothing goes.
  ShowMainWindow();
  session->ClickWidget("ListViewImage");
  session->Xdotool({"key", "--clearmodifiers", "ctrl+a"});
  session->Xdotool({"key", "--clearmodifiers", "Delete"});
  AnswerMessageBox({"alt+n"}, true);
  session->ClickWidget("ButtonOK");
  p->Signal(SIGTERM);
  ASSERT_TRUE(p->Wait(10000).has_value());
  EXPECT_EQ(ReadFile(ListFile()), b + "\r\n" + c + "\r\n");
}

TEST_F(ImageListWindowTest, DecliningALargeListKeepsTheStoredFileAndTheTickIsStored) {
  std::string text;
  for (int i = 0; i < 301; ++i) text += Image("many/" + std::to_string(1000 + i) + ".bmp") + "\r\n";
  WriteFile(ListFile(), text);
  auto p = Start();
  // Tick "Don't show this message again" and answer No.
  AnswerMessageBox({"alt+d", "alt+n"}, false);
  EXPECT_TRUE(WaitFor([&] {
    return IniReadBool(session->DefaultSettingsFile(), "Dialogs", "ConfirmTotalDialog", false);
  }));
  ShowMainWindow();
  EXPECT_TRUE(WaitFor([&] { return Text("LabelInfo").empty() || Text("LabelInfo") == "(not shown)"; }))
      << Text("LabelInfo");
  p->Signal(SIGTERM);
  ASSERT_TRUE(p->Wait(10000).has_value());
  EXPECT_EQ(ReadFile(ListFile()), text);

  // Next time the whole list loads without a question.
  auto again = Start();
  ShowMainWindow();
  EXPECT_TRUE(WaitFor([&] { return Text("LabelInfo") == "Total images: 301"; })) << Text("LabelInfo");
  EXPECT_EQ(session->FindWindows(kTitle, true).size(), 1u);
}

TEST_F(ImageListWindowTest, AddTakesAListFileAndSaveWritesTheRowsElsewhereAskingBeforeReplacing) {
  std::string a = Image("pics/a.png"), b = Image("other/b.png"), c = Image("other/c.bmp");
  WriteFile(ListFile(), a + "\r\n");
  const std::string extra = session->Home() + "/extra.lst";
  WriteFile(extra, c + "\n" + session->Home() + "/other/missing.png\n" + b + "\n");
  auto p = Start();
  ShowMainWindow();

  session->ClickWidget("ButtonAdd");
  ASSERT_TRUE(session->WaitWindowVisible("Browse Image File", true));
  session->Xdotool({"windowfocus", "--sync", std::to_string(session->FindWindows("Browse Image File", true).at(0))});
  session->Xdotool({"type", "--delay", "5", extra});
  session->Xdotool({"key", "--clearmodifiers", "Return"});
  const std::string rows = b + "\r\n" + c + "\r\n" + a + "\r\n";
  EXPECT_TRUE(WaitFor([&] { return ReadFile(ListFile()) == rows; })) << ReadFile(ListFile());

  // The smallest shown window of that title (a question before its dialog), focused.
  auto focusSmallest = [&](const std::string& title, std::size_t windows) {
    EXPECT_TRUE(WaitFor([&] { return session->FindWindows(title, true).size() == windows; }));
    unsigned long smallest = 0;
    long least = -1;
    for (unsigned long w : session->FindWindows(title, true)) {
      std::istringstream geometry(session->Xdotool({"getwindowgeometry", "--shell", std::to_string(w)}).out);
      long width = 0, height = 0;
      for (std::string line; std::getline(geometry, line);) {
        if (line.rfind("WIDTH=", 0) == 0) width = std::stol(line.substr(6));
        if (line.rfind("HEIGHT=", 0) == 0) height = std::stol(line.substr(7));
      }
      if (least < 0 || width * height < least) least = width * height, smallest = w;
    }
    session->Xdotool({"windowfocus", "--sync", std::to_string(smallest)});
  };
  auto save = [&](const std::string& path) {
    session->ClickWidget("ButtonSave");
    focusSmallest("Save Image List", 1);
    session->Xdotool({"type", "--delay", "5", path});
    session->Xdotool({"key", "--clearmodifiers", "Return"});
  };
  auto closeSaveDialog = [&] {
    focusSmallest("Save Image List", 1);
    session->Xdotool({"key", "--clearmodifiers", "Escape"});
    EXPECT_TRUE(session->WaitWindowVisible("Save Image List", false));
  };

  // Saved under a name without extension: ".lst" is added; the default file stays.
  const std::string saved = session->Home() + "/saved.lst";
  save(session->Home() + "/saved");
  EXPECT_TRUE(WaitFor([&] { return ReadFile(saved) == rows; })) << ReadFile(saved);
  EXPECT_EQ(ReadFile(ListFile()), rows);

  // A file that is there is replaced only after Qt's question: No keeps it.
  WriteFile(saved, "mine\r\n");
  save(saved);
  focusSmallest("Save Image List", 2);
  session->Xdotool({"key", "--clearmodifiers", "alt+n"});
  closeSaveDialog();
  EXPECT_EQ(ReadFile(saved), "mine\r\n");
  save(saved);
  focusSmallest("Save Image List", 2);
  session->Xdotool({"key", "--clearmodifiers", "alt+y"});
  EXPECT_TRUE(WaitFor([&] { return ReadFile(saved) == rows; })) << ReadFile(saved);

  // The program's own settings file is refused, and the dialog stays for another choice.
  const std::string settings = ReadFile(session->DefaultSettingsFile());
  save(session->DefaultSettingsFile());
  ASSERT_TRUE(WaitFor([&] { return session->WidgetRect("ErrorBox").has_value(); }));
  EXPECT_EQ(Text("ErrorBox"), "\"" + session->DefaultSettingsFile() +
                                  "\" holds the settings of Tovi WallChanger; the image list cannot be saved there. "
                                  "Choose another file.");
  session->Xdotool({"key", "--clearmodifiers", "Return"});
  EXPECT_TRUE(WaitFor([&] { return !session->WidgetRect("ErrorBox").has_value(); }));
  closeSaveDialog();
  EXPECT_EQ(ReadFile(session->DefaultSettingsFile()), settings);
}

}  // namespace
}  // namespace toviwall
