#include "platform/gnome/GSettingsDesktopIcons.h"

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <thread>

#include "platform/gnome/GSettingsWallpaper.h"
#include "platform/x11/X11DesktopInfo.h"
#include "platform/local/FoundSettings.h"

namespace toviwall::platform {
namespace {

// The running program draws its desktop again within a moment of the key's change.
bool WaitForDesktop(const std::string& display) {
  for (int waited = 0; waited < 1000; waited += 100) {
    if (FindDesktopWindow(display)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

}  // namespace

void GSettingsDesktopIcons::SetHidden(bool hidden) {
  const auto values = ReadGSettingsSchema(key_.schema);
  if (!values || !values->count(key_.key)) return;
  const std::string current = values->at(key_.key);
  const std::string found = std::string(key_.schema) + "/" + key_.key;
  if (hidden) {
    if (current == "false") return;
    RememberFoundSetting(found, current);
    WriteGSettingsKey(key_.schema, key_.key, "false");
  } else {
    // Icons the user turned off in the desktop's own settings stay off.
    const std::optional<std::string> remembered = RecallFoundSetting(found);
    if (current != "false" || !remembered) return;
    // A remembered "false" would leave them hidden: the icons were asked for.
    const std::string before = *remembered;
    WriteGSettingsKey(key_.schema, key_.key, before == "false" ? "true" : before);
    ForgetFoundSetting(found);
    // A desktop that ended with its icons would not come back before the next login.
    if (!WaitForDesktop(display_)) {
      QStringList args;
      for (const char* a : key_.arguments)
        if (a) args << QString::fromLatin1(a);
      QProcess::startDetached(QString::fromLatin1(key_.program), args);
    }
  }
}

}  // namespace toviwall::platform
