#include "platform/gnome/GSettingsDesktopIcons.h"

#include "platform/gnome/GSettingsWallpaper.h"
#include "platform/local/FoundSettings.h"

namespace toviwall::platform {

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
    if (current != "false") return;
    // A remembered "false" would leave them hidden: the icons were asked for.
    const std::string before = RecallFoundSetting(found).value_or("true");
    WriteGSettingsKey(key_.schema, key_.key, before == "false" ? "true" : before);
    ForgetFoundSetting(found);
  }
}

}  // namespace toviwall::platform
