// The screen device: results without a display, the flipping chain, blits that never clip.
#include "gfx/ScreenDevice.hpp"

#include "support/Scene.hpp"

#include <gtest/gtest.h>

namespace {

// A surface filled with one value, optionally keyed.
std::unique_ptr<BitmapSurface> solidSurface(Display* display, int width, int height, std::uint16_t value)
{
    auto surface = std::make_unique<BitmapSurface>();
    EXPECT_EQ(surface->create(display, SurfaceDesc{width, height}), S_OK);
    std::fill(surface->surface->pixels.begin(), surface->surface->pixels.end(), value);
    return surface;
}

int countValue(const Surface& s, std::uint16_t value)
{
    int count = 0;
    for (std::uint16_t p : s.pixels)
        count += p == value ? 1 : 0;
    return count;
}

} // namespace

TEST(ScreenDevice, OperationsWithoutDisplayAreRefused)
{
    ScreenDevice device;
    BitmapSurface empty;
    EXPECT_EQ(device.present(), E_POINTER);
    EXPECT_EQ(device.clear(0), E_POINTER);
    EXPECT_EQ(device.blit(0, 0, nullptr, Rect{0, 0, 1, 1}), E_INVALIDARG);
    EXPECT_EQ(device.blit(0, 0, &empty, Rect{0, 0, 1, 1}), E_POINTER);
    std::unique_ptr<BitmapSurface> out = std::make_unique<BitmapSurface>();
    BitmapSurface* kept = out.get();
    EXPECT_EQ(device.createSurfaceFromBitmap(&out, ImageName{113, nullptr}, 21, 18), E_INVALIDARG);
    EXPECT_EQ(out.get(), kept); // the out-parameter is left as it was
    EXPECT_EQ(device.destroyObjects(), S_OK);
    EXPECT_EQ(device.destroyObjects(), S_OK);
}

TEST(ScreenDevice, CreateAndDestroyTheDisplay)
{
    HeadlessDisplay display;
    ScreenDevice device;
    EXPECT_EQ(device.createFullScreenDisplay(&display, 1024, 768, 16), S_OK);
    EXPECT_TRUE(display.isOpen());
    ASSERT_NE(device.backBuffer, nullptr);
    EXPECT_EQ(device.backBuffer->width, 1024);
    // A second call gives the first display back before taking it again.
    EXPECT_EQ(device.createFullScreenDisplay(&display, 1024, 768, 16), S_OK);
    EXPECT_EQ(display.closeCalls, 1);
    EXPECT_EQ(display.openCalls, 2);
    EXPECT_EQ(device.destroyObjects(), S_OK);
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(device.backBuffer, nullptr);
    EXPECT_EQ(device.destroyObjects(), S_OK);
    EXPECT_EQ(display.closeCalls, 2); // nothing released the second time
}

TEST(ScreenDevice, FailedDisplayGivesFail)
{
    HeadlessDisplay display;
    display.failOpen(-5);
    ScreenDevice device;
    EXPECT_EQ(device.createFullScreenDisplay(&display, 1024, 768, 16), E_FAIL);
    EXPECT_EQ(device.createFullScreenDisplay(nullptr, 1024, 768, 16), E_FAIL);
    EXPECT_EQ(device.present(), E_POINTER);
    HeadlessDisplay good;
    EXPECT_EQ(device.createFullScreenDisplay(&good, 1024, 768, 24), E_FAIL);
}

TEST(ScreenDevice, PresentTradesTheBuffers)
{
    HeadlessScreen screen;
    ScreenDevice& device = screen.device;
    device.clear(0x1111);
    ASSERT_EQ(device.present(), DD_OK);
    device.clear(0x2222);
    ASSERT_EQ(device.present(), DD_OK);
    EXPECT_EQ(screen.display.frame()[0], 0x2222);
    // The back buffer now holds the frame shown before the one just presented.
    EXPECT_EQ(countValue(*device.backBuffer, 0x1111), 1024 * 768);
}

TEST(ScreenDevice, PresentRetriesWhileStillDrawingAndReportsLoss)
{
    HeadlessScreen screen;
    screen.display.failShows(DDERR_WASSTILLDRAWING, 5);
    EXPECT_EQ(screen.device.present(), DD_OK);
    EXPECT_EQ(screen.display.showCalls, 6);

    screen.device.clear(0x3333);
    screen.display.failShows(DDERR_SURFACELOST, 1);
    EXPECT_EQ(screen.device.present(), DDERR_SURFACELOST);
    EXPECT_EQ(countValue(*screen.device.backBuffer, 0x3333), 1024 * 768); // nothing flipped
    screen.display.failShows(-7, 1);
    EXPECT_EQ(screen.device.present(), -7);
}

TEST(ScreenDevice, ClearFillsTheWholeBackBuffer)
{
    HeadlessScreen screen;
    screen.device.backBuffer->pixels[77] = 5;
    EXPECT_EQ(screen.device.clear(0), DD_OK);
    EXPECT_EQ(countValue(*screen.device.backBuffer, 0), 1024 * 768);
}

TEST(ScreenDeviceBlit, DestinationMustLieWhollyOnTheBackBuffer)
{
    HeadlessScreen screen;
    auto sprite = solidSurface(&screen.display, 4, 3, 0x7777);
    const Rect whole{0, 0, 4, 3};
    struct Case {
        std::uint32_t x, y;
        bool drawn;
    };
    const Case cases[] = {
        {0, 0, true},
        {1020, 765, true},
        {1021, 0, false},
        {0, 766, false},
        {static_cast<std::uint32_t>(-1), 10, false},
        {10, static_cast<std::uint32_t>(-2), false},
        {0xFFFFFFFEu, 0xFFFFFFFEu, false}, // would wrap to a small number in 32 bits
    };
    for (const Case& c : cases) {
        screen.device.clear(0);
        const Result result = screen.device.blit(c.x, c.y, sprite.get(), whole);
        EXPECT_EQ(result >= 0, c.drawn) << c.x << "," << c.y;
        EXPECT_EQ(countValue(*screen.device.backBuffer, 0x7777), c.drawn ? 12 : 0) << c.x << "," << c.y;
    }
}

TEST(ScreenDeviceBlit, SourceRectangleMustBeNonEmptyAndInside)
{
    HeadlessScreen screen;
    auto panel = solidSurface(&screen.display, 158, 200, 0x4444);
    const Rect bad[] = {{160, 0, 158, 200}, {158, 0, 158, 200}, {0, 0, 159, 200}, {0, 0, 158, 201},
                        {-1, 0, 10, 10},    {0, 5, 10, 5},      {0, -3, 10, 10}};
    for (const Rect& r : bad) {
        screen.device.clear(0);
        EXPECT_LT(screen.device.blit(0, 0, panel.get(), r), 0);
        EXPECT_EQ(countValue(*screen.device.backBuffer, 0), 1024 * 768);
    }
    // Cutting columns off the left side: the rest lands at column 0.
    screen.device.clear(0);
    EXPECT_EQ(screen.device.blit(0, 0, panel.get(), Rect{155, 0, 158, 200}), DD_OK);
    EXPECT_EQ(countValue(*screen.device.backBuffer, 0x4444), 3 * 200);
    EXPECT_EQ(screen.device.backBuffer->row(199)[2], 0x4444);
    EXPECT_EQ(screen.device.backBuffer->row(199)[3], 0);
}

TEST(ScreenDeviceBlit, ColourKeyLeavesKeyedPixelsAsTheyWere)
{
    HeadlessScreen screen;
    auto sprite = solidSurface(&screen.display, 3, 3, 0);
    sprite->surface->pixels[4] = 0xFFFF; // the centre
    screen.device.clear(0x1234);
    // Without a key, black is copied.
    screen.device.blit(10, 10, sprite.get(), Rect{0, 0, 3, 3});
    EXPECT_EQ(countValue(*screen.device.backBuffer, 0), 8);

    screen.device.clear(0x1234);
    EXPECT_EQ(sprite->setColourKey(0), S_OK);
    screen.device.blit(10, 10, sprite.get(), Rect{0, 0, 3, 3});
    EXPECT_EQ(countValue(*screen.device.backBuffer, 0), 0);
    EXPECT_EQ(screen.device.backBuffer->row(11)[11], 0xFFFF);
    EXPECT_EQ(countValue(*screen.device.backBuffer, 0x1234), 1024 * 768 - 1);
}
