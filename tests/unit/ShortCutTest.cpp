// Hot key encodings and the virtual-key table.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/ShortCut.h"
#include "base/VirtualKeyNames.h"
#include "platform/x11/VirtualKeys.h"

namespace toviwall {
namespace {

TEST(ShortCutTest, SplitsIntoKeyAndStoredModifier) {
  const TShortCut ctrlAltW = ShortCut(0x57, scCtrl | scAlt);
  EXPECT_EQ(ctrlAltW, 0xC057);
  EXPECT_EQ(SplitShortCut(ctrlAltW).virtKey, 87);
  EXPECT_EQ(SplitShortCut(ctrlAltW).modifier, 3);
  EXPECT_EQ(SplitShortCut(ShortCut(0x70, scShift)).modifier, 4);
  EXPECT_EQ(SplitShortCut(ShortCut(0x70, scShift | scCtrl | scAlt)).modifier, 7);
  EXPECT_EQ(SplitShortCut(ShortCut(0x4E, scSuper | scCtrl)).modifier, 10);
  EXPECT_EQ(SplitShortCut(0).virtKey, 0);
  EXPECT_EQ(ShortCut(0x100, scCtrl), 0) << "a key beyond one byte gives no shortcut";
}

TEST(ShortCutTest, StoredModifierValuesOneToFifteenWithSuperAsEight) {
  const TShortCutShift expected[] = {0, scAlt, scCtrl, scAlt | scCtrl, scShift, scShift | scAlt, scShift | scCtrl,
                                     scShift | scAlt | scCtrl};
  for (int m = 0; m <= 7; ++m) EXPECT_EQ(ShiftFromModifier(m), expected[m]) << m;
  for (int m = 8; m <= 15; ++m) EXPECT_EQ(ShiftFromModifier(m), scSuper | expected[m - 8]) << m;
  for (int m : {16, 24, 255, -1, 1 << 20}) EXPECT_EQ(ShiftFromModifier(m), 0) << m;
  // Stored and read back, every combination comes out the same.
  for (int m = 1; m <= 15; ++m) EXPECT_EQ(SplitShortCut(ShortCut(0x41, ShiftFromModifier(m))).modifier, m);
  EXPECT_EQ(SplitShortCut(ShortCut(0x4E, scSuper)).virtKey, 0x4E);
}

TEST(ShortCutTest, AKeyThatTypesNeedsCtrlAltOrSuperNotShiftAlone) {
  for (TShortCutShift shift : {scCtrl, scAlt, scSuper, static_cast<TShortCutShift>(scShift | scCtrl)})
    EXPECT_TRUE(UsableSystemWide(ShortCut(0x57, shift))) << shift;
  for (unsigned key : {0x57u, 0x31u, 0x25u, 0x2Eu, 0x20u, 0x60u})  // W, 1, Left, Delete, Space, Num 0
    for (TShortCutShift shift : {TShortCutShift{0}, scShift}) EXPECT_FALSE(UsableSystemWide(ShortCut(key, shift))) << key;
  for (unsigned key : {0x70u, 0x87u, 0xB3u, 0x2Cu})  // F1, F24, Play/Pause, Print Screen
    for (TShortCutShift shift : {TShortCutShift{0}, scShift}) EXPECT_TRUE(UsableSystemWide(ShortCut(key, shift))) << key;
  EXPECT_FALSE(UsableSystemWide(0));
}

TEST(ShortCutTest, TextAsTheBoxShowsIt) {
  EXPECT_EQ(ShortCutText(ShortCut(0x57, scCtrl | scAlt)), "Ctrl + Alt + W");
  EXPECT_EQ(ShortCutText(ShortCut(0x70, scShift)), "Shift + F1");
  EXPECT_EQ(ShortCutText(ShortCut(0x72, 0)), "F3");
  EXPECT_EQ(ShortCutText(ShortCut(0x61, scCtrl | scShift | scAlt)), "Ctrl + Shift + Alt + Num 1");
  EXPECT_EQ(ShortCutText(0), "");
  EXPECT_EQ(ShortCutText(ShortCut(0xFF, scCtrl)), "Ctrl + #FF");
  EXPECT_EQ(ShortCutText(scCtrl | scAlt), "Ctrl + Alt + ") << "modifiers held, no key yet";
  EXPECT_EQ(ShortCutText(ShortCut(0x4E, scSuper)), "Super + N");
  EXPECT_EQ(ShortCutText(ShortCut(0x4E, scSuper | scShift)), "Shift + Super + N");
}

TEST(VirtualKeyTableTest, EveryKeyHasOneNameAndOneKeysymToGrab) {
  std::set<std::uint32_t> keysyms;
  std::set<unsigned> grabbed;
  for (const VirtualKey& k : kVirtualKeys) {
    EXPECT_TRUE(keysyms.insert(k.keysym).second) << "keysym " << std::hex << k.keysym << " twice";
    grabbed.insert(k.code);
    EXPECT_LE(k.code, 0xFF) << "the settings hold one byte";
  }
  // The names and the X table cover the same codes, each name once.
  std::set<unsigned> named;
  for (const NamedVirtualKey& k : kVirtualKeyNames) {
    EXPECT_TRUE(named.insert(k.code).second) << "code " << std::hex << k.code << " named twice";
    EXPECT_FALSE(k.name.empty()) << std::hex << k.code;
  }
  EXPECT_EQ(named, grabbed);
  for (unsigned code : grabbed) EXPECT_EQ(VirtualKeyForKeysym(KeysymForVirtualKey(code)), code) << std::hex << code;
}

TEST(VirtualKeyTableTest, CoversTheKeyGroups) {
  auto covered = [](unsigned first, unsigned last) {
    for (unsigned c = first; c <= last; ++c)
      if (KeysymForVirtualKey(c) == 0) return false;
    return true;
  };
  EXPECT_TRUE(covered('0', '9'));
  EXPECT_TRUE(covered('A', 'Z'));
  EXPECT_TRUE(covered(0x70, 0x87)) << "F1 .. F24";
  EXPECT_TRUE(covered(0x21, 0x28)) << "Page Up .. Down";
  EXPECT_TRUE(covered(0x60, 0x6F)) << "numeric keypad";
  EXPECT_TRUE(covered(0xA6, 0xB7)) << "browser and media keys";
  EXPECT_TRUE(covered(0xBA, 0xC0) && covered(0xDB, 0xDE)) << "punctuation";
  for (unsigned c : {0x08u, 0x09u, 0x0Du, 0x13u, 0x1Bu, 0x20u, 0x2Du, 0x2Eu}) EXPECT_NE(KeysymForVirtualKey(c), 0u);
  // Letters whichever case the keyboard reports; the keypad without Num Lock.
  EXPECT_EQ(VirtualKeyForKeysym('W'), 0x57);
  EXPECT_EQ(VirtualKeyForKeysym('w'), 0x57);
  EXPECT_EQ(VirtualKeyForKeysym(0xff9c), 0x23) << "KP_End is End";
  EXPECT_EQ(VirtualKeyForKeysym(0xffbe), 0x70) << "F1";
  EXPECT_EQ(VirtualKeyForKeysym(0x21), 0) << "a shifted symbol has no code of its own";
  EXPECT_EQ(KeysymForVirtualKey(0x57), 0x77u) << "grabbed by its unshifted keysym";
}

}  // namespace
}  // namespace toviwall
