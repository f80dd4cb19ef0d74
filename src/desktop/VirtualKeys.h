#pragma once
// The one table between the virtual-key codes the settings store (the Windows
// numbering) and X keysyms, with the name the hot key boxes show for each key.
// Plain data: keysyms are written as numbers, their X names in the comments.
#include <cstdint>
#include <string_view>

namespace toviwall {

struct VirtualKey {
  std::uint16_t code;      // virtual-key code
  std::uint32_t keysym;    // X keysym
  std::string_view name;   // shown in a hot key box; empty for an alternative keysym
};

// The first entry of a code is its keysym for grabbing; later entries of the same
// code are further keysyms that produce it (the keypad without Num Lock, Shift+Tab).
inline constexpr VirtualKey kVirtualKeys[] = {
    // Editing and control keys.
    {0x08, 0xff08, "Backspace"},  // BackSpace
    {0x09, 0xff09, "Tab"},        // Tab
    {0x09, 0xfe20, ""},           // ISO_Left_Tab
    {0x0C, 0xff0b, "Clear"},      // Clear
    {0x0C, 0xff9d, ""},           // KP_Begin
    {0x0D, 0xff0d, "Enter"},      // Return
    {0x0D, 0xff8d, ""},           // KP_Enter
    {0x13, 0xff13, "Pause"},      // Pause
    {0x1B, 0xff1b, "Esc"},        // Escape
    {0x20, 0x0020, "Space"},      // space
    // Navigation.
    {0x21, 0xff55, "Page Up"},    // Prior
    {0x21, 0xff9a, ""},           // KP_Prior
    {0x22, 0xff56, "Page Down"},  // Next
    {0x22, 0xff9b, ""},           // KP_Next
    {0x23, 0xff57, "End"},        // End
    {0x23, 0xff9c, ""},           // KP_End
    {0x24, 0xff50, "Home"},       // Home
    {0x24, 0xff95, ""},           // KP_Home
    {0x25, 0xff51, "Left"},       // Left
    {0x25, 0xff96, ""},           // KP_Left
    {0x26, 0xff52, "Up"},         // Up
    {0x26, 0xff97, ""},           // KP_Up
    {0x27, 0xff53, "Right"},      // Right
    {0x27, 0xff98, ""},           // KP_Right
    {0x28, 0xff54, "Down"},       // Down
    {0x28, 0xff99, ""},           // KP_Down
    {0x29, 0xff60, "Select"},     // Select
    {0x2B, 0xff62, "Execute"},    // Execute
    {0x2C, 0xff61, "Print Screen"},  // Print
    {0x2D, 0xff63, "Insert"},     // Insert
    {0x2D, 0xff9e, ""},           // KP_Insert
    {0x2E, 0xffff, "Delete"},     // Delete
    {0x2E, 0xff9f, ""},           // KP_Delete
    {0x2F, 0xff6a, "Help"},       // Help
    // Digits and letters: the code is the character; the keysym is the unshifted one.
    {0x30, 0x0030, "0"}, {0x31, 0x0031, "1"}, {0x32, 0x0032, "2"}, {0x33, 0x0033, "3"},
    {0x34, 0x0034, "4"}, {0x35, 0x0035, "5"}, {0x36, 0x0036, "6"}, {0x37, 0x0037, "7"},
    {0x38, 0x0038, "8"}, {0x39, 0x0039, "9"},
    {0x41, 0x0061, "A"}, {0x42, 0x0062, "B"}, {0x43, 0x0063, "C"}, {0x44, 0x0064, "D"},
    {0x45, 0x0065, "E"}, {0x46, 0x0066, "F"}, {0x47, 0x0067, "G"}, {0x48, 0x0068, "H"},
    {0x49, 0x0069, "I"}, {0x4A, 0x006a, "J"}, {0x4B, 0x006b, "K"}, {0x4C, 0x006c, "L"},
    {0x4D, 0x006d, "M"}, {0x4E, 0x006e, "N"}, {0x4F, 0x006f, "O"}, {0x50, 0x0070, "P"},
    {0x51, 0x0071, "Q"}, {0x52, 0x0072, "R"}, {0x53, 0x0073, "S"}, {0x54, 0x0074, "T"},
    {0x55, 0x0075, "U"}, {0x56, 0x0076, "V"}, {0x57, 0x0077, "W"}, {0x58, 0x0078, "X"},
    {0x59, 0x0079, "Y"}, {0x5A, 0x007a, "Z"},
    {0x5D, 0xff67, "Menu"},       // Menu (the application key)
    {0x5F, 0x1008ff2f, "Sleep"},  // XF86Sleep
    // Numeric keypad with Num Lock on.
    {0x60, 0xffb0, "Num 0"}, {0x61, 0xffb1, "Num 1"}, {0x62, 0xffb2, "Num 2"}, {0x63, 0xffb3, "Num 3"},
    {0x64, 0xffb4, "Num 4"}, {0x65, 0xffb5, "Num 5"}, {0x66, 0xffb6, "Num 6"}, {0x67, 0xffb7, "Num 7"},
    {0x68, 0xffb8, "Num 8"}, {0x69, 0xffb9, "Num 9"},  // KP_0 .. KP_9
    {0x6A, 0xffaa, "Num *"},      // KP_Multiply
    {0x6B, 0xffab, "Num +"},      // KP_Add
    {0x6C, 0xffac, "Separator"},  // KP_Separator
    {0x6D, 0xffad, "Num -"},      // KP_Subtract
    {0x6E, 0xffae, "Num ."},      // KP_Decimal
    {0x6F, 0xffaf, "Num /"},      // KP_Divide
    // Function keys F1 .. F24.
    {0x70, 0xffbe, "F1"},  {0x71, 0xffbf, "F2"},  {0x72, 0xffc0, "F3"},  {0x73, 0xffc1, "F4"},
    {0x74, 0xffc2, "F5"},  {0x75, 0xffc3, "F6"},  {0x76, 0xffc4, "F7"},  {0x77, 0xffc5, "F8"},
    {0x78, 0xffc6, "F9"},  {0x79, 0xffc7, "F10"}, {0x7A, 0xffc8, "F11"}, {0x7B, 0xffc9, "F12"},
    {0x7C, 0xffca, "F13"}, {0x7D, 0xffcb, "F14"}, {0x7E, 0xffcc, "F15"}, {0x7F, 0xffcd, "F16"},
    {0x80, 0xffce, "F17"}, {0x81, 0xffcf, "F18"}, {0x82, 0xffd0, "F19"}, {0x83, 0xffd1, "F20"},
    {0x84, 0xffd2, "F21"}, {0x85, 0xffd3, "F22"}, {0x86, 0xffd4, "F23"}, {0x87, 0xffd5, "F24"},
    // Browser and media keys.
    {0xA6, 0x1008ff26, "Browser Back"},       // XF86Back
    {0xA7, 0x1008ff27, "Browser Forward"},    // XF86Forward
    {0xA8, 0x1008ff29, "Browser Refresh"},    // XF86Refresh
    {0xA9, 0x1008ff28, "Browser Stop"},       // XF86Stop
    {0xAA, 0x1008ff1b, "Browser Search"},     // XF86Search
    {0xAB, 0x1008ff30, "Browser Favorites"},  // XF86Favorites
    {0xAC, 0x1008ff18, "Browser Home"},       // XF86HomePage
    {0xAD, 0x1008ff12, "Mute"},               // XF86AudioMute
    {0xAE, 0x1008ff11, "Volume Down"},        // XF86AudioLowerVolume
    {0xAF, 0x1008ff13, "Volume Up"},          // XF86AudioRaiseVolume
    {0xB0, 0x1008ff17, "Next Track"},         // XF86AudioNext
    {0xB1, 0x1008ff16, "Previous Track"},     // XF86AudioPrev
    {0xB2, 0x1008ff15, "Stop Media"},         // XF86AudioStop
    {0xB3, 0x1008ff14, "Play/Pause"},         // XF86AudioPlay
    {0xB3, 0x1008ff31, ""},                   // XF86AudioPause
    {0xB4, 0x1008ff19, "Mail"},               // XF86Mail
    {0xB5, 0x1008ff32, "Media"},              // XF86AudioMedia
    {0xB6, 0x1008ff33, "My Computer"},        // XF86MyComputer
    {0xB7, 0x1008ff1d, "Calculator"},         // XF86Calculator
    // Punctuation (US layout positions).
    {0xBA, 0x003b, ";"},   // semicolon
    {0xBB, 0x003d, "="},   // equal
    {0xBC, 0x002c, ","},   // comma
    {0xBD, 0x002d, "-"},   // minus
    {0xBE, 0x002e, "."},   // period
    {0xBF, 0x002f, "/"},   // slash
    {0xC0, 0x0060, "`"},   // grave
    {0xDB, 0x005b, "["},   // bracketleft
    {0xDC, 0x005c, "\\"},  // backslash
    {0xDD, 0x005d, "]"},   // bracketright
    {0xDE, 0x0027, "'"},   // apostrophe
    {0xE2, 0x003c, "<"},   // less (the extra key of 102-key keyboards)
};

// The keysym to grab for a virtual-key code; 0 when the table has no such key.
constexpr std::uint32_t KeysymForVirtualKey(unsigned code) {
  for (const VirtualKey& k : kVirtualKeys)
    if (k.code == code) return k.keysym;
  return 0;
}

// The virtual-key code a keysym stands for; 0 when none. Upper-case letters
// count as their key.
constexpr std::uint16_t VirtualKeyForKeysym(std::uint32_t keysym) {
  if (keysym >= 0x41 && keysym <= 0x5a) keysym += 0x20;
  for (const VirtualKey& k : kVirtualKeys)
    if (k.keysym == keysym) return k.code;
  return 0;
}

// The name a hot key box shows for the key; empty when the table has no such key.
constexpr std::string_view VirtualKeyName(unsigned code) {
  for (const VirtualKey& k : kVirtualKeys)
    if (k.code == code) return k.name;
  return {};
}

}  // namespace toviwall
