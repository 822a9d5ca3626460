// The keyboard commands, delivered as key-down messages through the window procedure.
#include "support/AppHarness.hpp"

#include <gtest/gtest.h>

TEST(KeyCommands, GravityKeysChangeOnlyTheMainSparkler)
{
    AppHarness h;
    for (int i = 0; i < 10; ++i)
        h.key(VK_NEXT);
    EXPECT_NEAR(h.app->sparkler->gravity.y, 0.2, 1e-12);
    EXPECT_EQ(h.app->sparkler->gravity.x, 0.0);
    EXPECT_EQ(h.app->smoke->gravity.y, -9.8);
    h.key(VK_PRIOR);
    h.key(VK_PRIOR);
    EXPECT_NEAR(h.app->sparkler->gravity.y, -1.8, 1e-12);
}

TEST(KeyCommands, DigitsPickRowsAndCycling)
{
    AppHarness h;
    Application& app = *h.app;
    h.key('5');
    EXPECT_FALSE(app.colourCycling);
    EXPECT_EQ(app.sparkler->colour, 3);
    h.key('7');
    EXPECT_EQ(app.sparkler->colour, 5);
    h.key('2');
    EXPECT_EQ(app.sparkler->colour, 0);
    EXPECT_FALSE(app.colourCycling);
    h.key('8');
    EXPECT_EQ(app.sparkler->colour, -1);
    app.colourTimer = 1.25f;
    h.key('1'); // back to cycling from row 0, the timer left as it was
    EXPECT_TRUE(app.colourCycling);
    EXPECT_EQ(app.sparkler->colour, 0);
    EXPECT_EQ(app.colourTimer, 1.25f);
}

TEST(KeyCommands, KeypadDigitsAndOtherKeysDoNothing)
{
    AppHarness h;
    Application& app = *h.app;
    h.key('3');
    for (std::uintptr_t code : {96u, 97u, 101u, 104u, 107u, 48u, 57u, 65u, 13u, 32u, 112u})
        h.key(code);
    EXPECT_EQ(app.sparkler->colour, 1);
    EXPECT_FALSE(app.colourCycling);
    EXPECT_TRUE(app.backgroundOn && app.clearEachFrame && app.helpVisible && app.smokeOn && app.sparklerOn);
    EXPECT_EQ(app.sparkler->gravity.y, -9.8);
    EXPECT_FALSE(h.quit);
}

TEST(KeyCommands, ClearAndBackgroundForTrails)
{
    AppHarness h;
    Application& app = *h.app;
    h.key('C');
    EXPECT_FALSE(app.clearEachFrame);
    EXPECT_FALSE(app.backgroundOn);
    h.key('B');
    EXPECT_TRUE(app.backgroundOn);
    EXPECT_FALSE(app.clearEachFrame);
    h.key('C');
    EXPECT_TRUE(app.clearEachFrame);
    EXPECT_TRUE(app.backgroundOn);
}

TEST(KeyCommands, TrailsKeepThePreviousFrames)
{
    AppHarness h;
    h.key('H');
    h.key('C');
    for (int i = 0; i < 30; ++i)
        h.frame();
    // Nothing erases the buffers: lit pixels pile up far beyond what one frame draws.
    int lit = 0;
    for (std::uint16_t p : h.display.frame())
        lit += p != 0 ? 1 : 0;
    h.key('C');
    h.key('B');
    h.frame();
    int litOneFrame = 0;
    for (std::uint16_t p : h.display.frame())
        litOneFrame += p != 0 ? 1 : 0;
    EXPECT_GT(lit, litOneFrame * 2);
}

TEST(KeyCommands, SparklerAndSmokeSwitches)
{
    AppHarness h;
    Application& app = *h.app;
    h.key('K');
    EXPECT_FALSE(app.sparklerOn);
    EXPECT_FALSE(app.sparkler->enabled);
    EXPECT_FALSE(app.smoke->enabled);
    EXPECT_TRUE(app.smokeOn);
    h.key('K'); // smoke comes back because smokeOn stayed on
    EXPECT_TRUE(app.sparklerOn);
    EXPECT_TRUE(app.sparkler->enabled);
    EXPECT_TRUE(app.smoke->enabled);

    h.key('S');
    EXPECT_FALSE(app.smokeOn);
    EXPECT_FALSE(app.smoke->enabled);
    EXPECT_TRUE(app.sparkler->enabled);
    h.key('K');
    h.key('K'); // smoke stays off
    EXPECT_FALSE(app.smoke->enabled);
    EXPECT_TRUE(app.sparkler->enabled);

    h.key('K');
    h.key('S'); // S brings the sparkler back with the smoke
    EXPECT_TRUE(app.smokeOn && app.sparklerOn);
    EXPECT_TRUE(app.sparkler->enabled && app.smoke->enabled);
}

TEST(KeyCommands, HelpAndReverseToggle)
{
    AppHarness h;
    h.key('H');
    EXPECT_FALSE(h.app->helpVisible);
    h.key('H');
    EXPECT_TRUE(h.app->helpVisible);
    h.key('R');
    EXPECT_TRUE(h.app->reverseSound);
}

TEST(KeyCommands, EscapeAndF12CloseTheWindowAndQuitWithZero)
{
    for (std::uintptr_t code : {VK_ESCAPE, VK_F12}) {
        AppHarness h;
        h.key(code);
        EXPECT_TRUE(h.window.destroyed);
        EXPECT_TRUE(h.quit);
        EXPECT_EQ(h.lastExitCode, 0);
    }
}

TEST(KeyCommands, MessagesWithoutApplicationOnlyDestroyAndPaint)
{
    HeadlessWindow window(mainWindowProc);
    gApplication = nullptr;
    window.postMessage(WM_KEYDOWN, 'B', 0);
    window.postMessage(WM_PAINT, 0, 0);
    int exitCode = -1;
    EXPECT_TRUE(pumpMessages(window, exitCode));
    EXPECT_EQ(window.validateCalls, 1);
    window.postMessage(WM_CLOSE, 0, 0);
    EXPECT_FALSE(pumpMessages(window, exitCode));
    EXPECT_EQ(exitCode, 0);
}
