// WebClock: see the header.
#include "platform/web/WebClock.hpp"

#include <emscripten.h>

#include <cmath>
#include <ctime>

std::uint32_t WebClock::milliseconds()
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::floor(emscripten_get_now())));
}

std::uint32_t WebClock::calendarSeconds()
{
    return static_cast<std::uint32_t>(std::time(nullptr));
}
