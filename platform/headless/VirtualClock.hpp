// VirtualClock: a millisecond clock that moves only when told, for the tests and the replay
// tool; its calendar time is the run's seed.
#pragma once

#include "platform/Clock.hpp"

class VirtualClock : public Clock {
public:
    explicit VirtualClock(std::uint32_t seed, std::uint32_t start = 0) : now(start), calendar(seed) {}

    std::uint32_t milliseconds() override { return now; }
    std::uint32_t calendarSeconds() override { return calendar; }
    // Moves the clock on, wrapping at 2^32 like a real millisecond counter.
    void advance(std::uint32_t ms) { now += ms; }

private:
    std::uint32_t now;
    std::uint32_t calendar;
};
