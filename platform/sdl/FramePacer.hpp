// FramePacer: where a shown frame waits for its turn, so that frames go out 60 a second.
// The pacer is pure arithmetic on readings of the high-resolution counter, so it is tested
// without a clock; waitForCounter() does the waiting itself. The SDL display calls both after
// every present.
#pragma once

#include <cstdint>

// Decides, after each shown frame, until when the caller must wait before drawing the next.
// Frames are held to a grid of deadlines 1/framesPerSecond apart, kept exact over time (no
// drift from rounding). A frame somewhat late leaves the grid as it is, so the following ones
// catch up without waiting; a frame more than one period late starts a new grid instead of
// letting a burst of frames go out. When vsync is trusted to pace the frames, the pacer only
// watches: should frames still come faster than the display's 60 a second (a compositor
// that does not block), it starts pacing them itself.
class FramePacer {
public:
    FramePacer(std::uint64_t ticksPerSecond, std::uint32_t framesPerSecond);

    // Whether vsync holds presents to about framesPerSecond; starts pacing (or watching) anew.
    void trustVsync(bool vsyncPaces);
    // Forgets the grid, as after a change of display; the next frame starts a new one.
    void restart();
    // Given the counter reading taken just after a frame was shown, returns the reading to
    // wait for before the next frame may be drawn; a value not after now means no wait.
    std::uint64_t afterPresent(std::uint64_t now);

    bool isPacing() const { return pacing; }

private:
    std::uint64_t deadline(std::uint32_t frame) const;

    std::uint64_t ticksPerSecond;
    std::uint32_t framesPerSecond;
    bool pacing = true;
    bool started = false;
    std::uint64_t gridOrigin = 0;
    std::uint32_t gridFrame = 0;
    std::uint64_t watchStart = 0;
    std::uint32_t watchedFrames = 0;
};

// Waits until the high-resolution counter (SDL_GetPerformanceCounter) reaches deadline, in one
// sleep to an absolute time on the monotonic clock; it never spins. It may wake a little late
// (the timer slack), never early.
void waitForCounter(std::uint64_t deadline);
