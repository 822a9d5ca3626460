// WebKeyCodes: turns a browser key press (its KeyboardEvent `code`, the physical key, and
// `key`, what the layout gives) into the virtual-key code the program's key-downs carry, the
// same codes as the native program: letters as upper case whatever the shift state, main-row
// digits apart from keypad digits, the named keys. Pure, so it is tested without a browser.
#pragma once

#include <cstdint>

// The virtual-key code, or 0 for a key the program has no code for (not delivered).
std::uintptr_t virtualKeyFromDom(const char* code, const char* key);
