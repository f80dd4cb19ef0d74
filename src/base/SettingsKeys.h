#pragma once
// Every section and key of the settings file, with its default, in one place.
// Defaults that depend on the running system (the image folder, the icon view's
// colour, the column width, now) are computed by their readers.
#include <cstdint>

namespace toviwall::keys {

struct BoolKey {
  const char* section;
  const char* name;
  bool def;
};
struct IntKey {
  const char* section;
  const char* name;
  std::int32_t def;
};
struct StringKey {
  const char* section;
  const char* name;
};
struct DateTimeKey {
  const char* section;
  const char* name;
};

inline constexpr const char* kOption = "Option";
inline constexpr const char* kWallPaper = "WallPaper";
inline constexpr const char* kDesktop = "Desktop";
inline constexpr const char* kColors = "Colors";
inline constexpr const char* kCustomColor = "CustomColor";
inline constexpr const char* kDialogs = "Dialogs";
inline constexpr const char* kHotkey = "Hotkey";
inline constexpr const char* kColumn = "Column";
inline constexpr const char* kIcon = "Icon";
inline constexpr const char* kImages = "Images";  // legacy list section, read once then erased

// Section "Option".
inline constexpr StringKey ImageFolder{kOption, "Image Folder"};  // default: DefaultImageFolder
inline constexpr BoolKey HideDesktopIcon{kOption, "HideDesktopIcon", false};
inline constexpr BoolKey AutoChangeWallpaper{kOption, "AutoChangeWallpaper", true};
inline constexpr BoolKey Randomize{kOption, "Randomize", false};
inline constexpr IntKey Interval{kOption, "Interval", 9};  // ten minutes
inline constexpr IntKey Type{kOption, "Type", 2};          // "Stretch"
inline constexpr BoolKey AutoStart{kOption, "AutoStart", false};
inline constexpr BoolKey DblClickShowMainWin{kOption, "DblClickShowMainWin", true};
inline constexpr BoolKey DblClickToChange{kOption, "DblClickToChange", false};
inline constexpr BoolKey DblClickToLock{kOption, "DblClickToLock", false};
inline constexpr BoolKey DblClickScrSave{kOption, "DblClickScrSave", false};
inline constexpr BoolKey ShowPreview{kOption, "ShowPreview", false};
// Later additions: the monitor mode (0 one picture, 1 one on each monitor, 2
// one across all) and the colour around centred pictures (a colour value).
inline constexpr IntKey Monitors{kOption, "Monitors", 0};
inline constexpr IntKey BackgroundColor{kOption, "BackgroundColor", 0};

// Section "WallPaper".
inline constexpr IntKey CurrentIndex{kWallPaper, "CurrentIndex", 0};
inline constexpr DateTimeKey LastChange{kWallPaper, "LastChange"};  // default: now
// The rows on the monitors after the first ("5,6"), with a picture on each monitor.
inline constexpr StringKey MonitorIndexes{kWallPaper, "MonitorIndexes"};

// Section "Desktop".
inline constexpr BoolKey Transparent{kDesktop, "Transparent", false};

// Section "Colors". Default: the desktop icon view's text colour, else white.
inline constexpr IntKey CurColor{kColors, "CurColor", 16777215};

// Section "CustomColor": "ColorA" .. "ColorP", six hex digits each.
inline constexpr const char* kCustomColorLetters = "ABCDEFGHIJKLMNOP";
inline constexpr const char* kCustomColorMissing = "FFFFFF";

// Section "Dialogs".
inline constexpr BoolKey DontShowExitDialog{kDialogs, "DontShowExitDialog", false};
inline constexpr BoolKey DontShowHideDialog{kDialogs, "DontShowHideDialog", false};
inline constexpr BoolKey ConfirmTotalDialog{kDialogs, "ConfirmTotalDialog", false};

// Section "Hotkey": modifier (1 Alt, 2 Ctrl, 4 Shift, added; 8 Super, our own
// addition, which earlier versions never wrote) and virtual-key code; 0, 0 = none.
inline constexpr IntKey ShowMainMod{kHotkey, "ShowMainMod", 0};
inline constexpr IntKey ShowMainVir{kHotkey, "ShowMainVir", 0};
inline constexpr IntKey ChangeWallMod{kHotkey, "ChangeWallMod", 0};
inline constexpr IntKey ChangeWallVir{kHotkey, "ChangeWallVir", 0};
inline constexpr IntKey OpenCDMod{kHotkey, "OpenCDMod", 0};
inline constexpr IntKey OpenCDVir{kHotkey, "OpenCDVir", 0};
inline constexpr IntKey CloseCDMod{kHotkey, "CloseCDMod", 0};
inline constexpr IntKey CloseCDVir{kHotkey, "CloseCDVir", 0};

// Section "Column". Default: the column's current width.
inline constexpr IntKey Col1{kColumn, "Col1", 0};

// Section "Icon".
inline constexpr BoolKey UseCustomMainIcon{kIcon, "UseCustomMainIcon", false};
inline constexpr StringKey IconFile{kIcon, "IconFile"};
inline constexpr IntKey IconIdx{kIcon, "IconIdx", 0};

}  // namespace toviwall::keys
