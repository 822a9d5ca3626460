// Tests of the SDL key to virtual-key table: letters whatever the shift state, the two kinds
// of digits kept apart, the command keys, NumLock on the keypad, and keys left undelivered.
#include "platform/sdl/SdlKeyCodes.hpp"

#include <gtest/gtest.h>

TEST(KeyCodes, LettersGiveUpperCaseCodesWhateverTheCase)
{
    // SDL reports letters in lower case; shift and caps lock change only the modifiers.
    EXPECT_EQ(virtualKeyFromSdl(SDLK_a, SDL_SCANCODE_A), 65u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_z, SDL_SCANCODE_Z), 90u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_h, SDL_SCANCODE_H), 72u);
    EXPECT_EQ(virtualKeyFromSdl('H', SDL_SCANCODE_H), 72u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_s, SDL_SCANCODE_S, false), 83u);
}

TEST(KeyCodes, LettersFollowTheLayoutNotThePosition)
{
    // AZERTY: the key at QWERTY's Q position prints A, and the one at M's position a comma.
    EXPECT_EQ(virtualKeyFromSdl(SDLK_a, SDL_SCANCODE_Q), 65u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_COMMA, SDL_SCANCODE_M), 0u);
    // A Cyrillic layout gives no Latin letter: the position decides.
    EXPECT_EQ(virtualKeyFromSdl(0x0438, SDL_SCANCODE_B), 66u);
}

TEST(KeyCodes, MainRowDigitsAreNotKeypadDigits)
{
    EXPECT_EQ(virtualKeyFromSdl(SDLK_1, SDL_SCANCODE_1), 49u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_8, SDL_SCANCODE_8), 56u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_0, SDL_SCANCODE_0), 48u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_1, SDL_SCANCODE_KP_1), 97u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_0, SDL_SCANCODE_KP_0), 96u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_9, SDL_SCANCODE_KP_9), 105u);
    // AZERTY's digit row gives punctuation unshifted; the key is still its digit.
    EXPECT_EQ(virtualKeyFromSdl(SDLK_AMPERSAND, SDL_SCANCODE_1), 49u);
    EXPECT_EQ(virtualKeyFromSdl(0xE0 /* a-grave */, SDL_SCANCODE_0), 48u);
}

TEST(KeyCodes, KeypadOperatorsAndEnter)
{
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY), 106u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS), 107u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS), 109u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD), 110u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE), 111u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), 13u);
}

TEST(KeyCodes, KeypadWithoutNumLockGivesNavigationKeys)
{
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_9, SDL_SCANCODE_KP_9, false), 33u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_3, SDL_SCANCODE_KP_3, false), 34u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_8, SDL_SCANCODE_KP_8, false), 38u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, false), 46u);
    // Operators do not depend on NumLock.
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, false), 107u);
}

TEST(KeyCodes, CommandAndEditingKeys)
{
    EXPECT_EQ(virtualKeyFromSdl(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), 27u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_F12, SDL_SCANCODE_F12), 123u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_F1, SDL_SCANCODE_F1), 112u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_PAGEUP, SDL_SCANCODE_PAGEUP), 33u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN), 34u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_HOME, SDL_SCANCODE_HOME), 36u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_END, SDL_SCANCODE_END), 35u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LEFT, SDL_SCANCODE_LEFT), 37u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_DOWN, SDL_SCANCODE_DOWN), 40u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_INSERT, SDL_SCANCODE_INSERT), 45u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_DELETE, SDL_SCANCODE_DELETE), 46u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE), 8u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_TAB, SDL_SCANCODE_TAB), 9u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RETURN, SDL_SCANCODE_RETURN), 13u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_SPACE, SDL_SCANCODE_SPACE), 32u);
}

TEST(KeyCodes, KeysWithoutACodeGiveZero)
{
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LALT, SDL_SCANCODE_LALT), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_PRINTSCREEN, SDL_SCANCODE_PRINTSCREEN), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_MINUS, SDL_SCANCODE_MINUS), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0u);
}
