// The four hot keys as one table, against recording key grabs: what is stored
// is taken system-wide, a refusal empties its box, a press runs its row's command.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QWidget>
#include <fstream>
#include <vector>

#include "app/ui/HotKeySet.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "hotkeys/ui/ToviHotKeyBox.h"
#include "support/FakePlatform.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using test::FakeGlobalHotKeys;

struct RowNames {
  const char* box;
  const char* mod;
  const char* vir;
  HotKeyCommand command;
};
const RowNames kRows[] = {
    {"HotKeyMainWin", "ShowMainMod", "ShowMainVir", HotKeyCommand::ShowMainWindow},
    {"HotKeyChangeWall", "ChangeWallMod", "ChangeWallVir", HotKeyCommand::ChangeWallpaper},
    {"HotKeyNextWall", "NextWallMod", "NextWallVir", HotKeyCommand::NextWallpaper},
    {"HotKeyPrevWall", "PrevWallMod", "PrevWallVir", HotKeyCommand::PreviousWallpaper},
    {"HotKeyOpenCD", "OpenCDMod", "OpenCDVir", HotKeyCommand::OpenCD},
    {"HotKeyCloseCD", "CloseCDMod", "CloseCDVir", HotKeyCommand::CloseCD},
};

class HotKeySetTest : public ::testing::Test {
 protected:
  void Make(const std::string& hotkeySection) {
    if (set) set->DeactivateHotKeys();  // the keys belong to the owner and outlive the set
    std::ofstream(settings) << "[Hotkey]\n" << hotkeySection;
    set = std::make_unique<HotKeySet>(owner, keys, store, [this](HotKeyCommand c) { ran.push_back(c); });
    set->LoadHotKeys();
  }
  int Stored(const char* name) { return IniReadInteger(settings, "Hotkey", name, -1); }
  TToviHotKeyBox* Box(const char* name) { return set->Page()->findChild<TToviHotKeyBox*>(name); }

  test::TempDir dir;
  std::string settings = dir / "toviwall.ini";
  Settings store{settings};
  QWidget owner;
  FakeGlobalHotKeys keys;
  std::vector<HotKeyCommand> ran;
  std::unique_ptr<HotKeySet> set;
};

TEST_F(HotKeySetTest, EachRowTakesItsStoredKeyAndRunsItsCommand) {
  // Ctrl+Alt+F1 .. F6 in the six rows.
  Make("ShowMainMod=3\nShowMainVir=112\nChangeWallMod=3\nChangeWallVir=113\nNextWallMod=3\nNextWallVir=114\n"
       "PrevWallMod=3\nPrevWallVir=115\nOpenCDMod=3\nOpenCDVir=116\nCloseCDMod=3\nCloseCDVir=117\n");
  EXPECT_EQ(keys.Registered(), (std::set<FakeGlobalHotKeys::Combination>{
                                   {3, 112}, {3, 113}, {3, 114}, {3, 115}, {3, 116}, {3, 117}}));
  for (int i = 0; i < HotKeySet::kCount; ++i) {
    ASSERT_NE(Box(kRows[i].box), nullptr) << kRows[i].box;
    EXPECT_EQ(Box(kRows[i].box)->text(), QStringLiteral("Ctrl + Alt + F%1").arg(i + 1));
    ran.clear();
    keys.Press(3, 112 + i);
    QApplication::processEvents();
    EXPECT_EQ(ran, std::vector<HotKeyCommand>{kRows[i].command}) << kRows[i].box;
  }
  set->DeactivateHotKeys();
  EXPECT_TRUE(keys.Registered().empty());
}

TEST_F(HotKeySetTest, ARefusedKeyEmptiesItsBoxAndStoresNone) {
  keys.heldElsewhere.insert({2, 0x57});  // Ctrl+W belongs to another program
  Make("ChangeWallMod=2\nChangeWallVir=87\nShowMainMod=1\nShowMainVir=87\n");
  EXPECT_EQ(Box("HotKeyChangeWall")->text(), QString());
  EXPECT_EQ(Box("HotKeyChangeWall")->placeholderText(), QStringLiteral("Ctrl + W is taken by another program"));
  EXPECT_EQ(Stored("ChangeWallMod"), 0);
  EXPECT_EQ(Stored("ChangeWallVir"), 0);
  EXPECT_EQ(Box("HotKeyMainWin")->text(), QStringLiteral("Alt + W"));
  EXPECT_EQ(keys.Registered(), (std::set<FakeGlobalHotKeys::Combination>{{1, 0x57}}));
}

TEST_F(HotKeySetTest, AKeyTypedIntoABoxIsTakenAndStoredWhenTheBoxIsLeft) {
  Make("");
  // Shift+Ctrl+F5 .. F10, with the keysyms the X server would report.
  auto type = [](TToviHotKeyBox* box, int n) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F5 + n, Qt::ShiftModifier | Qt::ControlModifier, 71 + n, 0xffc2 + n, 0);
    QApplication::sendEvent(box, &press);
    emit box->Exit();
  };
  for (int i = 0; i < HotKeySet::kCount; ++i) {
    type(Box(kRows[i].box), i);
    EXPECT_EQ(Stored(kRows[i].mod), 6) << kRows[i].box;
    EXPECT_EQ(Stored(kRows[i].vir), 0x74 + i) << kRows[i].box;
  }
  EXPECT_EQ(keys.Registered().size(), 6u);
  // A combination another row holds is refused like one of another program.
  type(Box("HotKeyCloseCD"), 0);
  EXPECT_EQ(Box("HotKeyCloseCD")->text(), QString());
  EXPECT_EQ(Box("HotKeyCloseCD")->placeholderText(), QStringLiteral("Ctrl + Shift + F5 is another hot key already"));
  EXPECT_EQ(Stored("CloseCDVir"), 0);
  EXPECT_EQ(Stored("ShowMainVir"), 0x74);
}

TEST_F(HotKeySetTest, KeysThatTypeNeedCtrlAltOrSuperAndTheBoxSaysWhy) {
  // Stored: a letter alone and Shift+W are refused, Super+N (8) is taken; a
  // function key and a media key stand alone; 16 stands for no modifier.
  Make("ShowMainMod=0\nShowMainVir=65\nChangeWallMod=4\nChangeWallVir=87\n"
       "OpenCDMod=16\nOpenCDVir=112\nCloseCDMod=8\nCloseCDVir=78\n");
  EXPECT_EQ(keys.Registered(), (std::set<FakeGlobalHotKeys::Combination>{{0, 112}, {8, 78}}));
  EXPECT_EQ(Box("HotKeyMainWin")->text(), QString());
  EXPECT_EQ(Box("HotKeyMainWin")->placeholderText(), QStringLiteral("A: a key that types needs Ctrl, Alt or Super"));
  EXPECT_EQ(Box("HotKeyChangeWall")->placeholderText(),
            QStringLiteral("Shift + W: a key that types needs Ctrl, Alt or Super"));
  EXPECT_EQ(Stored("ChangeWallMod"), 0);
  EXPECT_EQ(Stored("ChangeWallVir"), 0);
  EXPECT_EQ(Box("HotKeyOpenCD")->text(), QStringLiteral("F1"));
  EXPECT_EQ(Box("HotKeyCloseCD")->text(), QStringLiteral("Super + N"));
  for (int vir : {0x25, 0x20, 0x0D}) {
    Make("ShowMainMod=4\nShowMainVir=" + std::to_string(vir) + "\n");
    EXPECT_TRUE(keys.Registered().empty()) << vir;
    EXPECT_EQ(Stored("ShowMainVir"), 0) << vir;
  }

  // Typed: the box stays empty, says why, and the key it held is given back.
  Make("ShowMainMod=3\nShowMainVir=87\n");
  TToviHotKeyBox* box = Box("HotKeyMainWin");
  auto type = [box](int key, Qt::KeyboardModifiers modifiers, unsigned keysym) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, 0, keysym, 0);
    QApplication::sendEvent(box, &press);
  };
  struct Typed {
    int key;
    Qt::KeyboardModifiers modifiers;
    unsigned keysym;
    const char* why;
  };
  const Typed refused[] = {{Qt::Key_A, Qt::NoModifier, 0x61, "A"},
                           {Qt::Key_W, Qt::ShiftModifier, 0x57, "Shift + W"},
                           {Qt::Key_Left, Qt::ShiftModifier, 0xff51, "Shift + Left"},
                           {Qt::Key_Period, Qt::KeypadModifier, 0xffae, "Num ."}};
  for (const Typed& t : refused) {
    box->SetHotKey(ShortCut(0x57, scCtrl | scAlt));
    type(t.key, t.modifiers, t.keysym);
    EXPECT_EQ(box->text(), QString()) << t.why;
    EXPECT_EQ(box->placeholderText(), QString::fromLatin1(t.why) + ": a key that types needs Ctrl, Alt or Super");
  }
  emit box->Exit();
  EXPECT_TRUE(keys.Registered().empty());
  EXPECT_EQ(box->placeholderText(), QStringLiteral("Num .: a key that types needs Ctrl, Alt or Super"));
  EXPECT_EQ(Stored("ShowMainMod"), 0);
  EXPECT_EQ(Stored("ShowMainVir"), 0);
  type(Qt::Key_N, Qt::MetaModifier, 0x6e);
  EXPECT_EQ(box->text(), QStringLiteral("Super + N"));
  EXPECT_EQ(box->placeholderText(), QStringLiteral("None"));
  emit box->Exit();
  EXPECT_EQ(Stored("ShowMainMod"), 8);
  EXPECT_EQ(Stored("ShowMainVir"), 0x4E);
}

// A compositor without global shortcuts: the stored keys are kept, but the
// boxes are disabled and the page names the commands to bind there instead;
// when the session offers the keys after all, the boxes come back.
TEST_F(HotKeySetTest, WithoutGlobalHotKeysThePageNamesTheCommandsToBind) {
  keys.SetUnavailable("The desktop offers no global shortcuts.");
  Make("ChangeWallMod=3\nChangeWallVir=87\n");
  auto* why = set->Page()->findChild<QLabel*>("LabelHotKeysUnavailable");
  ASSERT_NE(why, nullptr);
  EXPECT_FALSE(why->isHidden());
  const QString text = why->text();
  EXPECT_TRUE(text.contains(QStringLiteral("The desktop offers no global shortcuts."))) << text.toStdString();
  for (const char* command : {" --change", " --next", " --previous", " --show"})
    EXPECT_TRUE(text.contains(QString::fromLatin1(command))) << command << "\n" << text.toStdString();
  for (const RowNames& row : kRows) EXPECT_FALSE(Box(row.box)->isEnabled()) << row.box;
  EXPECT_EQ(Box("HotKeyChangeWall")->text(), QStringLiteral("Ctrl + Alt + W"));
  EXPECT_EQ(Stored("ChangeWallVir"), 87);

  keys.SetUnavailable("");
  EXPECT_TRUE(why->isHidden());
  for (const RowNames& row : kRows) EXPECT_TRUE(Box(row.box)->isEnabled()) << row.box;
}

}  // namespace
}  // namespace toviwall
