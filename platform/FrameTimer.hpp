// FrameTimer: the time between two frames, in seconds, from the 32-bit millisecond clock.
// The first frame starts the timer and gets (nearly) 0. The difference of two readings is
// taken modulo 2^32, so the clock's wrap after 49.7 days still gives the right dt.
#pragma once

#include "platform/Clock.hpp"

#include <cstdint>

class FrameTimer {
public:
    float nextDt(Clock& clock)
    {
        if (!started) {
            lastFrameTime = clock.milliseconds();
            started = true;
        }
        const std::uint32_t now = clock.milliseconds();
        const double dt = static_cast<double>(static_cast<std::uint32_t>(now - lastFrameTime)) * 0.001;
        lastFrameTime = now;
        return static_cast<float>(dt);
    }

private:
    bool started = false;
    std::uint32_t lastFrameTime = 0;
};
