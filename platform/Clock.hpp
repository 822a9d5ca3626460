// Clock: the millisecond clock that frames are timed with; an unsigned 32-bit count that
// wraps every 2^32 ms, and the calendar time that seeds the run. The SDL clock reads the
// real time; the replay tool's one is virtual.
#pragma once

#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t milliseconds() = 0;
    // The calendar time in whole seconds, which seeds the random generator at start.
    virtual std::uint32_t calendarSeconds() = 0;
};
