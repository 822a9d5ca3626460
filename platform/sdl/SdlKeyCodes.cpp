// KeyCodes: the SDL key to virtual-key table; see the header.
// Layout-dependent keys (letters, digits) are taken from the key code first, so a letter is
// the one printed on the user's keyboard, with the physical position as a fallback for
// layouts whose keys give no Latin letter or digit (Cyrillic letters, the AZERTY digit row).
#include "platform/sdl/SdlKeyCodes.hpp"

#include "platform/VirtualKeys.hpp"

namespace {

struct KeyPair {
    SDL_Keycode sym;
    std::uintptr_t code;
};

// Keys whose code does not depend on the layout.
constexpr KeyPair fixedKeys[] = {
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_BACKSPACE, VK_BACK},
    {SDLK_TAB, VK_TAB},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_SPACE, VK_SPACE},
    {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},
    {SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, VK_DELETE},
    {SDLK_F1, VK_F1},
    {SDLK_F2, VK_F1 + 1},
    {SDLK_F3, VK_F1 + 2},
    {SDLK_F4, VK_F4},
    {SDLK_F5, VK_F1 + 4},
    {SDLK_F6, VK_F1 + 5},
    {SDLK_F7, VK_F1 + 6},
    {SDLK_F8, VK_F1 + 7},
    {SDLK_F9, VK_F1 + 8},
    {SDLK_F10, VK_F10},
    {SDLK_F11, VK_F1 + 10},
    {SDLK_F12, VK_F12},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},
    {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_KP_ENTER, VK_RETURN},
};

// The keypad keys that change with NumLock: the code with NumLock on, and with it off.
struct KeypadKey {
    SDL_Keycode sym;
    std::uintptr_t numLockOn;
    std::uintptr_t numLockOff;
};

constexpr KeypadKey keypadKeys[] = {
    {SDLK_KP_0, VK_NUMPAD0, VK_INSERT},      {SDLK_KP_1, VK_NUMPAD0 + 1, VK_END},
    {SDLK_KP_2, VK_NUMPAD0 + 2, VK_DOWN},    {SDLK_KP_3, VK_NUMPAD0 + 3, VK_NEXT},
    {SDLK_KP_4, VK_NUMPAD0 + 4, VK_LEFT},    {SDLK_KP_5, VK_NUMPAD0 + 5, VK_CLEAR},
    {SDLK_KP_6, VK_NUMPAD0 + 6, VK_RIGHT},   {SDLK_KP_7, VK_NUMPAD0 + 7, VK_HOME},
    {SDLK_KP_8, VK_NUMPAD0 + 8, VK_UP},      {SDLK_KP_9, VK_NUMPAD0 + 9, VK_PRIOR},
    {SDLK_KP_PERIOD, VK_DECIMAL, VK_DELETE},
};

// Whether a key code stands for a character outside ASCII, as letters of non-Latin layouts do.
bool isNonAsciiCharacter(SDL_Keycode sym)
{
    return sym >= 0x80 && (sym & SDLK_SCANCODE_MASK) == 0;
}

} // namespace

std::uintptr_t virtualKeyFromSdl(SDL_Keycode sym, SDL_Scancode scancode, bool numLock)
{
    for (const KeyPair& key : fixedKeys) {
        if (key.sym == sym)
            return key.code;
    }
    for (const KeypadKey& key : keypadKeys) {
        if (key.sym == sym)
            return numLock ? key.numLockOn : key.numLockOff;
    }
    // SDL reports letters in lower case whatever the modifiers; upper case is accepted too.
    if (sym >= SDLK_a && sym <= SDLK_z)
        return static_cast<std::uintptr_t>('A' + (sym - SDLK_a));
    if (sym >= 'A' && sym <= 'Z')
        return static_cast<std::uintptr_t>(sym);
    if (sym >= SDLK_0 && sym <= SDLK_9)
        return static_cast<std::uintptr_t>(sym);
    // The main digit row gives its digit whatever the layout prints on it (AZERTY gives
    // punctuation there unshifted). Scancodes run 1..9 and then 0.
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return static_cast<std::uintptr_t>('1' + (scancode - SDL_SCANCODE_1));
    if (scancode == SDL_SCANCODE_0)
        return '0';
    // A letter key of a non-Latin layout gives the Latin letter at its position.
    if (isNonAsciiCharacter(sym) && scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return static_cast<std::uintptr_t>('A' + (scancode - SDL_SCANCODE_A));
    return 0;
}
