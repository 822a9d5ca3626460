// Browser keys to the program's virtual-key codes: the same codes as natively, whatever the
// shift state, the layout or the keypad's NumLock.
#include "platform/web/WebKeyCodes.hpp"

#include <gtest/gtest.h>

TEST(WebKeyCodes, LettersAreUpperCaseWhateverTheShift)
{
    EXPECT_EQ(virtualKeyFromDom("KeyH", "h"), 'H');
    EXPECT_EQ(virtualKeyFromDom("KeyH", "H"), 'H');
    // The layout decides the letter: the key left of W on AZERTY gives A.
    EXPECT_EQ(virtualKeyFromDom("KeyQ", "a"), 'A');
    // A layout without Latin letters gives the letter at the key's place.
    EXPECT_EQ(virtualKeyFromDom("KeyC", "\xd1\x81"), 'C');
}

TEST(WebKeyCodes, MainRowDigitsOnEveryLayoutAndKeypadDigitsApart)
{
    EXPECT_EQ(virtualKeyFromDom("Digit8", "8"), '8');
    EXPECT_EQ(virtualKeyFromDom("Digit8", "*"), '8') << "shifted";
    EXPECT_EQ(virtualKeyFromDom("Digit1", "&"), '1') << "AZERTY, unshifted";
    EXPECT_EQ(virtualKeyFromDom("Numpad8", "8"), 104u);
    EXPECT_EQ(virtualKeyFromDom("Numpad0", "0"), 96u);
    // NumLock off: the keypad's 9 is Page Up, its 3 Page Down.
    EXPECT_EQ(virtualKeyFromDom("Numpad9", "PageUp"), 33u);
    EXPECT_EQ(virtualKeyFromDom("Numpad3", "PageDown"), 34u);
    EXPECT_EQ(virtualKeyFromDom("NumpadAdd", "+"), 107u);
}

TEST(WebKeyCodes, NamedKeys)
{
    EXPECT_EQ(virtualKeyFromDom("Escape", "Escape"), 27u);
    EXPECT_EQ(virtualKeyFromDom("F12", "F12"), 123u);
    EXPECT_EQ(virtualKeyFromDom("F1", "F1"), 112u);
    EXPECT_EQ(virtualKeyFromDom("PageUp", "PageUp"), 33u);
    EXPECT_EQ(virtualKeyFromDom("PageDown", "PageDown"), 34u);
    EXPECT_EQ(virtualKeyFromDom("Space", " "), 32u);
    EXPECT_EQ(virtualKeyFromDom("ArrowLeft", "ArrowLeft"), 37u);
}

TEST(WebKeyCodes, KeysWithoutACodeGiveNothing)
{
    EXPECT_EQ(virtualKeyFromDom("ShiftLeft", "Shift"), 0u);
    EXPECT_EQ(virtualKeyFromDom("Comma", ","), 0u);
    EXPECT_EQ(virtualKeyFromDom("NumpadEqual", "="), 0u);
    EXPECT_EQ(virtualKeyFromDom("", ""), 0u);
    EXPECT_EQ(virtualKeyFromDom(nullptr, nullptr), 0u);
    EXPECT_EQ(virtualKeyFromDom("KeyA", "Dead"), 0u) << "a dead key composing an accent";
}
