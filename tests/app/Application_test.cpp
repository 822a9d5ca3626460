// Start-up, shutdown and the frame cycle of the application.
#include "support/AppHarness.hpp"

#include "sim/Random.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

TEST(ApplicationStartUp, FirstStateAfterConstruction)
{
    AppHarness h(1234);
    Application& app = *h.app;
    EXPECT_EQ(app.startUpResult, 0);
    EXPECT_TRUE(app.startUpFailure().empty());
    EXPECT_TRUE(app.colourCycling && app.helpVisible && app.smokeOn && app.backgroundOn && app.sparklerOn
                && app.clearEachFrame);
    EXPECT_FALSE(app.reverseSound);
    EXPECT_EQ(app.colourTimer, 5.0f);
    EXPECT_EQ(app.helpSlide, 0);
    EXPECT_EQ(app.mouseTotalX, 0);
    ASSERT_NE(app.sparkler, nullptr);
    ASSERT_NE(app.smoke, nullptr);
    EXPECT_EQ(app.sparkler->capacity, 2000);
    EXPECT_EQ(app.smoke->capacity, 5000);
    EXPECT_EQ(app.smoke->gravityScale, 0.001);
    EXPECT_NE(app.sparkler->sheet, nullptr);
    EXPECT_NE(app.smoke->sheet, nullptr);
    EXPECT_FALSE(h.window.cursorVisible);
    EXPECT_TRUE(h.mouse.acquired);
    EXPECT_EQ(randomState(), 1234u); // seeded with the calendar time; nothing drawn yet
}

TEST(ApplicationStartUp, DisplayFailureStopsBeforeEverythingElse)
{
    HeadlessDisplay display;
    display.failOpen(-3);
    HeadlessWindow window(mainWindowProc);
    HeadlessMouse mouse;
    VirtualClock clock(1);
    Application app(Platform{&display, &mouse, &clock}, &window);
    EXPECT_EQ(app.startUpResult, 1);
    EXPECT_NE(app.startUpFailure().find("display"), std::string::npos);
    EXPECT_EQ(app.backgroundSurface, nullptr);
    EXPECT_EQ(app.sparkler, nullptr);
    EXPECT_EQ(app.mouseDevice, nullptr);
    EXPECT_TRUE(window.cursorVisible);
    EXPECT_EQ(mouse.acquireCalls, 0);
    app.shutDown();
    EXPECT_EQ(app.screen, nullptr);
    EXPECT_EQ(display.closeCalls, 1);
}

TEST(ApplicationStartUp, NoMouseStopsBeforeTheEmitters)
{
    HeadlessDisplay display;
    HeadlessWindow window(mainWindowProc);
    VirtualClock clock(1);
    Application app(Platform{&display, nullptr, &clock}, &window);
    EXPECT_EQ(app.startUpResult, 1);
    EXPECT_NE(app.startUpFailure().find("mouse"), std::string::npos);
    EXPECT_NE(app.backgroundSurface, nullptr);
    EXPECT_EQ(app.sparkler, nullptr);
    EXPECT_EQ(app.smoke, nullptr);
    app.shutDown();
    EXPECT_EQ(app.backgroundSurface, nullptr);
    EXPECT_FALSE(display.isOpen());
}

TEST(ApplicationFrame, FirstFrameWithoutMotionAtTheCentre)
{
    AppHarness h;
    EXPECT_EQ(h.frame(0.0f), 0);
    EXPECT_EQ(h.app->sparkler->position.x, 512.0);
    EXPECT_EQ(h.app->sparkler->position.y, 384.0);
    EXPECT_EQ(h.app->smoke->position.x, 512.0);
    EXPECT_EQ(h.app->smoke->position.y, 384.0);
    EXPECT_EQ(h.app->colourTimer, 5.0f);
    EXPECT_GT(h.app->sparkler->aliveCount, 0);
    EXPECT_EQ(h.display.showCalls, 1);
}

TEST(ApplicationFrame, MouseMotionCarriesBothEmitters)
{
    AppHarness h;
    h.mouse.move(60, 20);
    h.frame();
    h.mouse.move(40, 30);
    h.frame();
    EXPECT_EQ(h.app->mouseTotalX, 100);
    EXPECT_EQ(h.app->mouseTotalY, 50);
    EXPECT_EQ(h.app->sparkler->position.x, 612.0);
    EXPECT_EQ(h.app->sparkler->position.y, 334.0);
    EXPECT_EQ(h.app->smoke->position.y, 334.0);
    h.frame(); // no motion: they stay
    EXPECT_EQ(h.app->sparkler->position.x, 612.0);
}

TEST(ApplicationFrame, FailedMouseReadIsNoMotionAndReacquiresWithFocus)
{
    AppHarness h;
    h.mouse.move(25, 0);
    h.frame();
    ASSERT_EQ(h.app->mouseTotalX, 25);
    // The window loses the focus: the device is lost and reads fail.
    h.mouse.focus = false;
    h.mouse.unacquire();
    for (int i = 0; i < 5; ++i)
        h.frame();
    EXPECT_EQ(h.app->mouseTotalX, 25); // the stale motion is not added again
    EXPECT_FALSE(h.mouse.acquired);
    h.mouse.focus = true;
    h.frame(); // this read fails and takes the device back
    EXPECT_TRUE(h.mouse.acquired);
    h.mouse.move(5, 0);
    h.frame();
    EXPECT_EQ(h.app->mouseTotalX, 30);
}

TEST(ApplicationFrame, MouseTotalsWrapInsteadOfOverflowing)
{
    AppHarness h;
    h.mouse.move(INT32_MAX, 0);
    h.frame();
    h.mouse.move(1, 0);
    h.frame();
    EXPECT_EQ(h.app->mouseTotalX, INT32_MIN);
}

TEST(ApplicationFrame, ColourCyclingStepsOnlyBelowZeroAndOncePerFrame)
{
    AppHarness h;
    Application& app = *h.app;
    app.colourTimer = 0.5f;
    h.frame(0.5f); // exactly 0.0 does not step
    EXPECT_EQ(app.colourTimer, 0.0f);
    EXPECT_EQ(app.sparkler->colour, 0);
    h.frame(0.001f);
    EXPECT_EQ(app.sparkler->colour, 1);
    EXPECT_EQ(app.colourTimer, 5.0f); // reset, the overshoot dropped
    h.frame(17.0f); // a long frame steps once
    EXPECT_EQ(app.sparkler->colour, 2);
    EXPECT_EQ(app.colourTimer, 5.0f);
    app.sparkler->colour = 5;
    app.colourTimer = 0.0f;
    h.frame(0.016f);
    EXPECT_EQ(app.sparkler->colour, 0); // row 5 wraps to row 0
    app.colourCycling = false;
    h.frame(6.0f);
    EXPECT_EQ(app.colourTimer, 5.0f);
    EXPECT_EQ(app.sparkler->colour, 0);
}

TEST(ApplicationFrame, DisabledSmokeIsLeftUntouchedOnceItsLastPuffExpired)
{
    AppHarness h;
    h.frame();
    h.key('S');
    ASSERT_GT(h.app->smoke->aliveCount, 0);
    int frames = 0;
    while (h.app->smoke->aliveCount > 0 && frames < 2000) {
        h.frame(0.1f);
        ++frames;
    }
    ASSERT_EQ(h.app->smoke->aliveCount, 0);
    // From now on the smoke's walks do not run: its expired slots are never released.
    Particle& slot = h.app->smoke->particles[0];
    const ParticleState before = slot.state;
    for (int i = 0; i < 50; ++i)
        h.frame(0.1f);
    EXPECT_EQ(slot.state, before);
    EXPECT_EQ(h.app->smoke->aliveCount, 0);
}

TEST(ApplicationFrame, BackgroundAndClearingDecideWhatIsUnderTheParticles)
{
    AppHarness h;
    h.key('H');
    for (int i = 0; i < 40; ++i)
        h.frame();
    // Background on: the top-left corner shows the picture.
    const std::uint16_t topLeft = h.display.frame()[0];
    EXPECT_EQ(topLeft, h.app->backgroundSurface->surface->pixels[0]);
    EXPECT_NE(topLeft, 0);
    h.key('B');
    h.frame();
    EXPECT_EQ(h.display.frame()[0], 0); // particles over black
}

TEST(ApplicationFrame, PresentFailureEndsTheRunAfterTheOverlayWasDrawn)
{
    AppHarness h;
    h.display.failShows(DDERR_SURFACELOST, 1);
    EXPECT_EQ(h.app->renderStep(), 1);
    EXPECT_NE(h.app->helpSurface, nullptr);
    EXPECT_EQ(h.app->renderStep(), 0);
}

// The clear is left out only where the background hides it: the frame must be the same as
// one drawn with the clear, with the background on, off, keyed or missing.
TEST(ApplicationFrame, FrameIsTheSameWhetherTheBackgroundHidesTheClearOrNot)
{
    AppHarness h;
    Application& app = *h.app;
    app.sparklerOn = false;
    app.smokeOn = false;
    app.helpVisible = false;
    app.helpSlide = -160; // the panel wholly hidden
    app.sparkler->enabled = false;
    app.smoke->enabled = false;
    auto frameWith = [&](bool background) {
        app.backgroundOn = background;
        std::fill(app.screen->backBuffer->pixels.begin(), app.screen->backBuffer->pixels.end(), 0x07E0);
        app.renderStep();
        return h.display.frame();
    };
    EXPECT_TRUE(app.backgroundCoversScreen());
    const std::vector<std::uint16_t> picture = app.backgroundSurface->surface->pixels;
    EXPECT_EQ(frameWith(true), picture);
    EXPECT_EQ(frameWith(false), std::vector<std::uint16_t>(picture.size(), 0)); // cleared to black
    // A keyed background lets the clear show through its black pixels.
    app.backgroundSurface->setColourKey(0);
    EXPECT_FALSE(app.backgroundCoversScreen());
    std::vector<std::uint16_t> keyedFrame = frameWith(true);
    EXPECT_EQ(std::count(keyedFrame.begin(), keyedFrame.end(), 0x07E0), 0);
    EXPECT_EQ(keyedFrame, picture); // black pixels show the cleared black
    // Without a picture the clear is made.
    app.backgroundSurface.reset();
    EXPECT_FALSE(app.backgroundCoversScreen());
    EXPECT_EQ(frameWith(true), std::vector<std::uint16_t>(picture.size(), 0));
}
