// VirtualKeys: the virtual-key codes that key-down messages carry, named. Letters and the main
// row's digits are their own upper-case characters ('A'..'Z', '0'..'9') and have no names here;
// the keypad's digits are apart from them (VK_NUMPAD0..VK_NUMPAD9), as the commands need.
#pragma once

#include <cstdint>

constexpr std::uintptr_t VK_BACK = 8;
constexpr std::uintptr_t VK_TAB = 9;
constexpr std::uintptr_t VK_CLEAR = 12;
constexpr std::uintptr_t VK_RETURN = 13;
constexpr std::uintptr_t VK_ESCAPE = 27;
constexpr std::uintptr_t VK_SPACE = 32;
constexpr std::uintptr_t VK_PRIOR = 33; // Page Up
constexpr std::uintptr_t VK_NEXT = 34; // Page Down
constexpr std::uintptr_t VK_END = 35;
constexpr std::uintptr_t VK_HOME = 36;
constexpr std::uintptr_t VK_LEFT = 37;
constexpr std::uintptr_t VK_UP = 38;
constexpr std::uintptr_t VK_RIGHT = 39;
constexpr std::uintptr_t VK_DOWN = 40;
constexpr std::uintptr_t VK_INSERT = 45;
constexpr std::uintptr_t VK_DELETE = 46;
constexpr std::uintptr_t VK_NUMPAD0 = 96; // ... VK_NUMPAD0 + 9 for keypad 9
constexpr std::uintptr_t VK_MULTIPLY = 106;
constexpr std::uintptr_t VK_ADD = 107;
constexpr std::uintptr_t VK_SUBTRACT = 109;
constexpr std::uintptr_t VK_DECIMAL = 110;
constexpr std::uintptr_t VK_DIVIDE = 111;
constexpr std::uintptr_t VK_F1 = 112; // ... VK_F1 + 11 for F12
constexpr std::uintptr_t VK_F4 = 115;
constexpr std::uintptr_t VK_F10 = 121;
constexpr std::uintptr_t VK_F12 = 123;
