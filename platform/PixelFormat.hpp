// The display's pixel format: 16 bits, 5-6-5 bits for red, green and blue.
// A 0x00BBGGRR colour reduces to it by truncating each channel, as SDL's conversions do.
#pragma once

#include <cstdint>

constexpr std::uint16_t rgbToPixel(std::uint32_t colour)
{
    const std::uint32_t r = colour & 0xFFu;
    const std::uint32_t g = (colour >> 8) & 0xFFu;
    const std::uint32_t b = (colour >> 16) & 0xFFu;
    return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

constexpr std::uint16_t rgbToPixel(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return rgbToPixel(std::uint32_t{r} | (std::uint32_t{g} << 8) | (std::uint32_t{b} << 16));
}

// A pixel's 8-bit red, green and blue, each channel widened by repeating its top bits, so
// that full 5 or 6 bits give 255 and 0 gives 0.
struct Rgb8 {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

constexpr Rgb8 pixelToRgb(std::uint16_t pixel)
{
    const std::uint32_t r = (pixel >> 11) & 0x1Fu;
    const std::uint32_t g = (pixel >> 5) & 0x3Fu;
    const std::uint32_t b = pixel & 0x1Fu;
    return Rgb8{static_cast<std::uint8_t>((r << 3) | (r >> 2)), static_cast<std::uint8_t>((g << 2) | (g >> 4)),
                static_cast<std::uint8_t>((b << 3) | (b >> 2))};
}
