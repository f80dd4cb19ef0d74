#pragma once
// A platform of recording doubles for offscreen tests of the windows and
// components: what they hand the desktop, the tray and the key grabs is kept for
// the test to read, and the test plays the desktop's part (a key pressed, a
// click on the icon, a new tray, the session ending). Folders are watched by
// the real inotify watch, which needs nothing of a desktop. The real backends are
// tested against their real peers in tests/platform and tests/integration.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/SettingsPaths.h"
#include "platform/Platform.h"
#include "support/FakeDesktopWallpaper.h"

namespace toviwall::test {

// A main window's start in the folder `dir`: started with `settings`, with `dir`
// for its home, working folder and program folder, and "dir/config" for its
// configuration folder and "dir/cache" for its cache.
inline ProcessEnvironment EnvironmentIn(const std::string& dir, const std::string& settings) {
  ProcessEnvironment env;
  env.args = {settings};
  env.programFile = dir + "/toviwall";
  env.home = dir;
  env.configHome = dir + "/config";
  env.cacheHome = dir + "/cache";
  env.dataHome = dir + "/data";
  env.workingDir = dir;
  return env;
}

class FakeGlobalHotKeys final : public platform::GlobalHotKeys {
 public:
  using Combination = std::pair<unsigned, unsigned>;  // modifier value, virtual-key code

  bool Register(QObject* receiver, int id, unsigned modifier, unsigned virtualKey) override;
  bool Unregister(QObject* receiver, int id) override;
  platform::HotKeyRefusal LastRefusal() const override { return refusal_; }
  // The key code of a key press is the virtual key of its keysym, as on X.
  unsigned VirtualKeyOfKeyPress(unsigned keycode, unsigned keysym) override;

  // Combinations another program holds: registering them fails.
  std::set<Combination> heldElsewhere;
  // What is registered now.
  std::set<Combination> Registered() const;
  // The user presses the combination: its receiver gets the hot key event.
  void Press(unsigned modifier, unsigned virtualKey);

  // A session whose combinations can never be pressed (a compositor without
  // global shortcuts), and the news that this changed.
  bool Available() const override { return whyNot_.empty(); }
  std::string WhyNot() const override { return whyNot_; }
  void OnAvailabilityChanged(std::function<void()> changed) override { availabilityChanged_ = std::move(changed); }
  void SetUnavailable(std::string why) {
    whyNot_ = std::move(why);
    if (availabilityChanged_) availabilityChanged_();
  }

 private:
  std::string whyNot_;
  std::function<void()> availabilityChanged_;
  struct Grab {
    QObject* receiver;
    int id;
  };
  std::map<Combination, Grab> grabs_;
  platform::HotKeyRefusal refusal_ = platform::HotKeyRefusal::None;
};

class FakeTrayIcon;

class FakeTrayHost final : public platform::TrayHost {
 public:
  std::unique_ptr<platform::TrayIcon> CreateIcon(const std::string& name) override;
  bool TrayRunning() override { return running; }
  bool running = true;
  // The icon made under `name`; nullptr when there is none (any more).
  FakeTrayIcon* Icon(const std::string& name) const;
  // A (new) tray starts: icons must be added again.
  void StartNewTray();

 private:
  friend class FakeTrayIcon;
  std::map<std::string, FakeTrayIcon*> icons_;
};

class FakeTrayIcon final : public platform::TrayIcon {
 public:
  FakeTrayIcon(FakeTrayHost& host, std::string name) : host_(host), name_(std::move(name)) {}
  ~FakeTrayIcon() override;
  bool Add(const QIcon& image) override;
  bool Modify(const QIcon& image) override;
  bool Delete() override;
  void SetToolTip(const std::string& text) override { toolTip = text; }

  bool present = false;
  std::string toolTip;
  QIcon image;
  int adds = 0;
  // The user does something at the icon.
  void Send(unsigned kind) { Report(platform::TrayMessage{kind}); }

 private:
  FakeTrayHost& host_;
  std::string name_;
};

// A desktop with an icon view: what hides it and the captions' colours.
class FakeDesktopIcons final : public platform::DesktopIcons {
 public:
  void SetHidden(bool h) override { hidden = h; }
  std::uint32_t TextColor() override { return textColour; }
  std::string CannotColourReason() const override { return cannotColour; }
  void ApplyTextColor(std::uint32_t colour, bool transparentBack) override {
    textColour = colour;
    if (transparentBack) transparent = true;
    ++applied;
  }
  bool hidden = false;
  std::uint32_t textColour = 0xFFFFFF;  // another program may change it
  bool transparent = false;
  int applied = 0;
  std::string cannotColour;  // why the captions' colour cannot be set; empty: it can
};

class FakeScreen final : public platform::Screen {
 public:
  platform::ScreenSize PrimaryScreenSize() override { return size; }
  platform::ScreenLayout Layout() override { return layout ? *layout : Screen::Layout(); }
  // The monitors change: the test sets `layout` and announces it.
  void ChangeLayout(platform::ScreenLayout now) {
    layout = std::move(now);
    AnnounceLayoutChange();
  }
  platform::ScreenSize size{640, 480};
  std::optional<platform::ScreenLayout> layout;  // none: one monitor of `size`
};

class FakeSessionEnd final : public platform::SessionEnd {
 public:
  void RequestEnd() { AnnounceEndRequested(); }
};

class FakeWindowActivation final : public platform::WindowActivation {
 public:
  void ForceActivate(unsigned long window) override { forced.push_back(window); }
  std::vector<unsigned long> forced;
};

// A display whose modes the test sets; a switch takes the answer the test chose.
class FakeDisplayModes final : public platform::DisplayModes {
 public:
  std::vector<DisplayModeRecord> Modes() override { return modes; }
  std::optional<DisplayModeRecord> CurrentMode() override { return current; }
  platform::DisplayChange ChangeMode(const DisplayModeRecord& mode) override;
  bool ReportsRefreshRates() override { return refreshRates; }
  std::string WhyNot() const override { return whyNot; }

  std::vector<DisplayModeRecord> modes;
  std::optional<DisplayModeRecord> current;
  bool refreshRates = true;
  std::string whyNot;  // why there are no modes
  platform::DisplayChange answer = platform::DisplayChange::Successful;
  std::vector<DisplayModeRecord> changes;  // every mode asked for, in order
  // The display tells of a change (another program switched it).
  void Announce() { AnnounceDisplayChange(); }
};

// Optical drives without hardware, and session and power requests that only
// get written down.
class FakeSystemActions final : public platform::SystemActions {
 public:
  std::vector<std::string> OpticalDrives() override { return drives; }
  std::string OpenDoor(const std::string& drive) override;
  bool CloseDoor(const std::string& drive) override;
  bool CanLock() override { return canLock; }
  void Lock() override { calls.push_back("Lock"); }
  void ActivateScreenSaver() override { calls.push_back("ActivateScreenSaver"); }
  void OpenDisplaySettings() override { calls.push_back("OpenDisplaySettings"); }
  std::string ScreenSaverWhyNot() override { return screenSaverWhyNot; }
  std::string DisplaySettingsWhyNot() override { return displaySettingsWhyNot; }
  bool CanSuspend() override { return canSuspend; }
  bool CanHibernate() override { return canHibernate; }
  bool SessionManagerTakes(platform::SessionRequest what) override {
    return sessionManager && platform::EndsSession(what);
  }
  std::string Request(platform::SessionRequest what, bool force) override;

  std::vector<std::string> drives;
  bool canLock = false, canSuspend = false, canHibernate = false;
  bool sessionManager = false;  // a session manager takes log off, reboot and shut down
  std::string refusal;  // the reason a request is refused with; empty: taken
  std::string doorRefusal;  // the reason a door does not open; empty: it opens
  std::string screenSaverWhyNot, displaySettingsWhyNot;  // empty: they start
  std::vector<std::string> calls;  // "Open sr0", "Request PowerOff", ...
  std::function<void()> onRequest;  // runs as a request arrives
};

// The bundle, with the doubles at hand.
struct FakePlatform {
  // `autoStart`: where start-up entries go (the real store in a private folder); none by default.
  explicit FakePlatform(std::unique_ptr<platform::AutoStart> autoStart = nullptr);
  FakeGlobalHotKeys* hotKeys;
  FakeTrayHost* tray;
  FakeDesktopWallpaper* desktop;
  FakeDesktopIcons* icons;
  FakeScreen* screen;
  FakeSessionEnd* sessionEnd;
  FakeWindowActivation* activation;
  FakeDisplayModes* displayModes;
  FakeSystemActions* systemActions;
  std::unique_ptr<platform::Platform> platform;
};

}  // namespace toviwall::test
