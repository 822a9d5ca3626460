// KeyCodes: turns an SDL key press into the virtual-key code that key-down messages carry.
// Letters give their upper-case code whatever the shift or caps-lock state; main-row digits
// and keypad digits stay apart, as the commands need. Keys the program has no code for give
// 0 and are not delivered. A pure function of its arguments, so it needs no display.
#pragma once

#include <SDL_keycode.h>

#include <cstdint>

// The virtual-key code of a pressed key, from its layout key code (sym) and its physical
// position (scancode), or 0. With numLock off the keypad's digit keys act as the navigation
// keys printed under them (keypad 9 is Page Up), as they do on a PC keyboard.
std::uintptr_t virtualKeyFromSdl(SDL_Keycode sym, SDL_Scancode scancode, bool numLock = true);
