// KeyedCopy: the pixel loops of a keyed blit, where every source pixel equal to the key leaves
// the target pixel as it was. keyedRows selects pixel by pixel in vector steps (the help panel
// and any other width); keyedCell handles the 3- and 4-pixel sprite cells with no branch that
// depends on the pixels. Callers check bounds first: these
// functions never clip and touch nothing outside the rectangle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace keyed {

// Four 16-bit lanes, each 0xFFFF where the two words differ and 0 where they are equal.
inline std::uint64_t lanesThatDiffer(std::uint64_t a, std::uint64_t b)
{
    constexpr std::uint64_t low15 = 0x7FFF7FFF7FFF7FFFull;
    constexpr std::uint64_t top = 0x8000800080008000ull;
    const std::uint64_t x = a ^ b;
    // (x & 0x7FFF) + 0x7FFF never carries out of its lane; with x it sets the top bit of
    // every lane that is not zero.
    const std::uint64_t nonZero = (((x & low15) + low15) | x) & top;
    return (nonZero >> 15) * 0xFFFFull;
}

// A keyed copy of a 3- or 4-pixel-wide cell of `height` rows, with no branch that depends on
// the pixels. A 4-pixel row is one 64-bit word of source and of target, the source's non-key
// lanes blended over the target's. A 3-pixel row is three selects, a key pixel written to a
// scratch place instead of the target (a 64-bit word would reach past the cell). No pixel
// outside the cell is read or written.
template <int Width>
inline void keyedCell(const std::uint16_t* in, std::size_t inStride, std::uint16_t* out, std::size_t outStride,
                      int height, std::uint16_t key)
{
    static_assert(Width == 3 || Width == 4);
    const std::uint64_t keys = std::uint64_t{key} * 0x0001000100010001ull;
    std::uint16_t scratch = 0;
    for (int row = 0; row < height; ++row, in += inStride, out += outStride) {
        if constexpr (Width == 4) {
            std::uint64_t source;
            std::uint64_t target;
            std::memcpy(&source, in, sizeof source);
            std::memcpy(&target, out, sizeof target);
            const std::uint64_t take = lanesThatDiffer(source, keys);
            target = (source & take) | (target & ~take);
            std::memcpy(out, &target, sizeof target);
        } else {
            for (int i = 0; i < Width; ++i) {
                const std::uint16_t value = in[i];
                std::uint16_t* place = value != key ? out + i : &scratch;
                *place = value;
            }
        }
    }
}

// A keyed copy of any rectangle, a row at a time. Every target pixel is written: with the
// source pixel where that is not the key, with its own value where it is. A select the
// compiler turns into vector instructions, eight or more pixels a step, costs far less than
// finding the runs of a lettered panel, whose runs are a few pixels long.
inline void keyedRows(const std::uint16_t* in, std::size_t inStride, std::uint16_t* out, std::size_t outStride,
                      int width, int height, std::uint16_t key)
{
    for (int row = 0; row < height; ++row, in += inStride, out += outStride)
        for (int i = 0; i < width; ++i)
            out[i] = in[i] != key ? in[i] : out[i];
}

} // namespace keyed
