// Surface: one block of RGB565 pixels in memory, the platform surface behind the back and
// front buffers and every BitmapSurface. It holds its pixels, top row first, and the source
// colour key that blits may honour. Colours reach pixel values only through rgbToPixel.
#pragma once

#include "platform/PixelFormat.hpp"

#include <cstdint>
#include <vector>

struct Surface {
    Surface(int surfaceWidth, int surfaceHeight)
        : width(surfaceWidth), height(surfaceHeight),
          pixels(static_cast<std::size_t>(surfaceWidth) * static_cast<std::size_t>(surfaceHeight), 0)
    {}

    std::uint16_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    const std::uint16_t* row(int y) const
    {
        return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }

    int width;
    int height;
    std::vector<std::uint16_t> pixels;
    std::uint16_t colourKey = 0;
    bool keySet = false;
};
