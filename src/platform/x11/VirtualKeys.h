#pragma once
// The one table between the virtual-key codes the settings store (the Windows
// numbering) and X keysyms, with the keysyms' names (xkbcommon's, which the
// portal's shortcut triggers are written in). Plain data. The names the hot key
// boxes show are in base/VirtualKeyNames.h, for the same codes.
#include <cstdint>
#include <string_view>

namespace toviwall {

struct VirtualKey {
  std::uint16_t code;      // virtual-key code
  std::uint32_t keysym;    // X keysym
  std::string_view name;   // the keysym's name
};

// The first entry of a code is its keysym for grabbing (and for the portal's
// triggers); later entries of the same code are further keysyms that produce it
// (the keypad without Num Lock, Shift+Tab).
inline constexpr VirtualKey kVirtualKeys[] = {
    // Editing and control keys.
    {0x08, 0xff08, "BackSpace"},
    {0x09, 0xff09, "Tab"},
    {0x09, 0xfe20, "ISO_Left_Tab"},
    {0x0C, 0xff0b, "Clear"},
    {0x0C, 0xff9d, "KP_Begin"},
    {0x0D, 0xff0d, "Return"},
    {0x0D, 0xff8d, "KP_Enter"},
    {0x13, 0xff13, "Pause"},
    {0x1B, 0xff1b, "Escape"},
    {0x20, 0x0020, "space"},
    // Navigation.
    {0x21, 0xff55, "Prior"},
    {0x21, 0xff9a, "KP_Prior"},
    {0x22, 0xff56, "Next"},
    {0x22, 0xff9b, "KP_Next"},
    {0x23, 0xff57, "End"},
    {0x23, 0xff9c, "KP_End"},
    {0x24, 0xff50, "Home"},
    {0x24, 0xff95, "KP_Home"},
    {0x25, 0xff51, "Left"},
    {0x25, 0xff96, "KP_Left"},
    {0x26, 0xff52, "Up"},
    {0x26, 0xff97, "KP_Up"},
    {0x27, 0xff53, "Right"},
    {0x27, 0xff98, "KP_Right"},
    {0x28, 0xff54, "Down"},
    {0x28, 0xff99, "KP_Down"},
    {0x29, 0xff60, "Select"},
    {0x2B, 0xff62, "Execute"},
    {0x2C, 0xff61, "Print"},
    {0x2D, 0xff63, "Insert"},
    {0x2D, 0xff9e, "KP_Insert"},
    {0x2E, 0xffff, "Delete"},
    {0x2E, 0xff9f, "KP_Delete"},
    {0x2F, 0xff6a, "Help"},
    // Digits and letters: the code is the character; the keysym is the unshifted one.
    {0x30, 0x0030, "0"},  {0x31, 0x0031, "1"},  {0x32, 0x0032, "2"},  {0x33, 0x0033, "3"},
    {0x34, 0x0034, "4"},  {0x35, 0x0035, "5"},  {0x36, 0x0036, "6"},  {0x37, 0x0037, "7"},
    {0x38, 0x0038, "8"},  {0x39, 0x0039, "9"},
    {0x41, 0x0061, "a"},  {0x42, 0x0062, "b"},  {0x43, 0x0063, "c"},  {0x44, 0x0064, "d"},
    {0x45, 0x0065, "e"},  {0x46, 0x0066, "f"},  {0x47, 0x0067, "g"},  {0x48, 0x0068, "h"},
    {0x49, 0x0069, "i"},  {0x4A, 0x006a, "j"},  {0x4B, 0x006b, "k"},  {0x4C, 0x006c, "l"},
    {0x4D, 0x006d, "m"},  {0x4E, 0x006e, "n"},  {0x4F, 0x006f, "o"},  {0x50, 0x0070, "p"},
    {0x51, 0x0071, "q"},  {0x52, 0x0072, "r"},  {0x53, 0x0073, "s"},  {0x54, 0x0074, "t"},
    {0x55, 0x0075, "u"},  {0x56, 0x0076, "v"},  {0x57, 0x0077, "w"},  {0x58, 0x0078, "x"},
    {0x59, 0x0079, "y"},  {0x5A, 0x007a, "z"},
    {0x5D, 0xff67, "Menu"},  // the application key
    {0x5F, 0x1008ff2f, "XF86Sleep"},
    // Numeric keypad with Num Lock on.
    {0x60, 0xffb0, "KP_0"},  {0x61, 0xffb1, "KP_1"},  {0x62, 0xffb2, "KP_2"},  {0x63, 0xffb3, "KP_3"},
    {0x64, 0xffb4, "KP_4"},  {0x65, 0xffb5, "KP_5"},  {0x66, 0xffb6, "KP_6"},  {0x67, 0xffb7, "KP_7"},
    {0x68, 0xffb8, "KP_8"},  {0x69, 0xffb9, "KP_9"},
    {0x6A, 0xffaa, "KP_Multiply"},
    {0x6B, 0xffab, "KP_Add"},
    {0x6C, 0xffac, "KP_Separator"},
    {0x6D, 0xffad, "KP_Subtract"},
    {0x6E, 0xffae, "KP_Decimal"},
    {0x6F, 0xffaf, "KP_Divide"},
    // Function keys F1 .. F24.
    {0x70, 0xffbe, "F1"},  {0x71, 0xffbf, "F2"},  {0x72, 0xffc0, "F3"},  {0x73, 0xffc1, "F4"},
    {0x74, 0xffc2, "F5"},  {0x75, 0xffc3, "F6"},  {0x76, 0xffc4, "F7"},  {0x77, 0xffc5, "F8"},
    {0x78, 0xffc6, "F9"},  {0x79, 0xffc7, "F10"},  {0x7A, 0xffc8, "F11"},  {0x7B, 0xffc9, "F12"},
    {0x7C, 0xffca, "F13"},  {0x7D, 0xffcb, "F14"},  {0x7E, 0xffcc, "F15"},  {0x7F, 0xffcd, "F16"},
    {0x80, 0xffce, "F17"},  {0x81, 0xffcf, "F18"},  {0x82, 0xffd0, "F19"},  {0x83, 0xffd1, "F20"},
    {0x84, 0xffd2, "F21"},  {0x85, 0xffd3, "F22"},  {0x86, 0xffd4, "F23"},  {0x87, 0xffd5, "F24"},
    // Browser and media keys.
    {0xA6, 0x1008ff26, "XF86Back"},
    {0xA7, 0x1008ff27, "XF86Forward"},
    {0xA8, 0x1008ff29, "XF86Refresh"},
    {0xA9, 0x1008ff28, "XF86Stop"},
    {0xAA, 0x1008ff1b, "XF86Search"},
    {0xAB, 0x1008ff30, "XF86Favorites"},
    {0xAC, 0x1008ff18, "XF86HomePage"},
    {0xAD, 0x1008ff12, "XF86AudioMute"},
    {0xAE, 0x1008ff11, "XF86AudioLowerVolume"},
    {0xAF, 0x1008ff13, "XF86AudioRaiseVolume"},
    {0xB0, 0x1008ff17, "XF86AudioNext"},
    {0xB1, 0x1008ff16, "XF86AudioPrev"},
    {0xB2, 0x1008ff15, "XF86AudioStop"},
    {0xB3, 0x1008ff14, "XF86AudioPlay"},
    {0xB3, 0x1008ff31, "XF86AudioPause"},
    {0xB4, 0x1008ff19, "XF86Mail"},
    {0xB5, 0x1008ff32, "XF86AudioMedia"},
    {0xB6, 0x1008ff33, "XF86MyComputer"},
    {0xB7, 0x1008ff1d, "XF86Calculator"},
    // Punctuation (US layout positions).
    {0xBA, 0x003b, "semicolon"},
    {0xBB, 0x003d, "equal"},
    {0xBC, 0x002c, "comma"},
    {0xBD, 0x002d, "minus"},
    {0xBE, 0x002e, "period"},
    {0xBF, 0x002f, "slash"},
    {0xC0, 0x0060, "grave"},
    {0xDB, 0x005b, "bracketleft"},
    {0xDC, 0x005c, "backslash"},
    {0xDD, 0x005d, "bracketright"},
    {0xDE, 0x0027, "apostrophe"},
    {0xE2, 0x003c, "less"},  // the extra key of 102-key keyboards
};

// The keysym to grab for a virtual-key code; 0 when the table has no such key.
constexpr std::uint32_t KeysymForVirtualKey(unsigned code) {
  for (const VirtualKey& k : kVirtualKeys)
    if (k.code == code) return k.keysym;
  return 0;
}

// The name of that keysym; empty when the table has no such key.
constexpr std::string_view KeysymNameForVirtualKey(unsigned code) {
  for (const VirtualKey& k : kVirtualKeys)
    if (k.code == code) return k.name;
  return {};
}

// The virtual-key code a keysym stands for; 0 when none. Upper-case letters
// count as their key.
constexpr std::uint16_t VirtualKeyForKeysym(std::uint32_t keysym) {
  if (keysym >= 0x41 && keysym <= 0x5a) keysym += 0x20;
  for (const VirtualKey& k : kVirtualKeys)
    if (k.keysym == keysym) return k.code;
  return 0;
}

}  // namespace toviwall
