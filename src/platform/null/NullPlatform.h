#pragma once
// What the program gets for a capability the session does not offer: each does
// nothing and says so in its answers, so callers never test for a missing one.
#include <memory>
#include <optional>
#include <string>

#include "platform/AutoStart.h"
#include "platform/DesktopIcons.h"
#include "platform/DesktopWallpaper.h"
#include "platform/DirectoryWatch.h"
#include "platform/DisplayModes.h"
#include "platform/GlobalHotKeys.h"
#include "platform/Screen.h"
#include "platform/SessionEnd.h"
#include "platform/SingleInstance.h"
#include "platform/SystemActions.h"
#include "platform/TrayHost.h"
#include "platform/WindowActivation.h"

namespace toviwall::platform {

// No screen to ask: a size of 0 x 0, which never asks for fitting.
class NullScreen final : public Screen {
 public:
  ScreenSize PrimaryScreenSize() override { return {}; }
};

// No desktop to show a wallpaper: values go nowhere and nothing is shown.
class NullDesktopWallpaper final : public DesktopWallpaper {
 public:
  void WriteValues(const std::string&, WallpaperStyle) override {}
  void Reload() override { AnnounceSettingsChange(); }
  std::optional<std::string> ReadWallpaper() override { return std::nullopt; }
};

// No file manager draws desktop icons, or none we can reach: nothing to hide,
// captions read as white.
class NullDesktopIcons final : public DesktopIcons {
 public:
  explicit NullDesktopIcons(std::string reason = "No program draws icons on this desktop.")
      : reason_(std::move(reason)) {}
  void SetHidden(bool) override {}
  std::string CannotHideReason() const override { return reason_; }
  std::string CannotColourReason() const override { return "This desktop has no setting for its icons' caption colour."; }
  std::uint32_t TextColor() override { return kWhiteColour; }
  void ApplyTextColor(std::uint32_t, bool) override {}

 private:
  std::string reason_;
};

// No notification area: icons never get in.
class NullTrayHost final : public TrayHost {
 public:
  std::unique_ptr<TrayIcon> CreateIcon(const std::string&) override;
  bool TrayRunning() override { return false; }
};

// No way to take keys system-wide: every combination is accepted, none is ever
// pressed, and a key press tells no key code (so the boxes take nothing).
class NullGlobalHotKeys final : public GlobalHotKeys {
 public:
  bool Register(QObject*, int, unsigned, unsigned) override { return true; }
  bool Unregister(QObject*, int) override { return true; }
  unsigned VirtualKeyOfKeyPress(unsigned, unsigned) override { return 0; }
  bool Available() const override { return false; }
  std::string WhyNot() const override { return "This session offers no global hot keys."; }
};

// Every start runs as the only one; no messages arrive.
class NullSingleInstance final : public SingleInstance {
 public:
  bool OtherInstanceRunning(const std::string&, const std::string&) override { return false; }
  Outcome SendRequest(const std::string&, const remote::Request&, remote::Reply&) override {
    return Outcome::NotRunning;
  }
  bool WaitUntilReleased(const std::string&, std::chrono::milliseconds) override { return true; }
  void Listen(MessageHandler, RequestHandler) override {}
  void StopListening() override {}
};

// Nothing outside ends the run.
class NullSessionEnd final : public SessionEnd {};

// No way to hear of changes in folders: a watch starts and never reports.
class NullDirectoryWatch final : public DirectoryWatch {
 public:
  std::unique_ptr<RunningWatch> Start(const WatchRequest&, WatchCallbacks) override {
    return std::make_unique<RunningWatch>();
  }
};

// The plain request Qt makes is all there is.
class NullWindowActivation final : public WindowActivation {
 public:
  void ForceActivate(unsigned long) override {}
};

// No display modes to tell (no X, no RandR): the menu stays empty.
class NullDisplayModes final : public DisplayModes {
 public:
  explicit NullDisplayModes(std::string reason = "This display tells no modes to switch to.")
      : reason_(std::move(reason)) {}
  std::vector<DisplayModeRecord> Modes() override { return {}; }
  std::optional<DisplayModeRecord> CurrentMode() override { return std::nullopt; }
  DisplayChange ChangeMode(const DisplayModeRecord&) override { return DisplayChange::BadMode; }
  std::string WhyNot() const override { return reason_; }

 private:
  std::string reason_;
};

// No drives, no lock, no power: nothing is offered and requests are refused.
class NullSystemActions final : public SystemActions {
 public:
  std::vector<std::string> OpticalDrives() override { return {}; }
  std::string OpenDoor(const std::string&) override { return "no such drive"; }
  bool CloseDoor(const std::string&) override { return false; }
  bool CanLock() override { return false; }
  void Lock() override {}
  void ActivateScreenSaver() override {}
  void OpenDisplaySettings() override {}
  bool CanSuspend() override { return false; }
  bool CanHibernate() override { return false; }
  std::string Request(SessionRequest, bool) override { return "not supported"; }
};

// No place for start-up entries: none exists and none can be made.
class NullAutoStart final : public AutoStart {
 public:
  std::optional<std::string> ReadEntry(const std::string&) override { return std::nullopt; }
  bool WriteEntry(const std::string&, const std::string&) override { return false; }
  bool RemoveEntry(const std::string&) override { return true; }
};

}  // namespace toviwall::platform
