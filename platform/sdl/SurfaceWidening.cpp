// Widening RGB565 frames into a 32-bit window surface: whole, where hinted, or where changed.
#include "platform/sdl/SurfaceWidening.hpp"

#include "platform/ChangedBands.hpp"

#include <algorithm>
#include <cstring>

namespace {

// Whether the layout puts green in the middle byte, red and blue in the outer two and alpha,
// if any, in the top byte: every 32-bit window format in use. Those are widened a byte lane
// at a time below instead of channel by channel.
bool middleGreen(const SDL_PixelFormat& layout)
{
    const bool outer = (layout.Rshift == 16 && layout.Bshift == 0) || (layout.Rshift == 0 && layout.Bshift == 16);
    return layout.BytesPerPixel == 4 && layout.Gshift == 8 && outer && (layout.Amask & 0x00FFFFFFu) == 0;
}

// One row in 16-bit lanes: each pixel's low half is green over the low channel, its high half
// alpha over the high channel. Eight pixels fit a 128-bit vector in every step, where the
// general form needs 32-bit lanes for its shifts. The results are those of the general form,
// bit for bit.
template <bool RedHigh>
inline void widenRowByLanes(const std::uint16_t* pixels, std::size_t count, std::uint32_t* out,
                            std::uint16_t alphaHigh)
{
    for (std::size_t x = 0; x < count; ++x) {
        const std::uint16_t p = pixels[x];
        const auto r = static_cast<std::uint16_t>(((p >> 8) & 0xF8) | (p >> 13));
        const auto g = static_cast<std::uint16_t>(((p >> 3) & 0xFC) | ((p >> 9) & 0x03));
        const auto b = static_cast<std::uint16_t>(((p << 3) & 0xF8) | ((p >> 2) & 0x07));
        const auto high = static_cast<std::uint16_t>((RedHigh ? r : b) | alphaHigh);
        const auto low = static_cast<std::uint16_t>((g << 8) | (RedHigh ? b : r));
        out[x] = (std::uint32_t{high} << 16) | low;
    }
}

// The two orders of the outer channels, each built twice on x86-64: for AVX2, sixteen pixels
// a step, chosen when the processor has it, and for the baseline.
#if defined(__x86_64__) && defined(__GNUC__)
#define WIDEN_FOR_EACH_PROCESSOR __attribute__((target_clones("avx2", "default")))
#else
#define WIDEN_FOR_EACH_PROCESSOR
#endif

WIDEN_FOR_EACH_PROCESSOR void widenRowRedHigh(const std::uint16_t* pixels, std::size_t count, std::uint32_t* out,
                                              std::uint16_t alphaHigh)
{
    widenRowByLanes<true>(pixels, count, out, alphaHigh);
}

WIDEN_FOR_EACH_PROCESSOR void widenRowBlueHigh(const std::uint16_t* pixels, std::size_t count, std::uint32_t* out,
                                               std::uint16_t alphaHigh)
{
    widenRowByLanes<false>(pixels, count, out, alphaHigh);
}

} // namespace

void widenRows(const std::uint16_t* pixels, std::size_t stride, int width, int height, unsigned char* target,
               int pitch, const SDL_PixelFormat& layout)
{
    const std::size_t count = width > 0 ? static_cast<std::size_t>(width) : 0;
    if (middleGreen(layout)) {
        const auto alphaHigh = static_cast<std::uint16_t>(layout.Amask >> 16);
        const bool redHigh = layout.Rshift == 16;
        for (int y = 0; y < height; ++y, target += pitch, pixels += stride) {
            auto* out = reinterpret_cast<std::uint32_t*>(target);
            // In the running program the frame and the window's memory are far from the cache
            // by the time of the present (the server read the one on its own core since the
            // last frame), and each row of a band is a stream of its own: the rows two below
            // are asked for now, so that they arrive while this one is widened.
            if (y + 2 < height) {
                const std::uint16_t* nextIn = pixels + 2 * stride;
                unsigned char* nextOut = target + 2 * static_cast<std::ptrdiff_t>(pitch);
                for (std::size_t k = 0; k < count; k += 32)
                    __builtin_prefetch(nextIn + k, 0);
                for (std::size_t k = 0; k < count; k += 16)
                    __builtin_prefetch(nextOut + k * 4, 1);
            }
            if (redHigh)
                widenRowRedHigh(pixels, count, out, alphaHigh);
            else
                widenRowBlueHigh(pixels, count, out, alphaHigh);
        }
        return;
    }
    const unsigned redShift = layout.Rshift;
    const unsigned greenShift = layout.Gshift;
    const unsigned blueShift = layout.Bshift;
    const std::uint32_t alpha = layout.Amask;
    const auto widen = [=](std::uint32_t p) {
        const std::uint32_t r = p >> 11;
        const std::uint32_t g = (p >> 5) & 0x3Fu;
        const std::uint32_t b = p & 0x1Fu;
        return (((r << 3) | (r >> 2)) << redShift) | (((g << 2) | (g >> 4)) << greenShift)
            | (((b << 3) | (b >> 2)) << blueShift) | alpha;
    };
    // Blocks of a fixed 16 pixels let the compiler use vector instructions for them.
    for (int y = 0; y < height; ++y, target += pitch, pixels += stride) {
        auto* out = reinterpret_cast<std::uint32_t*>(target);
        std::size_t x = 0;
        for (; x + 16 <= count; x += 16)
            for (std::size_t k = 0; k < 16; ++k)
                out[x + k] = widen(pixels[x + k]);
        for (; x < count; ++x)
            out[x] = widen(pixels[x]);
    }
}

void widenWhereHinted(const std::uint16_t* pixels, const ChangedBands& mayDiffer, unsigned char* target, int pitch,
                      const SDL_PixelFormat& layout, std::vector<SDL_Rect>& changed)
{
    constexpr int bandRows = ChangedBands::bandRows;
    const int frameWidth = mayDiffer.frameWidth();
    const int frameHeight = mayDiffer.frameHeight();
    const std::size_t width = static_cast<std::size_t>(frameWidth);
    for (std::size_t band = 0; band < mayDiffer.bandCount(); ++band) {
        const int left = std::max(mayDiffer.leftOf(band), 0);
        const int right = std::min(mayDiffer.rightOf(band), frameWidth);
        if (left >= right)
            continue;
        const int top = static_cast<int>(band) * bandRows;
        const int rows = std::min(bandRows, frameHeight - top);
        widenRows(pixels + static_cast<std::size_t>(top) * width + static_cast<std::size_t>(left), width, right - left,
                  rows, target + static_cast<std::ptrdiff_t>(top) * pitch + static_cast<std::ptrdiff_t>(left) * 4, pitch,
                  layout);
        changed.push_back(SDL_Rect{left, top, right - left, rows});
    }
}

void widenWhereChanged(const std::uint16_t* pixels, const std::uint16_t* before, int frameWidth, int frameHeight,
                       unsigned char* target, int pitch, const SDL_PixelFormat& layout, std::vector<SDL_Rect>& changed)
{
    constexpr int bandRows = ChangedBands::bandRows;
    constexpr std::size_t span = 64;
    const std::size_t width = static_cast<std::size_t>(frameWidth);
    for (int top = 0; top < frameHeight; top += bandRows) {
        const int rows = std::min(bandRows, frameHeight - top);
        std::size_t left = width;
        std::size_t right = 0;
        for (int y = top; y < top + rows; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * width;
            unsigned char* line = target + static_cast<std::ptrdiff_t>(y) * pitch;
            for (std::size_t x = 0; x < width; x += span) {
                const std::size_t n = std::min(span, width - x);
                if (std::memcmp(pixels + row + x, before + row + x, n * sizeof(std::uint16_t)) == 0)
                    continue;
                // Widened while the span is still in the cache from the comparison.
                widenRows(pixels + row + x, width, static_cast<int>(n), 1, line + static_cast<std::ptrdiff_t>(x * 4),
                          pitch, layout);
                left = std::min(left, x);
                right = std::max(right, x + n);
            }
        }
        if (left >= right)
            continue;
        changed.push_back(SDL_Rect{static_cast<int>(left), top, static_cast<int>(right - left), rows});
    }
}
