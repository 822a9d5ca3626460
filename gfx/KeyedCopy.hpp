// KeyedCopy: the pixel loops of a keyed blit, where every source pixel equal to the key leaves
// the target pixel as it was. keyedRuns copies each row's runs of non-key pixels with one
// memcpy per run (the help panel and any other width); keyedCell handles the 3- and 4-pixel
// sprite cells with no branch that depends on the pixels. Callers check bounds first: these
// functions never clip and touch nothing outside the rectangle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace keyed {

// A keyed copy of a Width x height cell. A key pixel is written to a scratch place instead
// of the target, so the choice is a select rather than a branch the processor would guess
// wrong for half of a sprite's pixels; the target is never read, so a pixel written by an
// overlapping sprite just before costs nothing.
template <int Width>
inline void keyedCell(const std::uint16_t* in, std::size_t inStride, std::uint16_t* out, std::size_t outStride,
                      int height, std::uint16_t key)
{
    std::uint16_t scratch = 0;
    for (int row = 0; row < height; ++row, in += inStride, out += outStride) {
        for (int i = 0; i < Width; ++i) {
            const std::uint16_t value = in[i];
            std::uint16_t* target = value != key ? out + i : &scratch;
            *target = value;
        }
    }
}

// A keyed copy of any rectangle: each run of non-key pixels of a row is one memcpy.
inline void keyedRuns(const std::uint16_t* in, std::size_t inStride, std::uint16_t* out, std::size_t outStride,
                      int width, int height, std::uint16_t key)
{
    for (int row = 0; row < height; ++row, in += inStride, out += outStride) {
        int i = 0;
        while (i < width) {
            while (i < width && in[i] == key)
                ++i;
            const int start = i;
            while (i < width && in[i] != key)
                ++i;
            if (i > start)
                std::memcpy(out + start, in + start, static_cast<std::size_t>(i - start) * sizeof(std::uint16_t));
        }
    }
}

} // namespace keyed
