#include "base/ShortCut.h"

#include <cstdio>

#include "base/VirtualKeyNames.h"

namespace toviwall {

TShortCut ShortCut(unsigned key, TShortCutShift shift) {
  if (key > 0xFF) return 0;
  return static_cast<TShortCut>(key | (shift & scModifiers));
}

SplitKey SplitShortCut(TShortCut shortCut) {
  SplitKey k;
  k.virtKey = shortCut & scKeyMask;
  if (shortCut & scCtrl) k.modifier += modCtrl;
  if (shortCut & scShift) k.modifier += modShift;
  if (shortCut & scAlt) k.modifier += modAlt;
  if (shortCut & scSuper) k.modifier += modSuper;
  return k;
}

bool UsableSystemWide(TShortCut shortCut) {
  const unsigned key = shortCut & scKeyMask;
  if (key == 0) return false;
  if (shortCut & (scCtrl | scAlt | scSuper)) return true;
  return (key >= 0x70 && key <= 0x87) ||  // F1 .. F24
         (key >= 0xA6 && key <= 0xB7) ||  // browser and media keys
         key == 0x5F || key == 0x13 || key == 0x2C;  // Sleep, Pause, Print Screen
}

TShortCutShift ShiftFromModifier(int modifier) {
  if (modifier < 1 || modifier > 15) return 0;
  TShortCutShift shift = 0;
  if (modifier & modAlt) shift |= scAlt;
  if (modifier & modCtrl) shift |= scCtrl;
  if (modifier & modShift) shift |= scShift;
  if (modifier & modSuper) shift |= scSuper;
  return shift;
}

std::string ShortCutText(TShortCut shortCut) {
  if (shortCut == 0) return {};
  std::string text;
  if (shortCut & scCtrl) text += "Ctrl + ";
  if (shortCut & scShift) text += "Shift + ";
  if (shortCut & scAlt) text += "Alt + ";
  if (shortCut & scSuper) text += "Super + ";
  unsigned key = shortCut & scKeyMask;
  std::string_view name = VirtualKeyName(key);
  if (!name.empty()) {
    text += name;
  } else if (key != 0) {
    char code[8];
    std::snprintf(code, sizeof code, "#%02X", key);
    text += code;
  }
  return text;
}

}  // namespace toviwall
