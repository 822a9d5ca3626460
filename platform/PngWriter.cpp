// PNG output of an RGB565 frame: stb_image_write encodes in memory, AtomicFile writes it.
#include "platform/PngWriter.hpp"

#include "platform/AtomicFile.hpp"
#include "platform/PixelFormat.hpp"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#include <vector>

namespace {

void appendToFile(void* context, void* data, int size)
{
    static_cast<AtomicFile*>(context)->write(data, static_cast<std::size_t>(size));
}

} // namespace

bool writePng(const std::string& path, const std::uint16_t* pixels, int width, int height, std::string& error)
{
    if (pixels == nullptr || width <= 0 || height <= 0) {
        error = path + ": there is no frame to write";
        return false;
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * static_cast<std::size_t>(height); ++i) {
        const Rgb8 c = pixelToRgb(pixels[i]);
        rgb[i * 3 + 0] = c.r;
        rgb[i * 3 + 1] = c.g;
        rgb[i * 3 + 2] = c.b;
    }
    AtomicFile file;
    if (!file.open(path, error))
        return false;
    if (stbi_write_png_to_func(appendToFile, &file, width, height, 3, rgb.data(), width * 3) == 0) {
        error = path + ": the picture could not be encoded";
        return false;
    }
    return file.commit(error);
}

bool writePng(const char* path, const std::uint16_t* pixels, int width, int height)
{
    std::string error;
    return path != nullptr && writePng(std::string(path), pixels, width, height, error);
}
