// YuvPicture: an RGB565 frame to the planar YUV an encoder takes, enlarged `scale` times with
// sharp pixels, in studio-range BT.709. Each 16-bit pixel's Y, U and V come from one table
// (built once, 256 KiB). In 4:2:0 a colour sample covers a 2 x 2 block of the enlarged picture:
// at an even scale that block lies inside one frame pixel, whose own U and V it takes; at an
// odd scale it averages the frame pixels under the block. Owns the table only.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class YuvPicture {
public:
    YuvPicture(int width, int height, int scale, bool fullChroma);

    // The three planes' sizes for the enlarged picture: Y, then U and V.
    int lumaWidth() const { return width_ * scale_; }
    int lumaHeight() const { return height_ * scale_; }
    int chromaWidth() const { return fullChroma_ ? lumaWidth() : (lumaWidth() + 1) / 2; }
    int chromaHeight() const { return fullChroma_ ? lumaHeight() : (lumaHeight() + 1) / 2; }

    // Writes the enlarged frame into the Y, U and V planes (rows `strides` bytes apart).
    void convert(const std::uint16_t* pixels, const std::array<std::uint8_t*, 3>& planes,
                 const std::array<int, 3>& strides) const;

    // One pixel's Y, U and V.
    std::array<std::uint8_t, 3> yuvOf(std::uint16_t pixel) const;

private:
    // Scale 2 in 4:2:0, the usual case, in one pass: each frame pixel's Y twice on two picture
    // rows, and its U and V once.
    void doubledRows(const std::uint16_t* pixels, const std::array<std::uint8_t*, 3>& planes,
                     const std::array<int, 3>& strides) const;
    void lumaRows(const std::uint16_t* pixels, std::uint8_t* plane, int stride) const;
    void fullChromaRows(const std::uint16_t* pixels, std::uint8_t* u, std::uint8_t* v, int stride) const;
    void halfChromaRows(const std::uint16_t* pixels, std::uint8_t* u, std::uint8_t* v, int stride) const;

    int width_;
    int height_;
    int scale_;
    bool fullChroma_;
    std::vector<std::uint32_t> table_; // by pixel: Y | U << 8 | V << 16
};
