#pragma once
// Hot key encodings. A shortcut (16 bits) holds the virtual-key code in its low
// bits plus 0x1000 for Super, 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for
// Alt; 0 is none. The settings and the system's registration take a modifier
// value instead: 1 Alt, 2 Ctrl, 4 Shift, 8 Super, added. Super is our addition:
// Linux desktops use it for their shortcuts, and 8 was never written before, so
// older settings files read as they always did.
#include <cstdint>
#include <string>

namespace toviwall {

using TShortCut = std::uint16_t;

inline constexpr TShortCut scSuper = 0x1000;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
// Key codes fit in one byte, so the key's bits end below Super's.
inline constexpr TShortCut scKeyMask = 0x0FFF;
inline constexpr TShortCut scModifiers = scSuper | scShift | scCtrl | scAlt;

inline constexpr std::uint16_t modAlt = 1;
inline constexpr std::uint16_t modCtrl = 2;
inline constexpr std::uint16_t modShift = 4;
inline constexpr std::uint16_t modSuper = 8;

// The modifier keys held with a key, as a shortcut's bits (scSuper, scShift, scCtrl, scAlt).
using TShortCutShift = std::uint16_t;

// The shortcut of a key and modifiers; 0 when the key does not fit in one byte.
TShortCut ShortCut(unsigned key, TShortCutShift shift);

struct SplitKey {
  std::uint16_t virtKey = 0;
  std::uint16_t modifier = 0;
};
// The virtual-key code and the modifier value of a shortcut.
SplitKey SplitShortCut(TShortCut shortCut);

// Whether a combination may be taken system-wide: a key that types, edits or
// moves the caret needs Ctrl, Alt or Super, or it would be taken from every
// program (Shift alone would take its capital letters and its selections);
// function, browser and media keys, Sleep, Pause and Print Screen may stand
// alone. 0 is no combination.
bool UsableSystemWide(TShortCut shortCut);

// The modifier keys a stored modifier value (1 to 15) stands for; none for any
// other value.
TShortCutShift ShiftFromModifier(int modifier);

// What a hot key box shows: "Ctrl + Alt + W", "Shift + F1", "Super + N"; empty for 0. A key the
// table does not name shows its code in hexadecimal.
std::string ShortCutText(TShortCut shortCut);

}  // namespace toviwall
