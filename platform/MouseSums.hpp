// MouseSums: what a relative mouse device gathers between two reads, shared by the SDL and the
// Win32 mice: motion and wheel summed in 64 bits, and the state of the four buttons (left,
// right, middle, fourth; 0x80 while held). A read hands the sums over cut to the range of a
// 32-bit axis, so that a huge backlog cannot wrap round, and starts new ones.
#pragma once

#include "platform/Mouse.hpp"

#include <cstdint>
#include <limits>

struct MouseSums {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t z = 0;
    std::uint8_t buttons[4] = {};

    void clearMotion() { x = y = z = 0; }
    void releaseButtons()
    {
        for (std::uint8_t& button : buttons)
            button = 0;
    }
    void handOver(MouseState& state)
    {
        state.lX = clampAxis(x);
        state.lY = clampAxis(y);
        state.lZ = clampAxis(z);
        for (int i = 0; i < 4; ++i)
            state.rgbButtons[i] = buttons[i];
        clearMotion();
    }

    static std::int32_t clampAxis(std::int64_t sum)
    {
        constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
        constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
        return static_cast<std::int32_t>(sum < lowest ? lowest : sum > highest ? highest : sum);
    }
};
