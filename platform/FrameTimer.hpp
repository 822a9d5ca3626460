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
        lastStep = static_cast<std::uint32_t>(now - lastFrameTime);
        const double dt = static_cast<double>(lastStep) * 0.001;
        lastFrameTime = now;
        return static_cast<float>(dt);
    }

    // The last step in whole milliseconds, as the replay tool's scripts give it.
    std::uint32_t lastStepMs() const { return lastStep; }

private:
    bool started = false;
    std::uint32_t lastFrameTime = 0;
    std::uint32_t lastStep = 0;
};
