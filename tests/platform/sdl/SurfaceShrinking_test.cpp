// Tests of shrinking RGB565 frames into smaller 32-bit window surfaces: where the scene goes
// in windows of every shape; a scene of the frame's own size equals plain widening in every
// layout; a preview-sized scene matches a bilinear scaling worked out in floating point, in
// every channel; nothing outside the scene's rectangle is touched; and with a hint of where the
// frame may have changed, exactly the scene's pixels blended from there are written again.
#include "platform/ChangedBands.hpp"
#include "platform/sdl/SurfaceShrinking.hpp"
#include "platform/sdl/SurfaceWidening.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct FormatDeleter {
    void operator()(SDL_PixelFormat* format) const { SDL_FreeFormat(format); }
};
using Format = std::unique_ptr<SDL_PixelFormat, FormatDeleter>;

std::vector<std::uint16_t> noise(int width, int height)
{
    std::vector<std::uint16_t> frame(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint16_t>((i + 1) * 2654435761u >> 11);
    return frame;
}

// Channel c (0 red, 1 green, 2 blue) of an RGB565 pixel, widened to 8 bits.
double channel(std::uint16_t p, int c)
{
    const unsigned r = p >> 11;
    const unsigned g = (p >> 5) & 0x3F;
    const unsigned b = p & 0x1F;
    return c == 0 ? (r << 3 | r >> 2) : c == 1 ? (g << 2 | g >> 4) : (b << 3 | b >> 2);
}

// Bilinear scaling of one channel at output pixel (x, y), pixel centres aligned, edges clamped.
double reference(const std::vector<std::uint16_t>& frame, int fw, int fh, int ow, int oh, int x, int y, int c)
{
    const double sx = std::max(0.0, (x + 0.5) * fw / ow - 0.5);
    const double sy = std::max(0.0, (y + 0.5) * fh / oh - 0.5);
    const int x0 = std::min(static_cast<int>(sx), fw - 1);
    const int y0 = std::min(static_cast<int>(sy), fh - 1);
    const int x1 = std::min(x0 + 1, fw - 1);
    const int y1 = std::min(y0 + 1, fh - 1);
    const double ax = sx - x0;
    const double ay = sy - y0;
    const auto at = [&](int px, int py) { return channel(frame[static_cast<std::size_t>(py * fw + px)], c); };
    const double top = at(x0, y0) * (1 - ax) + at(x1, y0) * ax;
    const double bottom = at(x0, y1) * (1 - ax) + at(x1, y1) * ax;
    return top * (1 - ay) + bottom * ay;
}

TEST(SurfaceShrinking, TheSceneKeepsTheFramesProportionsCentredInAnyWindow)
{
    const auto expect = [](int w, int h, SDL_Rect want) {
        const SDL_Rect got = fittedScene(1024, 768, w, h);
        EXPECT_EQ(got.x, want.x) << w << "x" << h;
        EXPECT_EQ(got.y, want.y) << w << "x" << h;
        EXPECT_EQ(got.w, want.w) << w << "x" << h;
        EXPECT_EQ(got.h, want.h) << w << "x" << h;
    };
    expect(200, 150, {0, 0, 200, 150});
    expect(400, 150, {100, 0, 200, 150}); // bars left and right
    expect(200, 300, {0, 75, 200, 150}); // bars above and below
    expect(1920, 1080, {240, 0, 1440, 1080});
    expect(201, 150, {0, 0, 200, 150}); // a column too many: a bar of one, on the right
    expect(0, 150, {0, 0, 0, 0});
}

TEST(SurfaceShrinking, AtTheFramesOwnSizeItIsPlainWideningInEveryLayout)
{
    const std::vector<std::uint16_t> frame = noise(67, 41);
    for (const std::uint32_t name : {SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_RGB888, SDL_PIXELFORMAT_ABGR8888,
                                     SDL_PIXELFORMAT_BGR888, SDL_PIXELFORMAT_RGBA8888, SDL_PIXELFORMAT_BGRA8888}) {
        const Format format(SDL_AllocFormat(name));
        ASSERT_NE(format, nullptr);
        std::vector<std::uint32_t> shrunk(frame.size(), 0);
        std::vector<std::uint32_t> widened(frame.size(), 0);
        shrinkInto(frame.data(), 67, 41, reinterpret_cast<unsigned char*>(shrunk.data()), 67 * 4, {0, 0, 67, 41},
                   *format);
        widenRows(frame.data(), 67, 67, 41, reinterpret_cast<unsigned char*>(widened.data()), 67 * 4, *format);
        EXPECT_EQ(shrunk, widened) << SDL_GetPixelFormatName(name);
    }
}

TEST(SurfaceShrinking, APreviewMatchesBilinearScalingInEveryChannel)
{
    const Format format(SDL_AllocFormat(SDL_PIXELFORMAT_RGB888));
    ASSERT_NE(format, nullptr);
    constexpr int fw = 1024;
    constexpr int fh = 768;
    const std::vector<std::uint16_t> frame = noise(fw, fh);
    for (const SDL_Rect scene : {SDL_Rect{0, 0, 200, 150}, SDL_Rect{0, 0, 640, 480}, SDL_Rect{0, 0, 1023, 767}}) {
        std::vector<std::uint32_t> out(static_cast<std::size_t>(scene.w) * static_cast<std::size_t>(scene.h));
        shrinkInto(frame.data(), fw, fh, reinterpret_cast<unsigned char*>(out.data()), scene.w * 4, scene, *format);
        double worst = 0;
        double total = 0;
        for (int y = 0; y < scene.h; ++y)
            for (int x = 0; x < scene.w; ++x) {
                const std::uint32_t p = out[static_cast<std::size_t>(y * scene.w + x)];
                const double got[3] = {static_cast<double>((p >> 16) & 0xFF), static_cast<double>((p >> 8) & 0xFF),
                                       static_cast<double>(p & 0xFF)};
                for (int c = 0; c < 3; ++c) {
                    const double off = std::fabs(got[c] - reference(frame, fw, fh, scene.w, scene.h, x, y, c));
                    worst = std::max(worst, off);
                    total += off;
                }
            }
        // Weights in 32nds and channels blended at 5 or 6 bits cost a few steps of 255 at worst,
        // and about one on the whole; a pixel taken from the wrong place in this noise is off by
        // tens on the whole.
        EXPECT_LE(worst, 16.0) << scene.w << "x" << scene.h;
        EXPECT_LE(total / (3.0 * scene.w * scene.h), 3.0) << scene.w << "x" << scene.h;
    }
}

TEST(SurfaceShrinking, OnlyTheScenesRectangleIsWrittenWithAlphaFull)
{
    const Format format(SDL_AllocFormat(SDL_PIXELFORMAT_ARGB8888));
    ASSERT_NE(format, nullptr);
    const std::vector<std::uint16_t> frame = noise(100, 80);
    constexpr int pitchPixels = 70;
    std::vector<std::uint32_t> surface(pitchPixels * 52, 0x00123456);
    const SDL_Rect scene{7, 5, 50, 40};
    shrinkInto(frame.data(), 100, 80, reinterpret_cast<unsigned char*>(surface.data()), pitchPixels * 4, scene,
               *format);
    for (int y = 0; y < 52; ++y)
        for (int x = 0; x < pitchPixels; ++x) {
            const std::uint32_t p = surface[static_cast<std::size_t>(y * pitchPixels + x)];
            const bool inside = x >= scene.x && x < scene.x + scene.w && y >= scene.y && y < scene.y + scene.h;
            if (inside)
                ASSERT_EQ(p >> 24, 0xFFu) << x << "," << y;
            else
                ASSERT_EQ(p, 0x00123456u) << x << "," << y;
        }
    // A scene larger than the frame is left to the renderer: nothing is written.
    std::vector<std::uint32_t> larger(200 * 160, 7);
    shrinkInto(frame.data(), 100, 80, reinterpret_cast<unsigned char*>(larger.data()), 200 * 4, {0, 0, 200, 160},
               *format);
    EXPECT_TRUE(std::all_of(larger.begin(), larger.end(), [](std::uint32_t p) { return p == 7; }));
}

TEST(SurfaceShrinking, WithAHintOnlyWhatMayHaveChangedIsWrittenAgain)
{
    const Format format(SDL_AllocFormat(SDL_PIXELFORMAT_RGB888));
    ASSERT_NE(format, nullptr);
    constexpr int fw = 1024;
    constexpr int fh = 768;
    const SDL_Rect scene{0, 0, 200, 150};
    const std::vector<std::uint16_t> shown = noise(fw, fh);
    std::vector<std::uint32_t> surface(200 * 150, 0);
    const SDL_Rect first
        = shrinkInto(shown.data(), fw, fh, reinterpret_cast<unsigned char*>(surface.data()), 200 * 4, scene, *format);
    EXPECT_EQ(first.w, 200);
    EXPECT_EQ(first.h, 150);

    // A sprite's worth drawn in the middle, and marked; a change elsewhere left unmarked.
    std::vector<std::uint16_t> next = shown;
    for (int y = 380; y < 390; ++y)
        for (int x = 500; x < 512; ++x)
            next[static_cast<std::size_t>(y * fw + x)] = 0xFFFF;
    for (const int at : {12 * fw + 12, 12 * fw + 13, 13 * fw + 12, 13 * fw + 13}) // under scene pixel (2, 2)
        next[static_cast<std::size_t>(at)] = 0xFFFF;
    ChangedBands hint;
    hint.reset(fw, fh);
    hint.mark(500, 380, 12, 10);
    const SDL_Rect written = shrinkInto(next.data(), fw, fh, reinterpret_cast<unsigned char*>(surface.data()), 200 * 4,
                                        scene, *format, &hint);
    // Only a few columns of the two or three bands of rows around the sprite.
    EXPECT_GT(written.w, 0);
    EXPECT_LT(written.w, 8);
    EXPECT_LT(written.h, 10);

    std::vector<std::uint32_t> fresh(200 * 150, 0);
    shrinkInto(next.data(), fw, fh, reinterpret_cast<unsigned char*>(fresh.data()), 200 * 4, scene, *format);
    std::vector<std::uint32_t> old(200 * 150, 0);
    shrinkInto(shown.data(), fw, fh, reinterpret_cast<unsigned char*>(old.data()), 200 * 4, scene, *format);
    int spriteDiffers = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * 200 + x);
            const bool inWritten
                = x >= written.x && x < written.x + written.w && y >= written.y && y < written.y + written.h;
            if (fresh[i] != old[i] && x > 50)
                ++spriteDiffers;
            if (inWritten || x > 50)
                ASSERT_EQ(surface[i], fresh[i]) << "at " << x << "," << y << ": the sprite's change is missing";
            else
                ASSERT_EQ(surface[i], old[i]) << "at " << x << "," << y << ": written outside the hint";
        }
    EXPECT_GT(spriteDiffers, 0) << "the sprite shows in the shrunk picture";
    // The unmarked change near the top left did reach a fresh picture, and not the hinted one.
    EXPECT_NE(fresh[static_cast<std::size_t>(2 * 200 + 2)], old[static_cast<std::size_t>(2 * 200 + 2)]);
}

} // namespace
