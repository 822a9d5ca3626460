// The browser's frame pacing: 60 passes a second on 60, 75, 120 and 144 Hz displays, every
// callback on a slower one, no pass dropped to jitter and no burst after a hidden tab.
#include "platform/web/RafPacer.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Callbacks {
    int passes = 0;
    int callbacks = 0;
    int longestRunOfPasses = 0; // consecutive callbacks that all ran a pass
};

// Callbacks at `hz` for `seconds`, each shifted by a repeating jitter of up to `jitterMs`.
Callbacks drive(RafPacer& pacer, double hz, double seconds, double jitterMs = 0.0, double start = 1000.0)
{
    Callbacks run;
    int streak = 0;
    const int count = static_cast<int>(std::lround(hz * seconds));
    for (int i = 0; i < count; ++i) {
        const double jitter = jitterMs * std::sin(i * 2.399963);
        ++run.callbacks;
        if (pacer.due(start + i * 1000.0 / hz + jitter)) {
            ++run.passes;
            run.longestRunOfPasses = std::max(run.longestRunOfPasses, ++streak);
        } else {
            streak = 0;
        }
    }
    return run;
}

} // namespace

TEST(RafPacer, SixtyHertzRunsEveryCallbackEvenWithJitter)
{
    RafPacer pacer;
    const Callbacks run = drive(pacer, 60.0, 10.0, 3.0);
    EXPECT_EQ(run.passes, run.callbacks);
}

TEST(RafPacer, FasterDisplaysStillGiveSixtyPassesASecond)
{
    for (double hz : {75.0, 90.0, 120.0, 144.0, 165.0, 240.0}) {
        RafPacer pacer;
        const Callbacks run = drive(pacer, hz, 10.0, 0.5);
        EXPECT_NEAR(run.passes, 600, 2) << hz << " Hz";
        if (hz >= 120.0) {
            EXPECT_EQ(run.longestRunOfPasses, 1) << hz << " Hz: two passes on neighbouring callbacks";
        }
    }
}

TEST(RafPacer, DisplaysNearSixtyHertzRunEveryCallback)
{
    for (double hz : {59.94, 60.0, 60.1}) {
        RafPacer pacer;
        const Callbacks run = drive(pacer, hz, 20.0, 1.0);
        EXPECT_EQ(run.passes, run.callbacks) << hz << " Hz";
    }
}

TEST(RafPacer, SlowerDisplaysRunEveryCallbackWithoutCatchingUp)
{
    RafPacer pacer;
    const Callbacks run = drive(pacer, 30.0, 10.0);
    EXPECT_EQ(run.passes, run.callbacks);
}

TEST(RafPacer, AHiddenTabGivesNoBurstAfterwards)
{
    RafPacer pacer;
    drive(pacer, 120.0, 2.0, 0.0, 0.0);
    // The tab comes back 5 s later: one pass, then the grid starts afresh.
    const Callbacks after = drive(pacer, 120.0, 1.0, 0.0, 7000.0);
    EXPECT_NEAR(after.passes, 60, 1);
    EXPECT_EQ(after.longestRunOfPasses, 1);
}

TEST(RafPacer, RestartRunsTheNextCallbackAtOnce)
{
    RafPacer pacer;
    EXPECT_TRUE(pacer.due(0.0));
    EXPECT_FALSE(pacer.due(4.0));
    pacer.restart();
    EXPECT_TRUE(pacer.due(5.0));
    EXPECT_FALSE(pacer.due(9.0));
}
