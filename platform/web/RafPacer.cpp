// RafPacer: the 60-a-second grid over animation-frame callbacks; see the header.
#include "platform/web/RafPacer.hpp"

#include <algorithm>
#include <cmath>

RafPacer::RafPacer(double framesPerSecond) : period(1000.0 / framesPerSecond)
{}

void RafPacer::restart()
{
    started = false;
    callbackGap = 0.0;
}

bool RafPacer::due(double now)
{
    if (!started) {
        started = true;
        lastCallback = now;
        callbackGap = period;
        nextDeadline = now + period;
        return true;
    }
    // The display's callback gap, smoothed against jitter; a long gap (the tab was hidden) is
    // not taken as the display's rate.
    const double gap = now - lastCallback;
    lastCallback = now;
    if (gap > 0.0 && gap < 4.0 * period)
        callbackGap += (gap - callbackGap) * 0.1;
    // A display within 1% of 60 Hz is the clock itself, as a trusted vsync is natively: every
    // callback runs, so its own small drift from 60.000 never costs a skipped frame.
    if (std::abs(callbackGap - period) < period * 0.01) {
        nextDeadline = now + period;
        return true;
    }
    const double slack = std::min(callbackGap, period) * 0.5;
    if (now + slack < nextDeadline)
        return false;
    nextDeadline += period;
    if (now - nextDeadline > period)
        nextDeadline = now + period; // far behind: a new grid
    return true;
}
