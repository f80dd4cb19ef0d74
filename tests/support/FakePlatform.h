#pragma once
// A platform of recording doubles for offscreen tests of the windows and
// components: what they hand the desktop, the tray and the key grabs is kept for
// the test to read, and the test plays the desktop's part (a key pressed, a
// click on the icon, a new tray, the session ending). The real backends are
// tested against their real peers in tests/platform and tests/integration.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace toviwall::test {

class FakeGlobalHotKeys final : public platform::GlobalHotKeys {
 public:
  using Combination = std::pair<unsigned, unsigned>;  // modifier value, virtual-key code

  bool Register(QObject* receiver, int id, unsigned modifier, unsigned virtualKey) override;
  bool Unregister(QObject* receiver, int id) override;
  // The key code of a key press is the virtual key of its keysym, as on X.
  unsigned VirtualKeyOfKeyPress(unsigned keycode, unsigned keysym) override;

  // Combinations another program holds: registering them fails.
  std::set<Combination> heldElsewhere;
  // What is registered now.
  std::set<Combination> Registered() const;
  // The user presses the combination: its receiver gets the hot key event.
  void Press(unsigned modifier, unsigned virtualKey);

 private:
  struct Grab {
    QObject* receiver;
    int id;
  };
  std::map<Combination, Grab> grabs_;
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

  bool present = false;
  QIcon image;
  int adds = 0;
  // The user does something at the icon.
  void Send(unsigned kind) { Report(platform::TrayMessage{kind}); }

 private:
  FakeTrayHost& host_;
  std::string name_;
};

class FakeDesktopWallpaper final : public platform::DesktopWallpaper {
 public:
  void WriteValues(const std::string& file, platform::WallpaperStyle style) override;
  void Reload() override;
  std::optional<std::string> ReadWallpaper() override { return shown; }

  struct Values {
    std::string file;
    platform::WallpaperStyle style;
  };
  std::vector<Values> written;
  std::optional<std::string> shown;  // what the desktop shows; another program may change it
  int reloads = 0;
};

class FakeScreen final : public platform::Screen {
 public:
  platform::ScreenSize PrimaryScreenSize() override { return size; }
  platform::ScreenSize size{640, 480};
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

// The bundle, with the doubles at hand.
struct FakePlatform {
  // `autoStart`: where start-up entries go (the real store in a private folder); none by default.
  explicit FakePlatform(std::unique_ptr<platform::AutoStart> autoStart = nullptr);
  FakeGlobalHotKeys* hotKeys;
  FakeTrayHost* tray;
  FakeDesktopWallpaper* desktop;
  FakeScreen* screen;
  FakeSessionEnd* sessionEnd;
  FakeWindowActivation* activation;
  std::unique_ptr<platform::Platform> platform;
};

}  // namespace toviwall::test
