#pragma once
// Every section and key of the settings file, with its default and the values
// it may hold, in one place. Defaults that depend on the running system (the
// image folder, the icon view's colour, the column width, now) are computed by
// their readers.
#include <cstdint>
#include <limits>

namespace toviwall::keys {

struct BoolKey {
  const char* section;
  const char* name;
  bool def;
};
// An integer's bounds: a value outside min..max (stored by hand, or by another
// version) reads as `outside`; with a mask only the masked bits count.
struct IntKey {
  const char* section;
  const char* name;
  std::int32_t def;
  std::int32_t min = std::numeric_limits<std::int32_t>::min();
  std::int32_t max = std::numeric_limits<std::int32_t>::max();
  std::int32_t outside = 0;
  std::uint32_t mask = 0xFFFFFFFF;

  constexpr std::int32_t Bounded(std::int32_t v) const {
    v = static_cast<std::int32_t>(static_cast<std::uint32_t>(v) & mask);
    return v < min || v > max ? outside : v;
  }
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
// A position of the interval list; outside it, none is selected (-1).
inline constexpr IntKey Interval{kOption, "Interval", 9, 0, 66, -1};  // ten minutes
// The filling types the box offers; another number reads as "Stretch".
inline constexpr IntKey Type{kOption, "Type", 2, 0, 6, 2};
inline constexpr BoolKey AutoStart{kOption, "AutoStart", false};
inline constexpr BoolKey DblClickShowMainWin{kOption, "DblClickShowMainWin", true};
inline constexpr BoolKey DblClickToChange{kOption, "DblClickToChange", false};
inline constexpr BoolKey DblClickToLock{kOption, "DblClickToLock", false};
inline constexpr BoolKey DblClickScrSave{kOption, "DblClickScrSave", false};
inline constexpr BoolKey ShowPreview{kOption, "ShowPreview", false};
// Later additions: the monitor mode (0 one picture, 1 one on each monitor, 2
// one across all) and the colour around centred pictures (a colour value).
inline constexpr IntKey Monitors{kOption, "Monitors", 0, 0, 2, 0};
inline constexpr std::uint32_t kColourBits = 0xFFFFFF;  // a colour value: red in the low byte
inline constexpr IntKey BackgroundColor{kOption, "BackgroundColor", 0, 0, 0xFFFFFF, 0, kColourBits};

// Section "WallPaper".
inline constexpr IntKey CurrentIndex{kWallPaper, "CurrentIndex", 0};
inline constexpr DateTimeKey LastChange{kWallPaper, "LastChange"};  // default: now
// The rows on the monitors after the first ("5,6"), with a picture on each monitor.
inline constexpr StringKey MonitorIndexes{kWallPaper, "MonitorIndexes"};

// Section "Desktop".
inline constexpr BoolKey Transparent{kDesktop, "Transparent", false};

// Section "Colors". Default: the desktop icon view's text colour, else white.
inline constexpr IntKey CurColor{kColors, "CurColor", 16777215, 0, 0xFFFFFF, 0, kColourBits};

// Section "CustomColor": "ColorA" .. "ColorP", six hex digits each.
inline constexpr StringKey CustomColors[16] = {
    {kCustomColor, "ColorA"}, {kCustomColor, "ColorB"}, {kCustomColor, "ColorC"}, {kCustomColor, "ColorD"},
    {kCustomColor, "ColorE"}, {kCustomColor, "ColorF"}, {kCustomColor, "ColorG"}, {kCustomColor, "ColorH"},
    {kCustomColor, "ColorI"}, {kCustomColor, "ColorJ"}, {kCustomColor, "ColorK"}, {kCustomColor, "ColorL"},
    {kCustomColor, "ColorM"}, {kCustomColor, "ColorN"}, {kCustomColor, "ColorO"}, {kCustomColor, "ColorP"},
};
inline constexpr const char* kCustomColorMissing = "FFFFFF";

// Section "Dialogs".
inline constexpr BoolKey DontShowExitDialog{kDialogs, "DontShowExitDialog", false};
inline constexpr BoolKey DontShowHideDialog{kDialogs, "DontShowHideDialog", false};
inline constexpr BoolKey ConfirmTotalDialog{kDialogs, "ConfirmTotalDialog", false};

// Section "Hotkey": modifier (1 Alt, 2 Ctrl, 4 Shift, added; 8 Super, our own
// addition, which earlier versions never wrote) and virtual-key code; 0, 0 = none.
// Another modifier reads as none; a code outside 0..255 as -1, no key at all.
inline constexpr IntKey ShowMainMod{kHotkey, "ShowMainMod", 0, 0, 15, 0};
inline constexpr IntKey ShowMainVir{kHotkey, "ShowMainVir", 0, 0, 255, -1};
inline constexpr IntKey ChangeWallMod{kHotkey, "ChangeWallMod", 0, 0, 15, 0};
inline constexpr IntKey ChangeWallVir{kHotkey, "ChangeWallVir", 0, 0, 255, -1};
inline constexpr IntKey OpenCDMod{kHotkey, "OpenCDMod", 0, 0, 15, 0};
inline constexpr IntKey OpenCDVir{kHotkey, "OpenCDVir", 0, 0, 255, -1};
inline constexpr IntKey CloseCDMod{kHotkey, "CloseCDMod", 0, 0, 15, 0};
inline constexpr IntKey CloseCDVir{kHotkey, "CloseCDVir", 0, 0, 255, -1};
// Later additions: Next and Previous Wallpaper.
inline constexpr IntKey NextWallMod{kHotkey, "NextWallMod", 0, 0, 15, 0};
inline constexpr IntKey NextWallVir{kHotkey, "NextWallVir", 0, 0, 255, -1};
inline constexpr IntKey PrevWallMod{kHotkey, "PrevWallMod", 0, 0, 15, 0};
inline constexpr IntKey PrevWallVir{kHotkey, "PrevWallVir", 0, 0, 255, -1};

// Section "Column". Default: the column's current width.
inline constexpr IntKey Col1{kColumn, "Col1", 0};

// Section "Icon".
inline constexpr BoolKey UseCustomMainIcon{kIcon, "UseCustomMainIcon", false};
inline constexpr StringKey IconFile{kIcon, "IconFile"};
inline constexpr IntKey IconIdx{kIcon, "IconIdx", 0};

// The integer keys, for the table's own rules.
inline constexpr const IntKey* kIntKeys[] = {
    &Interval,    &Type,      &Monitors,      &BackgroundColor, &CurrentIndex, &CurColor,     &ShowMainMod,
    &ShowMainVir, &ChangeWallMod, &ChangeWallVir, &OpenCDMod,   &OpenCDVir,    &CloseCDMod,   &CloseCDVir,
    &NextWallMod, &NextWallVir, &PrevWallMod, &PrevWallVir, &Col1, &IconIdx,
};

}  // namespace toviwall::keys
