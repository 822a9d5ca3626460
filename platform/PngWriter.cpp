// PNG output of an RGB565 frame or of RGBA pictures: stb_image_write encodes in memory,
// AtomicFile writes it.
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

// Encodes 8-bit samples (3 or 4 to a pixel) and writes the file whole.
bool encode(const std::string& path, const std::uint8_t* samples, int width, int height, int channels,
            std::string& error)
{
    AtomicFile file;
    if (!file.open(path, error))
        return false;
    if (stbi_write_png_to_func(appendToFile, &file, width, height, channels, samples, width * channels) == 0) {
        error = path + ": the picture could not be encoded";
        return false;
    }
    return file.commit(error);
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
    return encode(path, rgb.data(), width, height, 3, error);
}

bool writeRgbaPng(const std::string& path, const std::uint8_t* rgba, int width, int height, std::string& error)
{
    if (rgba == nullptr || width <= 0 || height <= 0) {
        error = path + ": there is no picture to write";
        return false;
    }
    return encode(path, rgba, width, height, 4, error);
}

bool writePng(const char* path, const std::uint16_t* pixels, int width, int height)
{
    std::string error;
    return path != nullptr && writePng(std::string(path), pixels, width, height, error);
}
