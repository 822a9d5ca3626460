// FramePacer: the deadline grid and the wait for it; see the header.
#include "platform/sdl/FramePacer.hpp"

#include <SDL.h>

#include <cerrno>
#include <ctime>

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
    // The counter may run on a clock of its own; should a sleep end a hair before the
    // deadline by the counter's reckoning, the rest is slept too.
    for (std::uint64_t now = SDL_GetPerformanceCounter(); now < deadline; now = SDL_GetPerformanceCounter()) {
        const std::uint64_t remaining = deadline - now;
        // The remaining ticks as nanoseconds, without overflowing for long waits.
        const std::uint64_t nanoseconds =
            remaining / frequency * 1000000000u + remaining % frequency * 1000000000u / frequency + 1;
#if defined(__linux__)
        // One sleep to an absolute time on the monotonic clock: no spinning, and a wake-up
        // late by the timer slack (tens of microseconds) costs nothing, since the next deadline
        // comes from the grid, not from the moment of waking. A signal resumes the same sleep.
        timespec until{};
        clock_gettime(CLOCK_MONOTONIC, &until);
        const std::uint64_t total = static_cast<std::uint64_t>(until.tv_nsec) + nanoseconds;
        until.tv_sec += static_cast<time_t>(total / 1000000000u);
        until.tv_nsec = static_cast<long>(total % 1000000000u);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
#else
        SDL_Delay(static_cast<Uint32>((nanoseconds + 999999u) / 1000000u));
#endif
    }
}
