// Shrinking RGB565 frames into a smaller 32-bit window surface; see the header. Positions are
// in 16.16 fixed point and weights in 32nds, worked out once a column and once a row; the four
// pixels are blended in the frame's own 5 and 6-bit channels, all three at once, and the result
// widened to 8 bits (top bits repeated, as everywhere else).
#include "platform/sdl/SurfaceShrinking.hpp"

#include "platform/ChangedBands.hpp"

#include <algorithm>
#include <vector>

namespace {

// Where one output pixel's centre falls on the frame's axis: the first of the two frame pixels
// it lies between, and the weight of the second, in 32nds.
struct Tap {
    int first = 0;
    int second = 0;
    std::uint32_t weight = 0;
};

std::vector<Tap> taps(int frameSize, int outputSize)
{
    std::vector<Tap> result(static_cast<std::size_t>(outputSize));
    // The centre of output pixel i is at (i + 1/2) * frame / output - 1/2 on the frame's axis.
    const std::int64_t step = (std::int64_t{frameSize} << 16) / outputSize;
    for (int i = 0; i < outputSize; ++i) {
        // Rounded to the nearest 32nd of a pixel.
        std::int64_t at = step * i + step / 2 - (std::int64_t{1} << 15) + (std::int64_t{1} << 10);
        if (at < 0)
            at = 0;
        const int first = static_cast<int>(at >> 16);
        Tap& tap = result[static_cast<std::size_t>(i)];
        tap.first = first < frameSize - 1 ? first : frameSize - 1;
        tap.second = first + 1 < frameSize ? first + 1 : frameSize - 1;
        tap.weight = static_cast<std::uint32_t>((at >> 11) & 31);
    }
    return result;
}

// An RGB565 pixel spread over 32 bits with room above each channel: blue in bits 0-4, red in
// 11-15, green in 21-26. A sum of channels times weights up to 32 stays in each one's room.
constexpr std::uint32_t kSpread = 0x07E0F81Fu;
constexpr std::uint32_t kHalf = (16u << 21) | (16u << 11) | 16u; // a half in every channel, in 32nds

std::uint32_t spread(std::uint16_t p)
{
    return (p | (std::uint32_t{p} << 16)) & kSpread;
}

// a + (b - a) * weight / 32 in every channel at once, rounded to nearest.
std::uint32_t blend(std::uint32_t a, std::uint32_t b, std::uint32_t weight)
{
    return ((a * (32 - weight) + b * weight + kHalf) >> 5) & kSpread;
}

} // namespace

SDL_Rect fittedScene(int frameWidth, int frameHeight, int windowWidth, int windowHeight)
{
    if (frameWidth <= 0 || frameHeight <= 0 || windowWidth <= 0 || windowHeight <= 0)
        return SDL_Rect{0, 0, 0, 0};
    const std::int64_t across = std::int64_t{windowWidth} * frameHeight;
    const std::int64_t down = std::int64_t{windowHeight} * frameWidth;
    if (across > down) {
        // Wider than the frame: bars left and right.
        const int width = static_cast<int>(down / frameHeight);
        return SDL_Rect{(windowWidth - width) / 2, 0, width, windowHeight};
    }
    const int height = static_cast<int>(across / frameWidth);
    return SDL_Rect{0, (windowHeight - height) / 2, windowWidth, height};
}

SDL_Rect shrinkInto(const std::uint16_t* frame, int frameWidth, int frameHeight, unsigned char* target, int pitch,
                    const SDL_Rect& scene, const SDL_PixelFormat& layout, const ChangedBands* mayDiffer)
{
    if (scene.w <= 0 || scene.h <= 0 || scene.w > frameWidth || scene.h > frameHeight)
        return SDL_Rect{0, 0, 0, 0};
    if (mayDiffer != nullptr && (mayDiffer->frameWidth() != frameWidth || mayDiffer->frameHeight() != frameHeight))
        mayDiffer = nullptr;
    const std::vector<Tap> columns = taps(frameWidth, scene.w);
    const std::vector<Tap> rows = taps(frameHeight, scene.h);
    const std::uint32_t alpha = layout.Amask;
    int left = scene.w;
    int right = 0;
    int top = scene.h;
    int bottom = 0;
    for (int y = 0; y < scene.h; ++y) {
        const Tap& row = rows[static_cast<std::size_t>(y)];
        int from = 0;
        int to = scene.w;
        if (mayDiffer != nullptr) {
            // The frame columns that may differ in the bands of this row's two frame rows, and
            // the scene's columns that blend any of them.
            const auto upperBand = static_cast<std::size_t>(row.first / ChangedBands::bandRows);
            const auto lowerBand = static_cast<std::size_t>(row.second / ChangedBands::bandRows);
            const int changedLeft = std::min(mayDiffer->leftOf(upperBand), mayDiffer->leftOf(lowerBand));
            const int changedRight = std::max(mayDiffer->rightOf(upperBand), mayDiffer->rightOf(lowerBand));
            while (from < to && columns[static_cast<std::size_t>(from)].second < changedLeft)
                ++from;
            while (to > from && columns[static_cast<std::size_t>(to - 1)].first >= changedRight)
                --to;
            if (from >= to)
                continue;
        }
        left = std::min(left, from);
        right = std::max(right, to);
        top = std::min(top, y);
        bottom = y + 1;
        const std::uint16_t* upper = frame + static_cast<std::ptrdiff_t>(row.first) * frameWidth;
        const std::uint16_t* lower = frame + static_cast<std::ptrdiff_t>(row.second) * frameWidth;
        auto* out
            = reinterpret_cast<std::uint32_t*>(target + static_cast<std::ptrdiff_t>(scene.y + y) * pitch) + scene.x;
        for (int x = from; x < to; ++x) {
            const Tap& column = columns[static_cast<std::size_t>(x)];
            const std::uint32_t above = blend(spread(upper[column.first]), spread(upper[column.second]), column.weight);
            const std::uint32_t below = blend(spread(lower[column.first]), spread(lower[column.second]), column.weight);
            const std::uint32_t mixed = blend(above, below, row.weight);
            const std::uint32_t r = (mixed >> 11) & 0x1F;
            const std::uint32_t g = (mixed >> 21) & 0x3F;
            const std::uint32_t b = mixed & 0x1F;
            out[x] = (r << 3 | r >> 2) << layout.Rshift | (g << 2 | g >> 4) << layout.Gshift
                | (b << 3 | b >> 2) << layout.Bshift | alpha;
        }
    }
    if (left >= right)
        return SDL_Rect{0, 0, 0, 0};
    return SDL_Rect{scene.x + left, scene.y + top, right - left, bottom - top};
}
