// The window side shared by the end-to-end tests' helper programs that drive the SDL display
// backend by themselves: a window procedure that handles nothing, and the message pump run
// between frames so that the window stays mapped and answers the X server.
#pragma once

#include "platform/sdl/SdlWindow.hpp"

#include <cstdint>

namespace probe {

inline long ignoreMessages(Window*, std::uint32_t, std::uintptr_t, std::intptr_t)
{
    return 0;
}

inline void pump(SdlWindow& window)
{
    Message message;
    while (window.peekMessage(message))
        window.dispatchMessage(message);
}

} // namespace probe
