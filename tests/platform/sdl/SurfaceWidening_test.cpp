// Tests of widening RGB565 frames into 32-bit window surfaces: every one of the 65,536 values
// in each layout a window may have (the byte-lane form for green in the middle, the general
// form for the rest) against SDL's own placing of the replicated channels; rows of any width
// and pitch touching nothing outside their rectangle; and the rectangles the hinted and the
// compared ways give for the window's update.
#include "platform/ChangedBands.hpp"
#include "platform/sdl/SurfaceWidening.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct FormatDeleter {
    void operator()(SDL_PixelFormat* format) const { SDL_FreeFormat(format); }
};
using Format = std::unique_ptr<SDL_PixelFormat, FormatDeleter>;

// The 8-bit channels of an RGB565 value, each channel's top bits repeated into its low ones.
std::uint32_t expectedPixel(const SDL_PixelFormat& format, std::uint16_t p)
{
    const unsigned r = p >> 11;
    const unsigned g = (p >> 5) & 0x3F;
    const unsigned b = p & 0x1F;
    return SDL_MapRGBA(&format, static_cast<Uint8>(r << 3 | r >> 2), static_cast<Uint8>(g << 2 | g >> 4),
                       static_cast<Uint8>(b << 3 | b >> 2), 255);
}

TEST(SurfaceWidening, EveryValueInEveryWindowLayoutMatchesSdlsPlacing)
{
    std::vector<std::uint16_t> all(65536);
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<std::uint16_t>(i);
    // The first four take the byte-lane form; the last two the general one.
    for (const std::uint32_t name : {SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_RGB888, SDL_PIXELFORMAT_ABGR8888,
                                     SDL_PIXELFORMAT_BGR888, SDL_PIXELFORMAT_RGBA8888, SDL_PIXELFORMAT_BGRA8888}) {
        const Format format(SDL_AllocFormat(name));
        ASSERT_NE(format, nullptr) << SDL_GetPixelFormatName(name);
        // 256 rows of 256, so that every row also runs the vector loops' tails.
        std::vector<std::uint32_t> out(all.size(), 0xDEADBEEF);
        widenRows(all.data(), 256, 256, 256, reinterpret_cast<unsigned char*>(out.data()), 256 * 4, *format);
        int wrong = 0;
        for (std::size_t i = 0; i < all.size(); ++i)
            if (out[i] != expectedPixel(*format, all[i]) && ++wrong <= 3)
                ADD_FAILURE() << SDL_GetPixelFormatName(name) << ": value " << std::hex << i << " became " << out[i]
                              << ", not " << expectedPixel(*format, all[i]);
        EXPECT_EQ(wrong, 0) << SDL_GetPixelFormatName(name);
    }
}

TEST(SurfaceWidening, RowsOfAnyWidthTouchOnlyTheirRectangle)
{
    const Format format(SDL_AllocFormat(SDL_PIXELFORMAT_RGB888));
    const Format general(SDL_AllocFormat(SDL_PIXELFORMAT_RGBA8888));
    ASSERT_NE(format, nullptr);
    ASSERT_NE(general, nullptr);
    constexpr int stride = 40;
    constexpr int pitchPixels = 48;
    std::vector<std::uint16_t> frame(stride * 4);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint16_t>(i * 2654435761u >> 9);
    for (const SDL_PixelFormat* layout : {format.get(), general.get()})
        for (const int width : {0, 1, 7, 8, 15, 16, 17, 33}) {
            // Three rows widened from column 2 into the surface at column 3 of row 1.
            std::vector<std::uint32_t> surface(pitchPixels * 6, 0x12345678);
            widenRows(frame.data() + 2, stride, width, 3, reinterpret_cast<unsigned char*>(surface.data() + pitchPixels + 3),
                      pitchPixels * 4, *layout);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < pitchPixels; ++x) {
                    const bool inside = y >= 1 && y < 4 && x >= 3 && x < 3 + width;
                    const std::uint32_t want
                        = inside ? expectedPixel(*layout, frame[static_cast<std::size_t>((y - 1) * stride + x - 3 + 2)])
                                 : 0x12345678u;
                    ASSERT_EQ(surface[static_cast<std::size_t>(y * pitchPixels + x)], want)
                        << "width " << width << " at " << x << "," << y;
                }
        }
}

TEST(SurfaceWidening, HintedAndComparedWaysWidenOnlyWhatTheyReport)
{
    const Format format(SDL_AllocFormat(SDL_PIXELFORMAT_ARGB8888));
    ASSERT_NE(format, nullptr);
    constexpr int width = 128;
    constexpr int height = 40; // three bands, the last one short
    std::vector<std::uint16_t> before(width * height, 0x1234);
    std::vector<std::uint16_t> now = before;
    now[static_cast<std::size_t>(5 * width + 70)] = 0xFFFF;  // band 0, the second 64-pixel span
    now[static_cast<std::size_t>(37 * width + 3)] = 0x0001;  // band 2, the first span
    std::vector<std::uint32_t> surface(width * height, 0);
    std::vector<SDL_Rect> changed;

    widenWhereChanged(now.data(), before.data(), width, height, reinterpret_cast<unsigned char*>(surface.data()),
                      width * 4, *format, changed);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[0].x, 64);
    EXPECT_EQ(changed[0].y, 0);
    EXPECT_EQ(changed[0].w, 64);
    EXPECT_EQ(changed[0].h, 16);
    EXPECT_EQ(changed[1].x, 0);
    EXPECT_EQ(changed[1].y, 32);
    EXPECT_EQ(changed[1].w, 64);
    EXPECT_EQ(changed[1].h, 8);
    EXPECT_EQ(surface[static_cast<std::size_t>(5 * width + 70)], expectedPixel(*format, 0xFFFF));
    EXPECT_EQ(surface[static_cast<std::size_t>(5 * width + 69)], expectedPixel(*format, 0x1234)); // same span
    EXPECT_EQ(surface[static_cast<std::size_t>(5 * width + 10)], 0u);                             // span unchanged
    EXPECT_EQ(surface[static_cast<std::size_t>(20 * width + 70)], 0u);                            // band unchanged

    ChangedBands hint;
    hint.reset(width, height);
    hint.mark(10, 18, 4, 4); // band 1 only
    changed.clear();
    std::fill(surface.begin(), surface.end(), 0);
    widenWhereHinted(now.data(), hint, reinterpret_cast<unsigned char*>(surface.data()), width * 4, *format, changed);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].x, 10);
    EXPECT_EQ(changed[0].y, 16);
    EXPECT_EQ(changed[0].w, 4);
    EXPECT_EQ(changed[0].h, 16);
    EXPECT_EQ(surface[static_cast<std::size_t>(16 * width + 10)], expectedPixel(*format, 0x1234));
    EXPECT_EQ(surface[static_cast<std::size_t>(16 * width + 14)], 0u);
    EXPECT_EQ(surface[static_cast<std::size_t>(5 * width + 70)], 0u); // changed, but not hinted
}

} // namespace
