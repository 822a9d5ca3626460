// KeyCodes: the SDL key to virtual-key table; see the header.
// Layout-dependent keys (letters, digits) are taken from the key code first, so a letter is
// the one printed on the user's keyboard, with the physical position as a fallback for
// layouts whose keys give no Latin letter or digit (Cyrillic letters, the AZERTY digit row).
#include "platform/KeyCodes.hpp"

namespace {

struct KeyPair {
    SDL_Keycode sym;
    std::uintptr_t code;
};

// Keys whose code does not depend on the layout.
constexpr KeyPair fixedKeys[] = {
    {SDLK_ESCAPE, 27},      {SDLK_BACKSPACE, 8},     {SDLK_TAB, 9},          {SDLK_RETURN, 13},
    {SDLK_SPACE, 32},       {SDLK_PAGEUP, 33},       {SDLK_PAGEDOWN, 34},    {SDLK_END, 35},
    {SDLK_HOME, 36},        {SDLK_LEFT, 37},         {SDLK_UP, 38},          {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40},        {SDLK_INSERT, 45},       {SDLK_DELETE, 46},      {SDLK_F1, 112},
    {SDLK_F2, 113},         {SDLK_F3, 114},          {SDLK_F4, 115},         {SDLK_F5, 116},
    {SDLK_F6, 117},         {SDLK_F7, 118},          {SDLK_F8, 119},         {SDLK_F9, 120},
    {SDLK_F10, 121},        {SDLK_F11, 122},         {SDLK_F12, 123},        {SDLK_KP_MULTIPLY, 106},
    {SDLK_KP_PLUS, 107},    {SDLK_KP_MINUS, 109},    {SDLK_KP_DIVIDE, 111},  {SDLK_KP_ENTER, 13},
};

// The keypad keys that change with NumLock: the code with NumLock on, and with it off.
struct KeypadKey {
    SDL_Keycode sym;
    std::uintptr_t numLockOn;
    std::uintptr_t numLockOff;
};

constexpr KeypadKey keypadKeys[] = {
    {SDLK_KP_0, 96, 45},  // Insert
    {SDLK_KP_1, 97, 35},  // End
    {SDLK_KP_2, 98, 40},  // Down
    {SDLK_KP_3, 99, 34},  // Page Down
    {SDLK_KP_4, 100, 37}, // Left
    {SDLK_KP_5, 101, 12}, // Clear
    {SDLK_KP_6, 102, 39}, // Right
    {SDLK_KP_7, 103, 36}, // Home
    {SDLK_KP_8, 104, 38}, // Up
    {SDLK_KP_9, 105, 33}, // Page Up
    {SDLK_KP_PERIOD, 110, 46}, // Delete
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
