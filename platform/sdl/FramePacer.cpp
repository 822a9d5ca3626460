// FramePacer: the deadline grid and the wait for it; see the header.
#include "platform/sdl/FramePacer.hpp"

#include <SDL.h>

namespace {

// Frames watched at a time to tell whether vsync really blocks.
constexpr std::uint32_t watchLength = 30;
// Above this rate vsync is taken not to hold frames to the display's 60 a second.
constexpr std::uint64_t vsyncFailRate = 66;

} // namespace

FramePacer::FramePacer(std::uint64_t ticks, std::uint32_t frames)
    : ticksPerSecond(ticks), framesPerSecond(frames == 0 ? 1 : frames)
{}

void FramePacer::trustVsync(bool vsyncPaces)
{
    pacing = !vsyncPaces;
    restart();
}

void FramePacer::restart()
{
    started = false;
    watchedFrames = 0;
}

std::uint64_t FramePacer::deadline(std::uint32_t frame) const
{
    // Computed from the origin each time, so the rounding of one period never accumulates.
    return gridOrigin + std::uint64_t{frame} * ticksPerSecond / framesPerSecond;
}

std::uint64_t FramePacer::afterPresent(std::uint64_t now)
{
    if (!pacing) {
        if (watchedFrames == 0)
            watchStart = now;
        if (++watchedFrames > watchLength) {
            // watchLength frame intervals in less time than that many at vsyncFailRate.
            if ((now - watchStart) * vsyncFailRate < std::uint64_t{watchLength} * ticksPerSecond) {
                pacing = true;
                started = false;
            }
            watchStart = now;
            watchedFrames = 1;
        }
        if (!pacing)
            return now;
    }
    if (!started) {
        started = true;
        gridOrigin = now;
        gridFrame = 0;
        return now;
    }
    const std::uint64_t next = deadline(gridFrame + 1);
    if (now >= deadline(gridFrame + 2)) {
        // Far behind (a stall, a moved window): start a new grid rather than burst to catch up.
        gridOrigin = now;
        gridFrame = 0;
        return now;
    }
    ++gridFrame;
    if (gridFrame == framesPerSecond) {
        // One whole second: move the origin on exactly, keeping the numbers small.
        gridOrigin += ticksPerSecond;
        gridFrame = 0;
    }
    return next;
}

void waitForCounter(std::uint64_t deadline)
{
    const std::uint64_t frequency = SDL_GetPerformanceFrequency();
    for (;;) {
        const std::uint64_t now = SDL_GetPerformanceCounter();
        if (now >= deadline)
            return;
        const std::uint64_t remainingMs = (deadline - now) * 1000 / frequency;
        if (remainingMs >= 2)
            SDL_Delay(static_cast<Uint32>(remainingMs - 1));
    }
}
