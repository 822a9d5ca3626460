// SdlClock: the real clock. milliseconds() is SDL's tick count cut to 32 bits, so it wraps
// every 2^32 ms like the counter the frame timing was written for; calendarSeconds() is the
// wall-clock time in whole seconds. SDL's timer must be initialised (SdlWindow does it)
// before the tick count means anything.
#pragma once

#include "platform/Clock.hpp"

#include <cstdint>

class SdlClock : public Clock {
public:
    std::uint32_t milliseconds() override;
    std::uint32_t calendarSeconds() override;
};
