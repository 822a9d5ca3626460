// PNG output of an RGB565 frame through stb_image_write.
#include "platform/PngWriter.hpp"

#include "platform/PixelFormat.hpp"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#include <vector>

bool writePng(const char* path, const std::uint16_t* pixels, int width, int height)
{
    if (path == nullptr || pixels == nullptr || width <= 0 || height <= 0)
        return false;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * static_cast<std::size_t>(height); ++i) {
        const Rgb8 c = pixelToRgb(pixels[i]);
        rgb[i * 3 + 0] = c.r;
        rgb[i * 3 + 1] = c.g;
        rgb[i * 3 + 2] = c.b;
    }
    return stbi_write_png(path, width, height, 3, rgb.data(), width * 3) != 0;
}
