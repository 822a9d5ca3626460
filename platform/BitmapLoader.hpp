// Decoding of BMP pictures into 24-bit RGB images, from memory or from a file, scaled to a
// wanted size when the stored size differs. SDL does the decoding and the scaling; callers
// see only the plain Image below. Every failure (bad data, no file, bad size) gives false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A decoded picture: width x height pixels, top row first, three bytes per pixel (R, G, B).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

bool decodeBitmap(const std::uint8_t* data, std::size_t size, int width, int height, Image& out);
// The picture's pixels as the display keeps them (RGB565, top row first) and its size, for a
// picture stored that way already (the browser build's packed background): no 8-bit image is
// made only to be reduced again. False for any other picture (decodeBitmap reads those).
bool decodeDisplayPixels(const std::uint8_t* data, std::size_t size, int& width, int& height,
                         std::vector<std::uint16_t>& pixels);
bool loadBitmapFile(const char* path, int width, int height, Image& out);
