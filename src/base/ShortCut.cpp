#include "base/ShortCut.h"

#include <cstdio>

#include "base/VirtualKeyNames.h"

namespace toviwall {

TShortCut ShortCut(unsigned key, TShortCutShift shift) {
  if (key > 0xFF) return 0;
  return static_cast<TShortCut>(key | (shift & (scShift | scCtrl | scAlt)));
}

SplitKey SplitShortCut(TShortCut shortCut) {
  SplitKey k;
  k.virtKey = shortCut & scKeyMask;
  if (shortCut & scCtrl) k.modifier += modCtrl;
  if (shortCut & scShift) k.modifier += modShift;
  if (shortCut & scAlt) k.modifier += modAlt;
  return k;
}

TShortCutShift ShiftFromModifier(int modifier) {
  if (modifier < 1 || modifier > 7) return 0;
  TShortCutShift shift = 0;
  if (modifier & modAlt) shift |= scAlt;
  if (modifier & modCtrl) shift |= scCtrl;
  if (modifier & modShift) shift |= scShift;
  return shift;
}

std::string ShortCutText(TShortCut shortCut) {
  if (shortCut == 0) return {};
  std::string text;
  if (shortCut & scCtrl) text += "Ctrl + ";
  if (shortCut & scShift) text += "Shift + ";
  if (shortCut & scAlt) text += "Alt + ";
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
