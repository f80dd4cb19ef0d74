// The four global hot keys with real keys: typed into their boxes, stored,
// registered at start, refused when another client holds them, released.
#include <gtest/gtest.h>
#include <signal.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <filesystem>

#include "base/IniFile.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
constexpr const char* kTitle = "Tovi WallChanger";

// Another program on the display that wants a key combination for itself.
class OtherClient {
 public:
  explicit OtherClient(const std::string& display) : dpy_(XOpenDisplay(display.c_str())) {
    if (!dpy_) throw std::runtime_error("cannot open display " + display);
  }
  ~OtherClient() { XCloseDisplay(dpy_); }
  OtherClient(const OtherClient&) = delete;
  OtherClient& operator=(const OtherClient&) = delete;

  // True when the server gives this client the combination.
  bool Grab(KeySym key, unsigned modifiers) {
    refused_ = false;
    XErrorHandler previous = XSetErrorHandler(&OtherClient::OnError);
    XGrabKey(dpy_, XKeysymToKeycode(dpy_, key), modifiers, DefaultRootWindow(dpy_), False, GrabModeAsync,
             GrabModeAsync);
    XSync(dpy_, False);
    XSetErrorHandler(previous);
    return !refused_;
  }
  void Ungrab(KeySym key, unsigned modifiers) {
    XUngrabKey(dpy_, XKeysymToKeycode(dpy_, key), modifiers, DefaultRootWindow(dpy_));
    XSync(dpy_, False);
  }

 private:
  static int OnError(Display*, XErrorEvent* e) {
    if (e->error_code == BadAccess) refused_ = true;
    return 0;
  }
  static inline bool refused_ = false;
  Display* dpy_;
};

constexpr unsigned kCtrlAlt = ControlMask | Mod1Mask;

class HotKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RequireProgram("xdotool");
    session = std::make_unique<Session>();
  }



  int Stored(const char* key) { return IniReadInteger(session->DefaultSettingsFile(), "Hotkey", key, -1); }
  bool WaitStored(const char* mod, int modValue, const char* vir, int virValue) {
    return WaitFor([&] { return Stored(mod) == modValue && Stored(vir) == virValue; });
  }

  // The main window shown with its Hotkeys page; answers the first box's text.
  std::string ShowHotkeysPage(const std::string& box = "HotKeyMainWin") {
    if (!session->WindowVisible(kTitle)) session->RunProgram();
    EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
    session->ClickWidget("PageControl.tab3");
    std::string text;
    EXPECT_TRUE(WaitFor([&] {
      auto r = session->WidgetRect(box);
      if (r) text = r->text;
      return r.has_value();
    }));
    return text;
  }

  std::unique_ptr<Session> session;
};

TEST_F(HotKeyTest, TypedCombinationIsStoredTogglesTheWindowAndEmptyingReleasesIt) {
  session->WriteProfile();
  auto p = session->StartReady();
  ShowHotkeysPage();
  auto type = [&](const std::string& keys) {
    session->ClickWidget("HotKeyMainWin");
    session->Xdotool({"key", keys});
    session->Xdotool({"key", "Tab"});  // the focus leaves the box
  };
  type("ctrl+alt+w");
  ASSERT_TRUE(WaitStored("ShowMainMod", 3, "ShowMainVir", 87)) << ReadFile(session->DefaultSettingsFile());
  OtherClient other(session->Display());
  EXPECT_FALSE(other.Grab(XK_w, kCtrlAlt)) << "the program holds it";

  // Emptying the box gives the combination back at once.
  type("BackSpace");
  EXPECT_TRUE(WaitStored("ShowMainMod", 0, "ShowMainVir", 0));
  EXPECT_TRUE(other.Grab(XK_w, kCtrlAlt));
  other.Ungrab(XK_w, kCtrlAlt);

  type("ctrl+alt+w");
  ASSERT_TRUE(WaitStored("ShowMainMod", 3, "ShowMainVir", 87));
  session->Xdotool({"key", "ctrl+alt+w"});
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
  session->Xdotool({"key", "ctrl+alt+w"});
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
  EXPECT_EQ(ShowHotkeysPage(), "Ctrl + Alt + W");
  EXPECT_TRUE(p->Running());
}

TEST_F(HotKeyTest, SuperIsTakenAndPressedWhileShiftWithALetterIsRefused) {
  session->WriteProfile("[Hotkey]\nShowMainMod=3\nShowMainVir=87\n");
  auto p = session->StartReady();
  ShowHotkeysPage();
  auto type = [&](const std::string& keys) {
    session->ClickWidget("HotKeyMainWin");
    session->Xdotool({"key", keys});
    session->Xdotool({"key", "Tab"});
  };
  // Shift+W would take every capital W: refused, and Ctrl+Alt+W is given back.
  type("shift+w");
  EXPECT_TRUE(WaitStored("ShowMainMod", 0, "ShowMainVir", 0));
  OtherClient other(session->Display());
  EXPECT_TRUE(other.Grab(XK_w, ShiftMask));
  EXPECT_TRUE(other.Grab(XK_w, kCtrlAlt));

  type("super+n");
  ASSERT_TRUE(WaitStored("ShowMainMod", 8, "ShowMainVir", 78)) << ReadFile(session->DefaultSettingsFile());
  EXPECT_FALSE(other.Grab(XK_n, Mod4Mask)) << "the program holds it";
  session->Xdotool({"key", "super+n"});
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
  session->Xdotool({"key", "super+n"});
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
  EXPECT_EQ(ShowHotkeysPage(), "Super + N");
}

TEST_F(HotKeyTest, StoredPairsAreShownAndRegisteredAtStart) {
  // 4/112 is Shift+F1; a modifier value of 16 or more stands for no modifiers. A
  // plain letter would take that key from every program: it is refused.
  session->WriteProfile("[Hotkey]\nShowMainMod=4\nShowMainVir=112\nChangeWallMod=17\nChangeWallVir=114\n"
                        "OpenCDMod=0\nOpenCDVir=65\n");
  auto p = session->StartReady();
  EXPECT_TRUE(WaitStored("ChangeWallMod", 0, "ChangeWallVir", 114)) << "the pair is stored again as registered";
  EXPECT_TRUE(WaitStored("OpenCDMod", 0, "OpenCDVir", 0));
  EXPECT_TRUE(OtherClient(session->Display()).Grab(XK_a, 0)) << "the program holds plain a";
  EXPECT_EQ(Stored("ShowMainMod"), 4);
  EXPECT_EQ(Stored("ShowMainVir"), 112);
  EXPECT_EQ(ShowHotkeysPage(), "Shift + F1");
  EXPECT_EQ(ShowHotkeysPage("HotKeyChangeWall"), "F3");
  session->Xdotool({"key", "shift+F1"});
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, false));
}

TEST_F(HotKeyTest, CombinationHeldByAnotherClientIsRefusedSilently) {
  OtherClient other(session->Display());
  ASSERT_TRUE(other.Grab(XK_w, kCtrlAlt));
  session->WriteProfile("[Hotkey]\nShowMainMod=3\nShowMainVir=87\n");
  auto p = session->StartReady();
  EXPECT_TRUE(WaitStored("ShowMainMod", 0, "ShowMainVir", 0));
  EXPECT_FALSE(session->WindowVisible(kTitle)) << "a message was shown";
  EXPECT_EQ(ShowHotkeysPage(), "");
  EXPECT_FALSE(session->WidgetRect("ErrorBox").has_value());
  EXPECT_EQ(session->FindWindows(kTitle, true).size(), 1u);
}

TEST_F(HotKeyTest, SameCombinationInTwoBoxesKeepsTheFirst) {
  session->WriteProfile("[Hotkey]\nShowMainMod=3\nShowMainVir=87\nChangeWallMod=3\nChangeWallVir=87\n");
  auto p = session->StartReady();
  EXPECT_TRUE(WaitStored("ChangeWallMod", 0, "ChangeWallVir", 0));
  EXPECT_EQ(Stored("ShowMainMod"), 3);
  EXPECT_EQ(Stored("ShowMainVir"), 87);
  session->Xdotool({"key", "ctrl+alt+w"});
  EXPECT_TRUE(session->WaitWindowVisible(kTitle, true));
  EXPECT_EQ(ShowHotkeysPage("HotKeyChangeWall"), "");
}

TEST_F(HotKeyTest, HotKeyWorksWithCapsLockAndNumLockOn) {
  session->WriteProfile("[Hotkey]\nShowMainMod=3\nShowMainVir=87\n");
  auto p = session->StartReady();
  std::unique_ptr<Display, int (*)(Display*)> dpy(XOpenDisplay(session->Display().c_str()), XCloseDisplay);
  ASSERT_TRUE(dpy);
  const unsigned numLock = XkbKeysymToModifiers(dpy.get(), XK_Num_Lock);
  ASSERT_NE(numLock, 0u) << "Num Lock is on no modifier";
  // The lock modifiers the server puts into key events now.
  auto locked = [&] {
    XkbStateRec state{};
    if (XkbGetState(dpy.get(), XkbUseCoreKbd, &state) != Success) throw std::runtime_error("XkbGetState failed");
    return state.locked_mods & (LockMask | numLock);
  };
  ASSERT_EQ(locked(), 0u);
  // Caps Lock alone, both, Num Lock alone. The window is hidden before each press,
  // so the key reaches the program through its grab, not through a focused window.
  for (auto [lockKey, locks] : {std::pair<const char*, unsigned>{"Caps_Lock", LockMask},
                                {"Num_Lock", LockMask | numLock}, {"Caps_Lock", numLock}}) {
    session->Xdotool({"key", lockKey});
    ASSERT_TRUE(WaitFor([&] { return locked() == locks; })) << lockKey << ": locked " << locked();
    ASSERT_FALSE(session->WindowVisible(kTitle));
    session->Xdotool({"key", "ctrl+alt+w"});
    EXPECT_TRUE(session->WaitWindowVisible(kTitle, true)) << "not shown with locked modifiers " << locks;
    session->Xdotool({"key", "ctrl+alt+w"});
    EXPECT_TRUE(session->WaitWindowVisible(kTitle, false)) << "not hidden with locked modifiers " << locks;
  }
  session->Xdotool({"key", "Num_Lock"});
  EXPECT_TRUE(WaitFor([&] { return locked() == 0; }));
}

TEST_F(HotKeyTest, NothingStaysGrabbedAfterTheProgramEnds) {
  session->WriteProfile("[Hotkey]\nShowMainMod=3\nShowMainVir=87\n");
  auto p = session->StartReady();
  OtherClient other(session->Display());
  ASSERT_FALSE(other.Grab(XK_w, kCtrlAlt)) << "the program did not take it";
  p->Signal(SIGTERM);
  EXPECT_EQ(p->Wait(10000), std::optional<int>(0));
  EXPECT_TRUE(other.Grab(XK_w, kCtrlAlt));
}

}  // namespace
}  // namespace toviwall
