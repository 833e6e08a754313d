// Shortcut codes and their text, both ways.
#include "toolkit/Menus.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

class ShortCuts : public testing_support::SimTest {};

TEST_F(ShortCuts, TheActionShortcutsHaveTheirStoredCodes) {
    EXPECT_EQ(TextToShortCut("Ctrl+O"), 16463);
    EXPECT_EQ(TextToShortCut("Ctrl+S"), 16467);
    EXPECT_EQ(TextToShortCut("Del"), 46);
    EXPECT_EQ(TextToShortCut("Ctrl+P"), 16464);
    EXPECT_EQ(ShortCutToText(16463), "Ctrl+O");
    EXPECT_EQ(ShortCutToText(46), "Del");
}

TEST_F(ShortCuts, DefaultHotKeyReadsInAnyPrefixOrderAndWritesCanonically) {
    EXPECT_EQ(TextToShortCut("Alt+Ctrl+C"), 49219);
    EXPECT_EQ(ShortCutToText(49219), "Ctrl+Alt+C");
    EXPECT_EQ(ShortCutToText(TextToShortCut("Alt+Shift+Ctrl+F5")), "Shift+Ctrl+Alt+F5");
    WORD key;
    TShiftState shift;
    ShortCutToKey(49219, key, shift);
    EXPECT_EQ(key, 67);
    EXPECT_EQ(shift, ssCtrl | ssAlt);
}

TEST_F(ShortCuts, PrefixesAndNamesIgnoreCaseAndCaretMeansCtrl) {
    EXPECT_EQ(TextToShortCut("ctrl+o"), 16463);
    EXPECT_EQ(TextToShortCut("^O"), 16463);
    EXPECT_EQ(TextToShortCut("sHiFt+pgdn"), 0x2000 | 34);
    EXPECT_EQ(TextToShortCut("Ctrl+Ctrl+a"), 16449); // repeated prefixes are allowed
}

TEST_F(ShortCuts, NoMatchOrNothingAfterThePrefixesGivesZero) {
    EXPECT_EQ(TextToShortCut(""), 0);
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut("Ctrl+Nonsense"), 0);
    EXPECT_EQ(TextToShortCut("Ctrl O"), 0);
}

TEST_F(ShortCuts, KeyNamesOfTheTable) {
    EXPECT_EQ(ShortCutToText(8), "BkSp");
    EXPECT_EQ(ShortCutToText(9), "Tab");
    EXPECT_EQ(ShortCutToText(13), "Enter");
    EXPECT_EQ(ShortCutToText(27), "Esc");
    const char* navigation[] = {"Space", "PgUp", "PgDn", "End", "Home",
                                "Left",  "Up",   "Right", "Down"};
    for (WORD key = 32; key <= 40; ++key)
        EXPECT_EQ(ShortCutToText(key), navigation[key - 32]);
    EXPECT_EQ(ShortCutToText(45), "Ins");
    EXPECT_EQ(ShortCutToText('7'), "7");
    EXPECT_EQ(ShortCutToText('Z'), "Z");
    EXPECT_EQ(ShortCutToText(112), "F1");
    EXPECT_EQ(ShortCutToText(135), "F24");
}

TEST_F(ShortCuts, KeyPadDigitsShareTheDigitNamesSoTextGivesTheDigitKeys) {
    EXPECT_EQ(ShortCutToText(VK_NUMPAD0 + 4), "4");
    EXPECT_EQ(TextToShortCut("4"), '4');
    EXPECT_EQ(TextToShortCut("Alt+0"), 0x8000 | '0');
}

TEST_F(ShortCuts, OtherKeysUseThePlatformsKeyName) {
    EXPECT_EQ(ShortCutToText(VK_OEM_1), ";");
    EXPECT_EQ(TextToShortCut("Ctrl+;"), 0x4000 | VK_OEM_1);
    EXPECT_EQ(ShortCutToText(VK_SCROLL), "Scroll Lock");
    EXPECT_EQ(ShortCutToText(0xFF), ""); // no name: the whole text is empty
    EXPECT_EQ(ShortCutToText(0x4000 | 0xFF), "");
}

} // namespace
