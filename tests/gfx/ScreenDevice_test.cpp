// The screen device: results without a display, the flipping chain, blits that never clip.
#include "gfx/ScreenDevice.hpp"

#include "platform/ChangedBands.hpp"
#include "support/Scene.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <vector>

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

namespace {

// The memory display, also keeping what each show was told of where the frame may differ.
class HintedDisplay : public HeadlessDisplay {
public:
    int show(const std::uint16_t* pixels, int frameWidth, int frameHeight, const ChangedBands* mayDiffer) override
    {
        hinted = mayDiffer != nullptr;
        if (hinted)
            hint = *mayDiffer;
        return HeadlessDisplay::show(pixels, frameWidth, frameHeight, mayDiffer);
    }
    bool hinted = false;
    ChangedBands hint;
};

std::unique_ptr<BitmapSurface> noiseSurface(Display* display, int width, int height, std::uint32_t& seed)
{
    auto surface = solidSurface(display, width, height, 0);
    for (std::uint16_t& p : surface->surface->pixels) {
        seed = seed * 1664525u + 1013904223u;
        p = static_cast<std::uint16_t>(seed >> 16);
    }
    return surface;
}

} // namespace

// Frames drawn over a background that is put back only where the frames drew: after every
// restore the back buffer is the picture exactly, and every pixel the display is told cannot
// have changed is the same as in the frame shown before. Sprites land across band edges and
// on the frame's edges, a panel is blitted now and then, one frame is cleared instead, and for
// a while another picture is the background.
TEST(ScreenDevice, BackgroundIsPutBackWhereFramesDrewAndTheDisplayToldWhereTheyDiffer)
{
    constexpr int width = 256;
    constexpr int height = 100; // the last band is short
    HintedDisplay display;
    ScreenDevice device;
    ASSERT_EQ(device.createFullScreenDisplay(&display, width, height, 16), S_OK);
    std::uint32_t seed = 7;
    const auto picture = noiseSurface(&display, width + 8, height + 4, seed); // larger than the screen
    const auto other = noiseSurface(&display, width, height, seed);
    const auto sheet = noiseSurface(&display, 8, 4, seed);
    sheet->surface->pixels[5] = 0;
    ASSERT_EQ(sheet->setColourKey(0), S_OK);
    const auto panel = solidSurface(&display, 40, 30, 0x1234);
    const SheetCopier copier = device.copierFor(sheet.get());
    auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    int hintedFrames = 0;
    for (int frame = 0; frame < 160; ++frame) {
        const BitmapSurface& background = frame >= 90 && frame < 100 ? *other : *picture;
        if (frame == 40) {
            ASSERT_EQ(device.clear(0x0F0F), DD_OK);
        } else {
            ASSERT_EQ(device.restoreBackground(&background), DD_OK);
            for (int y = 0; y < height; ++y)
                ASSERT_TRUE(std::equal(device.backBuffer->row(y), device.backBuffer->row(y) + width,
                                       background.surface->row(y)))
                    << "frame " << frame << ", row " << y;
        }
        const int sprites = static_cast<int>(next(12));
        for (int s = 0; s < sprites; ++s) {
            const auto x = next(width - 3);
            const auto y = frame % 7 == 0 ? std::uint32_t{height - 4} : next(height - 3);
            if (s % 2 == 0)
                ASSERT_EQ(copier.copy(x, y, Rect{4, 0, 8, 4}), DD_OK);
            else
                ASSERT_EQ(device.blit(x, y, sheet.get(), Rect{0, 0, 3, 3}), DD_OK);
        }
        if (frame % 5 == 0) {
            ASSERT_EQ(device.blit(next(width - 40), next(height - 30), panel.get(), Rect{0, 0, 40, 30}), DD_OK);
        }
        const std::vector<std::uint16_t> before = display.frame();
        ASSERT_EQ(device.present(), DD_OK);
        if (!display.hinted || before.empty())
            continue;
        ++hintedFrames;
        const std::span<const std::uint16_t> now = display.shownFrame();
        ASSERT_EQ(display.hint.frameWidth(), width);
        for (int y = 0; y < height; ++y) {
            const auto band = static_cast<std::size_t>(y / ChangedBands::bandRows);
            for (int x = 0; x < width; ++x) {
                if (x >= display.hint.leftOf(band) && x < display.hint.rightOf(band))
                    continue;
                const std::size_t i = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x);
                ASSERT_EQ(now[i], before[i]) << "frame " << frame << " at " << x << "," << y;
            }
        }
    }
    // Only the frames whose two buffers both hold the same picture are hinted: none around
    // the clear and the other picture's first frames.
    EXPECT_GE(hintedFrames, 140);
    EXPECT_LE(hintedFrames, 155);

    // A keyed picture goes the way of blit: its keyed pixels leave the back buffer as it was.
    ASSERT_EQ(device.clear(0x0F0F), DD_OK);
    picture->surface->pixels[3] = 0;
    ASSERT_EQ(picture->setColourKey(0), S_OK);
    ASSERT_EQ(device.restoreBackground(picture.get()), DD_OK);
    EXPECT_EQ(device.backBuffer->pixels[3], 0x0F0F);
    EXPECT_EQ(device.backBuffer->pixels[4], picture->surface->pixels[4]);
    // A picture smaller than the screen is refused, as blit refuses it.
    EXPECT_EQ(device.restoreBackground(panel.get()), DDERR_INVALIDRECT);
    EXPECT_EQ(device.restoreBackground(nullptr), E_INVALIDARG);
}
