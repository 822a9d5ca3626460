// Tests of the frame pacer on made-up counter readings: the deadline grid stays exact over
// many frames, late frames catch up without a burst, a stall starts a new grid, and vsync is
// only watched until it turns out not to block.
#include "platform/sdl/FramePacer.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <ctime>

namespace {

// 6000 ticks a second makes one frame at 60 a second exactly 100 ticks.
constexpr std::uint64_t ticks = 6000;

} // namespace

TEST(FramePacer, HoldsQuickFramesToTheGrid)
{
    FramePacer pacer(ticks, 60);
    EXPECT_EQ(pacer.afterPresent(1000), 1000u) << "the first frame starts the grid and waits for nothing";
    // Frames ready 30 ticks after each wait still wait for the next deadline.
    EXPECT_EQ(pacer.afterPresent(1030), 1100u);
    EXPECT_EQ(pacer.afterPresent(1130), 1200u);
    EXPECT_EQ(pacer.afterPresent(1201), 1300u);
}

TEST(FramePacer, DeadlinesDoNotDriftWhenAPeriodIsNotWholeTicks)
{
    // 1000 ticks a second: a period is 16.67 ticks, so rounding each one would drift by
    // 0.67 ticks a frame (40 ticks, 2.4 frames, a minute).
    FramePacer pacer(1000, 60);
    std::uint64_t now = 5000;
    pacer.afterPresent(now);
    std::uint64_t until = 0;
    for (int frame = 1; frame <= 3600; ++frame) {
        until = pacer.afterPresent(now + 1);
        ASSERT_GT(until, now) << "frame " << frame;
        now = until;
    }
    EXPECT_EQ(until, 5000u + 60'000u) << "3600 frames are exactly one minute";
}

TEST(FramePacer, SlightlyLateFramesCatchUpWithoutWaiting)
{
    FramePacer pacer(ticks, 60);
    pacer.afterPresent(0);
    EXPECT_EQ(pacer.afterPresent(150), 100u) << "late by half a frame: no wait";
    // The grid is kept, so the next frame is due on it again, not a full period later.
    EXPECT_EQ(pacer.afterPresent(180), 200u);
}

TEST(FramePacer, AStallStartsANewGridInsteadOfABurst)
{
    FramePacer pacer(ticks, 60);
    pacer.afterPresent(0);
    pacer.afterPresent(50); // waits until 100
    EXPECT_EQ(pacer.afterPresent(1000), 1000u) << "nine frames late: no wait, and no catching up";
    EXPECT_EQ(pacer.afterPresent(1010), 1100u) << "the next frame is paced from the new grid";
}

TEST(FramePacer, TrustedVsyncIsOnlyWatched)
{
    FramePacer pacer(ticks, 60);
    pacer.trustVsync(true);
    std::uint64_t now = 0;
    for (int frame = 0; frame < 200; ++frame) {
        EXPECT_EQ(pacer.afterPresent(now), now);
        now += 100; // the display's 60 a second
    }
    EXPECT_FALSE(pacer.isPacing());
}

TEST(FramePacer, VsyncThatDoesNotBlockIsReplacedByTheGrid)
{
    FramePacer pacer(ticks, 60);
    pacer.trustVsync(true);
    // Presents return at 200 a second: vsync is not holding them. The 31st frame ends the
    // 30-interval watch and starts the grid at its own reading, 900.
    for (std::uint64_t now = 0; now <= 900; now += 30)
        EXPECT_EQ(pacer.afterPresent(now), now);
    EXPECT_TRUE(pacer.isPacing());
    EXPECT_EQ(pacer.afterPresent(930), 1000u);
    EXPECT_EQ(pacer.afterPresent(1030), 1100u);
}

TEST(FramePacer, RestartForgetsTheGrid)
{
    FramePacer pacer(ticks, 60);
    pacer.afterPresent(0);
    pacer.afterPresent(10);
    pacer.restart();
    EXPECT_EQ(pacer.afterPresent(130), 130u);
    EXPECT_EQ(pacer.afterPresent(140), 230u);
}

// The wait itself on the real counter: it never returns before the deadline, and it sleeps
// rather than spins (the processor time it takes is a small part of the time it waits).
TEST(WaitForCounter, SleepsUntilTheDeadlineWithoutSpinning)
{
    const std::uint64_t frequency = SDL_GetPerformanceFrequency();
    for (int wait = 0; wait < 5; ++wait) {
        const std::uint64_t deadline = SDL_GetPerformanceCounter() + frequency / 50; // 20 ms
        const std::clock_t before = std::clock();
        waitForCounter(deadline);
        const std::clock_t used = std::clock() - before;
        EXPECT_GE(SDL_GetPerformanceCounter(), deadline);
        EXPECT_LT(used, CLOCKS_PER_SEC / 200) << "more than 5 ms of processor time in a 20 ms wait";
    }
    // A deadline already passed returns at once.
    const std::uint64_t now = SDL_GetPerformanceCounter();
    waitForCounter(now > 1000 ? now - 1000 : 0);
    EXPECT_LT(SDL_GetPerformanceCounter() - now, frequency / 100);
}
