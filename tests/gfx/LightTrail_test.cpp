// The written light: what the pen stamps, how it holds and fades, and how it is laid over the
// back buffer.
#include "gfx/LightTrail.hpp"

#include "gfx/ScreenDevice.hpp"
#include "platform/headless/HeadlessDisplay.hpp"

#include <gtest/gtest.h>

namespace {

int coverageAt(const LightTrail& light, int x, int y)
{
    return light.coverage()[y * light.width() + x];
}

} // namespace

TEST(LightTrail, StampsOnlyWhileThePenIsDownAlongTheWholeMove)
{
    LightTrail light(200, 100);
    light.follow(10.5, 10.5);
    EXPECT_EQ(light.level(), 0) << "nothing while the pen is up";
    light.penDown();
    light.follow(20.5, 50.5);
    light.follow(120.5, 50.5); // one long move: stamped all the way
    light.penUp();
    light.follow(150.5, 80.5);
    EXPECT_EQ(coverageAt(light, 20, 50), 255);
    EXPECT_EQ(coverageAt(light, 70, 50), 255);
    EXPECT_EQ(coverageAt(light, 120, 50), 255);
    EXPECT_GT(coverageAt(light, 70, 52), 0) << "a halo beside the core";
    EXPECT_EQ(coverageAt(light, 70, 56), 0);
    EXPECT_EQ(coverageAt(light, 150, 80), 0) << "the move with the pen up left nothing";
    EXPECT_EQ(coverageAt(light, 10, 10), 0);
    EXPECT_EQ(light.left, 16);
    EXPECT_EQ(light.right, 125);
    EXPECT_EQ(light.level(), 256);
    // Stamps off the edges are clipped, far ones ignored.
    light.penDown();
    light.follow(-1.0, -1.0);
    light.follow(1e12, -1e12);
    EXPECT_EQ(light.left, 0);
    EXPECT_EQ(light.top, 0);
}

TEST(LightTrail, HoldsThenFadesThenIsCleared)
{
    LightTrail light(64, 64);
    light.penDown();
    light.follow(30.0, 30.0);
    light.advance(10.0f);
    EXPECT_EQ(light.level(), 256) << "the light stays while the writing goes on";
    light.finish();
    EXPECT_FALSE(light.penIsDown());
    light.advance(2.9f);
    EXPECT_EQ(light.level(), 256);
    light.advance(0.85f); // 0.75 s into the fade of 1.5
    EXPECT_NEAR(light.level(), 128, 2);
    light.penDown(); // a finished light takes no more writing
    light.follow(5.0, 5.0);
    EXPECT_EQ(coverageAt(light, 5, 5), 0);
    light.advance(1.0f);
    EXPECT_EQ(light.level(), 0);
    EXPECT_EQ(coverageAt(light, 30, 30), 0);
    EXPECT_EQ(light.right, light.left);
}

TEST(LightTrail, GlowBrightensOnlyWithinItsBoxAndNotAtLevelZero)
{
    HeadlessDisplay display;
    ScreenDevice screen;
    ASSERT_GE(screen.createFullScreenDisplay(&display, 64, 48, 16), 0);
    ASSERT_GE(screen.clear(rgbToPixel(0x402010u)), 0);
    LightTrail light(64, 48);
    light.penDown();
    light.follow(10.5, 10.5);
    light.follow(40.5, 10.5);
    const Rect box{light.left, light.top, light.right, light.bottom};
    const std::vector<std::uint16_t> before = screen.backBuffer->pixels;
    ASSERT_EQ(screen.glow(light.coverage(), box, 0), DD_OK);
    EXPECT_EQ(screen.backBuffer->pixels, before);
    ASSERT_EQ(screen.glow(light.coverage(), box, 256), DD_OK);
    const Rgb8 core = pixelToRgb(screen.backBuffer->pixels[10 * 64 + 25]);
    EXPECT_GE(core.r, 248);
    EXPECT_GE(core.g, 240);
    EXPECT_GE(core.b, 220);
    const Rgb8 edge = pixelToRgb(screen.backBuffer->pixels[12 * 64 + 25]);
    EXPECT_GT(edge.r, 0x40) << "the halo is a warmer, weaker light";
    EXPECT_LT(edge.b, core.b);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (y < box.top || y >= box.bottom || x < box.left || x >= box.right) {
                ASSERT_EQ(screen.backBuffer->pixels[y * 64 + x], before[y * 64 + x]) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(screen.glow(nullptr, box, 256), E_POINTER);
}
