// SdlClock: the SDL tick count and the calendar time; see the header.
#include "platform/sdl/SdlClock.hpp"

#include <SDL.h>

#include <ctime>

std::uint32_t SdlClock::milliseconds()
{
    // The 64-bit count is cut to its low 32 bits on purpose: the readings wrap, they do not stop.
    return static_cast<std::uint32_t>(SDL_GetTicks64() & 0xFFFFFFFFu);
}

std::uint32_t SdlClock::calendarSeconds()
{
    return static_cast<std::uint32_t>(std::time(nullptr));
}
