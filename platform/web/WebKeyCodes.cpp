// WebKeyCodes: the browser key to virtual-key table; see the header. As in the native
// program, a letter is the one the layout gives, with the physical key as the fallback for
// layouts without Latin letters, and the main digit row gives its digit on every layout.
#include "platform/web/WebKeyCodes.hpp"

#include <cstring>

namespace {

struct NamedKey {
    const char* key;
    std::uintptr_t code;
};

// Keys named by `key` whatever the layout; the keypad's keys with NumLock off arrive here as
// the navigation keys printed under them.
constexpr NamedKey kNamedKeys[] = {
    {"Escape", 27},    {"Backspace", 8}, {"Tab", 9},     {"Enter", 13},     {" ", 32},       {"PageUp", 33},
    {"PageDown", 34},  {"End", 35},      {"Home", 36},   {"ArrowLeft", 37}, {"ArrowUp", 38}, {"ArrowRight", 39},
    {"ArrowDown", 40}, {"Insert", 45},   {"Delete", 46}, {"Clear", 12},     {"F1", 112},     {"F2", 113},
    {"F3", 114},       {"F4", 115},      {"F5", 116},    {"F6", 117},       {"F7", 118},     {"F8", 119},
    {"F9", 120},       {"F10", 121},     {"F11", 122},   {"F12", 123},
};

// Keypad keys named by `code`, with NumLock on (their `key` is then a digit or a sign).
constexpr NamedKey kKeypadKeys[] = {
    {"NumpadMultiply", 106}, {"NumpadAdd", 107},    {"NumpadSubtract", 109},
    {"NumpadDecimal", 110},  {"NumpadDivide", 111}, {"NumpadEnter", 13},
};

bool startsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// A code such as "Digit7" or "KeyQ": the one character after the prefix, or 0.
char suffixCharacter(const char* code, const char* prefix)
{
    const std::size_t length = std::strlen(prefix);
    if (std::strncmp(code, prefix, length) != 0 || code[length] == '\0' || code[length + 1] != '\0')
        return 0;
    return code[length];
}

} // namespace

std::uintptr_t virtualKeyFromDom(const char* code, const char* key)
{
    if (code == nullptr)
        code = "";
    if (key == nullptr)
        key = "";
    if (const char digit = suffixCharacter(code, "Numpad"); digit >= '0' && digit <= '9') {
        if (key[0] >= '0' && key[0] <= '9' && key[1] == '\0')
            return static_cast<std::uintptr_t>(96 + (digit - '0'));
    }
    for (const NamedKey& named : kNamedKeys) {
        if (std::strcmp(named.key, key) == 0)
            return named.code;
    }
    for (const NamedKey& keypad : kKeypadKeys) {
        if (std::strcmp(keypad.key, code) == 0)
            return keypad.code;
    }
    if (startsWith(code, "Numpad"))
        return 0; // a keypad key not listed (NumpadEqual, NumpadComma)
    if (key[0] != '\0' && key[1] == '\0') {
        const char c = key[0];
        if (c >= 'a' && c <= 'z')
            return static_cast<std::uintptr_t>('A' + (c - 'a'));
        if (c >= 'A' && c <= 'Z')
            return static_cast<std::uintptr_t>(c);
        if (c >= '0' && c <= '9')
            return static_cast<std::uintptr_t>(c);
    }
    // The main digit row gives its digit whatever the layout prints on it.
    if (const char digit = suffixCharacter(code, "Digit"); digit >= '0' && digit <= '9')
        return static_cast<std::uintptr_t>(digit);
    // A letter key of a layout without Latin letters gives the Latin letter at its place; an
    // ASCII `key` (punctuation) keeps no code, as natively.
    const auto first = static_cast<unsigned char>(key[0]);
    if (first >= 0x80) {
        if (const char letter = suffixCharacter(code, "Key"); letter >= 'A' && letter <= 'Z')
            return static_cast<std::uintptr_t>(letter);
    }
    return 0;
}
