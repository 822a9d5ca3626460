// The help panel: its slide, its count lines and what of it reaches the screen.
#include "app/HelpTexts.hpp"
#include "support/AppHarness.hpp"

#include <gtest/gtest.h>

#include <span>
#include <string>

namespace {

// Columns 0..width-1 of the top 200 rows that differ from the same frame drawn without panel.
int panelColumnsShown(const HeadlessDisplay& display, const Surface& background)
{
    const std::span<const std::uint16_t> shown = display.shownFrame();
    int rightmost = -1;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 160; ++x) {
            if (shown[static_cast<std::size_t>(y) * 1024 + static_cast<std::size_t>(x)] != background.row(y)[x])
                rightmost = std::max(rightmost, x);
        }
    }
    return rightmost + 1;
}

} // namespace

TEST(HelpOverlay, SlidesOutInThirtyTwoFramesAndBack)
{
    AppHarness h;
    Application& app = *h.app;
    h.key('H');
    std::vector<int> seen;
    for (int i = 0; i < 34; ++i) {
        h.frame();
        seen.push_back(app.helpSlide);
    }
    EXPECT_EQ(seen[0], -5);
    EXPECT_EQ(seen[30], -155);
    EXPECT_EQ(seen[31], -160);
    EXPECT_EQ(seen[33], -160);
    h.key('H');
    for (int i = 0; i < 32; ++i)
        h.frame();
    EXPECT_EQ(app.helpSlide, 0);
    h.frame();
    EXPECT_EQ(app.helpSlide, 0);
}

TEST(HelpOverlay, ReversesFromWhereItIs)
{
    AppHarness h;
    h.key('H');
    for (int i = 0; i < 16; ++i)
        h.frame();
    ASSERT_EQ(h.app->helpSlide, -80);
    h.key('H');
    for (int i = 0; i < 16; ++i)
        h.frame();
    EXPECT_EQ(h.app->helpSlide, 0);
}

TEST(HelpOverlay, OnlyTheRightmostColumnsShowNearTheEnd)
{
    AppHarness h;
    // Keep particles away from the panel's corner: the sparkler off and far right.
    h.key('K');
    h.mouse.move(400, 0);
    Application& app = *h.app;
    const Surface& background = *app.backgroundSurface->surface;
    h.frame();
    EXPECT_EQ(panelColumnsShown(h.display, background), 158);

    h.key('H');
    while (app.helpSlide > -155)
        h.frame();
    EXPECT_EQ(panelColumnsShown(h.display, background), 3);
    h.frame();
    EXPECT_EQ(app.helpSlide, -160);
    EXPECT_EQ(panelColumnsShown(h.display, background), 0);
    EXPECT_NE(app.helpSurface, nullptr); // still rebuilt every frame
}

TEST(HelpOverlay, CountLinesShowTheEmittersOwnCounts)
{
    AppHarness h;
    Application& app = *h.app;
    app.sparkler->aliveCount = 2000;
    app.smoke->aliveCount = 7;
    app.drawHelpOverlay();
    ASSERT_NE(app.helpSurface, nullptr);
    ASSERT_NE(app.helpFont, nullptr) << "the help font is needed to check the lines";
    // Render the expected lines on a fresh panel and compare the count rows pixel for pixel.
    std::unique_ptr<BitmapSurface> expected;
    ASSERT_EQ(app.screen->createSurfaceFromBitmap(&expected, ImageName{112, nullptr}, 158, 200), S_OK);
    expected->drawText(app.helpFont.get(), "Sparkler Particles: 2000", 10, 150, 0, 0xC8C8C8);
    expected->drawText(app.helpFont.get(), "Smoke Particles: 7", 10, 165, 0, 0xC8C8C8);
    bool sameRows = true;
    bool anyGrey = false;
    for (int y = 150; y < 180; ++y) {
        for (int x = 0; x < 158; ++x) {
            const std::uint16_t p = app.helpSurface->surface->row(y)[x];
            sameRows = sameRows && p == expected->surface->row(y)[x];
            anyGrey = anyGrey || p == 0xCE59;
        }
    }
    EXPECT_TRUE(sameRows);
    EXPECT_TRUE(anyGrey); // light grey (200, 200, 200) glyph strokes
    // A different count gives different pixels: the line is really built from the count.
    app.sparkler->aliveCount = 1999;
    app.drawHelpOverlay();
    bool differs = false;
    for (int x = 0; x < 158; ++x) {
        for (int y = 150; y < 163; ++y)
            differs = differs || app.helpSurface->surface->row(y)[x] != expected->surface->row(y)[x];
    }
    EXPECT_TRUE(differs);
}

TEST(HelpOverlay, PanelIsMadeAnewAndKeyedEveryFrame)
{
    AppHarness h;
    h.frame();
    ASSERT_NE(h.app->helpSurface, nullptr);
    // Scribble over the panel: the next frame must draw from a fresh copy of its picture.
    Surface& scribbled = *h.app->helpSurface->surface;
    std::fill(scribbled.pixels.begin(), scribbled.pixels.end(), 0x07E0);
    h.frame();
    ASSERT_NE(h.app->helpSurface, nullptr);
    const Surface& fresh = *h.app->helpSurface->surface;
    EXPECT_EQ(h.app->helpSurface->hasColourKey, 1);
    EXPECT_EQ(fresh.row(100)[80], 0); // black inside the frame
    EXPECT_EQ(fresh.row(100)[0], rgbToPixel(229, 229, 229)); // the frame's outer line
    // Nothing of the scribble reached the screen either.
    const std::span<const std::uint16_t> shown = h.display.shownFrame();
    int green = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 158; ++x)
            green += shown[static_cast<std::size_t>(y) * 1024 + static_cast<std::size_t>(x)] == 0x07E0 ? 1 : 0;
    }
    EXPECT_EQ(green, 0);
}

TEST(HelpOverlay, LaterPanelsEqualOneLetteredFromScratch)
{
    AppHarness h;
    Application& app = *h.app;
    ASSERT_NE(app.helpFont, nullptr) << "the help font is needed to letter the panel";
    for (int frame = 0; frame < 3; ++frame) {
        app.sparkler->aliveCount = 100 + frame;
        app.smoke->aliveCount = 2000 - frame;
        app.drawHelpOverlay();
        ASSERT_NE(app.helpSurface, nullptr);
        // Every line drawn in order on a fresh panel, as the first frame letters it.
        std::unique_ptr<BitmapSurface> expected;
        ASSERT_EQ(app.screen->createSurfaceFromBitmap(&expected, ImageName{112, nullptr}, 158, 200), S_OK);
        const Font* font = app.helpFont.get();
        for (const HelpLine& line : kHelpCommandLines)
            expected->drawText(font, line.text, line.x, line.y, 0, line.colour);
        const std::string sparks = "Sparkler Particles: " + std::to_string(100 + frame);
        const std::string puffs = "Smoke Particles: " + std::to_string(2000 - frame);
        expected->drawText(font, sparks.c_str(), 10, 150, 0, 0xC8C8C8);
        expected->drawText(font, puffs.c_str(), 10, 165, 0, 0xC8C8C8);
        expected->drawText(font, "Dovrenko", 85, 185, 0, 0xFFFFFF);
        EXPECT_EQ(app.helpSurface->surface->pixels, expected->surface->pixels) << "frame " << frame;
    }
}
