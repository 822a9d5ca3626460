// The entry side: frame timing across the clock's wrap, the quit sequence, a failed present.
#include "platform/FrameTimer.hpp"
#include "platform/headless/VirtualClock.hpp"
#include "session/MainWindow.hpp"
#include "support/AppHarness.hpp"

#include <gtest/gtest.h>

TEST(FrameTimer, FirstFrameIsZeroThenWholeMilliseconds)
{
    VirtualClock clock(0, 1000);
    FrameTimer timer;
    EXPECT_EQ(timer.nextDt(clock), 0.0f);
    EXPECT_EQ(timer.nextDt(clock), 0.0f); // the clock did not advance
    clock.advance(16);
    EXPECT_EQ(timer.nextDt(clock), static_cast<float>(16 * 0.001));
    clock.advance(33);
    EXPECT_EQ(timer.nextDt(clock), static_cast<float>(33 * 0.001));
}

TEST(FrameTimer, HighReadingsAndTheWrapGiveTheRightDt)
{
    VirtualClock high(0, 0x80000000u); // 2^31 ms and above stay positive
    FrameTimer highTimer;
    highTimer.nextDt(high);
    high.advance(20);
    EXPECT_EQ(highTimer.nextDt(high), static_cast<float>(20 * 0.001));

    VirtualClock clock(0, 0xFFFFFFF0u);
    FrameTimer timer;
    timer.nextDt(clock);
    clock.advance(32); // wraps past 2^32
    EXPECT_EQ(clock.milliseconds(), 16u);
    EXPECT_EQ(timer.nextDt(clock), static_cast<float>(32 * 0.001));
}

TEST(MainLoop, QuitSequenceEndsWithExitCodeZeroAndNoFurtherMessage)
{
    AppHarness h;
    h.window.postMessage(WM_KEYDOWN, VK_ESCAPE, 0);
    h.window.postMessage(WM_KEYDOWN, 'B', 0);
    int exitCode = -1;
    // Escape posts WM_CLOSE behind B; one pump handles all: B, then the close, the window's
    // destruction and the quit message.
    EXPECT_FALSE(pumpMessages(h.window, exitCode));
    EXPECT_FALSE(h.app->backgroundOn);
    EXPECT_TRUE(h.window.destroyed);
    EXPECT_EQ(exitCode, 0);
}

TEST(MainLoop, RunProgramReportsAFailedStartUpWithExitCodeOne)
{
    HeadlessDisplay display;
    display.failOpen(-1);
    HeadlessWindow window(mainWindowProc);
    HeadlessMouse mouse;
    VirtualClock clock(1);
    testing::internal::CaptureStderr();
    const int code = runProgram(Platform{&display, &mouse, &clock}, window);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 1);
    EXPECT_EQ(display.showCalls, 0); // no frame ran
    EXPECT_NE(printed.find("display"), std::string::npos);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1);
    EXPECT_EQ(gApplication, nullptr);
}

TEST(MainLoop, RunProgramEndsOnAFailedPresent)
{
    HeadlessDisplay display;
    HeadlessWindow window(mainWindowProc);
    HeadlessMouse mouse;
    VirtualClock clock(1);
    display.failShows(DDERR_SURFACELOST, 1);
    testing::internal::CaptureStderr();
    const int code = runProgram(Platform{&display, &mouse, &clock}, window);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 1);
    EXPECT_EQ(display.showCalls, 1);
    EXPECT_FALSE(printed.empty());
    EXPECT_FALSE(display.isOpen()); // shut down as after a quit
    EXPECT_EQ(gApplication, nullptr);
}

TEST(MainLoop, OnePassDrainsTheMessagesThenRunsOneTimedFrame)
{
    AppHarness h;
    FrameTimer timer;
    int exitCode = -1;
    const int shownBefore = h.display.showCalls;

    h.window.postMessage(WM_KEYDOWN, 'B', 0);
    EXPECT_EQ(runOnePass(h.window, h.clock, timer, exitCode), PassResult::Continue);
    EXPECT_FALSE(h.app->backgroundOn) << "the key was handled before the frame";
    EXPECT_EQ(h.display.showCalls, shownBefore + 1);

    h.clock.advance(16);
    EXPECT_EQ(runOnePass(h.window, h.clock, timer, exitCode), PassResult::Continue);
    EXPECT_EQ(h.display.showCalls, shownBefore + 2);

    // Escape closes the window: the pass ends the run and runs no frame.
    h.window.postMessage(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(runOnePass(h.window, h.clock, timer, exitCode), PassResult::Quit);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(h.display.showCalls, shownBefore + 2);
}

TEST(MainLoop, OnePassReportsALostDisplay)
{
    AppHarness h;
    FrameTimer timer;
    int exitCode = -1;
    h.display.failShows(DDERR_SURFACELOST, 1);
    EXPECT_EQ(runOnePass(h.window, h.clock, timer, exitCode), PassResult::DisplayLost);
    EXPECT_EQ(runOnePass(h.window, h.clock, timer, exitCode), PassResult::Continue) << "only the one show failed";
}
