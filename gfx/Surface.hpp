// Surface: one block of RGB565 pixels in memory, the platform surface behind the back and
// front buffers and every BitmapSurface. It holds its pixels, top row first, and the source
// colour key that blits may honour. Colours reach pixel values only through rgbToPixel.
// Every surface has a serial number of its own, and the screen's two buffers also keep what
// the screen device knows of their pixels: which picture was last copied whole over them and
// where they were drawn on since.
#pragma once

#include "platform/ChangedBands.hpp"
#include "platform/PixelFormat.hpp"

#include <atomic>
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
    // Unique to this surface among all made in the run, never 0.
    std::uint64_t serial = nextSerial();
    // For the screen's buffers: the serial of the picture last copied whole over this surface
    // (0 when none, or when it was cleared since), and the bands drawn on since then. Only the
    // screen device writes into its buffers, so these stay true.
    std::uint64_t holdsPicture = 0;
    ChangedBands drawnSince;

private:
    static std::uint64_t nextSerial()
    {
        static std::atomic<std::uint64_t> made{0};
        return ++made;
    }
};
