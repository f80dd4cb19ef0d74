#pragma once
// What a double-click on the tray icon does, as the four stored options say:
// the first of Change, Lock and Screen saver that is set, else showing the
// main window.
#include "base/Settings.h"

namespace toviwall {

enum class DoubleClickChoice { ShowMainWindow, ChangeWallpaper, LockWorkStation, ScreenSaver };

inline DoubleClickChoice StoredDoubleClickChoice(const Settings& settings) {
  if (settings.Get(keys::DblClickToChange)) return DoubleClickChoice::ChangeWallpaper;
  if (settings.Get(keys::DblClickToLock)) return DoubleClickChoice::LockWorkStation;
  if (settings.Get(keys::DblClickScrSave)) return DoubleClickChoice::ScreenSaver;
  return DoubleClickChoice::ShowMainWindow;
}

}  // namespace toviwall
