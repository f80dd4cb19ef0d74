#include "support/FakePlatform.h"

#include <QCoreApplication>

#include "platform/local/InotifyDirectoryWatch.h"
#include "platform/x11/VirtualKeys.h"

namespace toviwall::test {

bool FakeGlobalHotKeys::Register(QObject* receiver, int id, unsigned modifier, unsigned virtualKey) {
  const Combination c{modifier, virtualKey};
  refusal_ = heldElsewhere.count(c) ? platform::HotKeyRefusal::TakenElsewhere
             : grabs_.count(c)      ? platform::HotKeyRefusal::TakenHere
                                    : platform::HotKeyRefusal::None;
  if (refusal_ != platform::HotKeyRefusal::None) return false;
  grabs_[c] = Grab{receiver, id};
  return true;
}

bool FakeGlobalHotKeys::Unregister(QObject* receiver, int id) {
  for (auto it = grabs_.begin(); it != grabs_.end(); ++it) {
    if (it->second.receiver == receiver && it->second.id == id) {
      grabs_.erase(it);
      return true;
    }
  }
  return false;
}

unsigned FakeGlobalHotKeys::VirtualKeyOfKeyPress(unsigned, unsigned keysym) { return VirtualKeyForKeysym(keysym); }

std::set<FakeGlobalHotKeys::Combination> FakeGlobalHotKeys::Registered() const {
  std::set<Combination> out;
  for (const auto& [c, grab] : grabs_) out.insert(c);
  return out;
}

void FakeGlobalHotKeys::Press(unsigned modifier, unsigned virtualKey) {
  auto it = grabs_.find({modifier, virtualKey});
  if (it != grabs_.end()) QCoreApplication::postEvent(it->second.receiver, new platform::HotKeyEvent(it->second.id));
}

std::unique_ptr<platform::TrayIcon> FakeTrayHost::CreateIcon(const std::string& name) {
  auto icon = std::make_unique<FakeTrayIcon>(*this, name);
  icons_[name] = icon.get();
  return icon;
}

FakeTrayIcon* FakeTrayHost::Icon(const std::string& name) const {
  auto it = icons_.find(name);
  return it == icons_.end() ? nullptr : it->second;
}

void FakeTrayHost::StartNewTray() {
  for (auto& [name, icon] : icons_) icon->present = false;
  AnnounceTrayCreated();
}

FakeTrayIcon::~FakeTrayIcon() { host_.icons_.erase(name_); }

bool FakeTrayIcon::Add(const QIcon& newImage) {
  if (present) return false;
  present = true;
  image = newImage;
  ++adds;
  return true;
}

bool FakeTrayIcon::Modify(const QIcon& newImage) {
  if (!present) return false;
  image = newImage;
  return true;
}

bool FakeTrayIcon::Delete() {
  if (!present) return false;
  present = false;
  return true;
}

platform::DisplayChange FakeDisplayModes::ChangeMode(const DisplayModeRecord& mode) {
  changes.push_back(mode);
  if (answer == platform::DisplayChange::Successful) current = mode;
  return answer;
}

std::string FakeSystemActions::OpenDoor(const std::string& drive) {
  calls.push_back("Open " + drive);
  return doorRefusal;
}

bool FakeSystemActions::CloseDoor(const std::string& drive) {
  calls.push_back("Close " + drive);
  return true;
}

std::string FakeSystemActions::Request(platform::SessionRequest what, bool force) {
  static const char* const kNames[] = {"LogOff", "Reboot", "ShutDown", "PowerOff", "Suspend", "Hibernate"};
  calls.push_back(std::string("Request ") + kNames[static_cast<int>(what)] + (force ? " forced" : ""));
  if (onRequest) onRequest();
  return refusal;
}

FakePlatform::FakePlatform(std::unique_ptr<platform::AutoStart> autoStart) {
  platform::Platform::Parts parts;
  parts.autoStart = std::move(autoStart);
  auto k = std::make_unique<FakeGlobalHotKeys>();
  auto t = std::make_unique<FakeTrayHost>();
  auto d = std::make_unique<FakeDesktopWallpaper>();
  auto i = std::make_unique<FakeDesktopIcons>();
  auto s = std::make_unique<FakeScreen>();
  auto e = std::make_unique<FakeSessionEnd>();
  auto a = std::make_unique<FakeWindowActivation>();
  auto m = std::make_unique<FakeDisplayModes>();
  auto y = std::make_unique<FakeSystemActions>();
  hotKeys = k.get();
  tray = t.get();
  desktop = d.get();
  icons = i.get();
  screen = s.get();
  sessionEnd = e.get();
  activation = a.get();
  displayModes = m.get();
  systemActions = y.get();
  parts.globalHotKeys = std::move(k);
  parts.trayHost = std::move(t);
  parts.desktopWallpaper = std::move(d);
  parts.desktopIcons = std::move(i);
  parts.screen = std::move(s);
  parts.sessionEnd = std::move(e);
  parts.windowActivation = std::move(a);
  parts.displayModes = std::move(m);
  parts.systemActions = std::move(y);
  // Folders are watched for real: inotify runs anywhere.
  parts.directoryWatch = std::make_unique<platform::InotifyDirectoryWatch>();
  platform = std::make_unique<platform::Platform>(std::move(parts));  // no other instance: the null one
}

}  // namespace toviwall::test
