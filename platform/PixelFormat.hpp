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
