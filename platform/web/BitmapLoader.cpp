// BMP decoding for the browser build, through stb_image, which reads the same BMP variants
// the pictures use and needs no SDL, and the packed pictures the build embeds (PackedPicture).
// The pictures are always asked for at their stored size; a different size is refused here
// (no scaler is built in), as is any malformed file.
#include "platform/BitmapLoader.hpp"

#include "platform/web/PackedPicture.hpp"

#define STBI_NO_STDIO
#include <stb/stb_image.h>

#include <cstdio>
#include <vector>

namespace {

// Largest picture accepted in either direction: keeps a hostile size from exhausting memory.
constexpr int kMaxSide = 16384;

} // namespace

bool decodeBitmap(const std::uint8_t* data, std::size_t size, int width, int height, Image& out)
{
    if (data == nullptr || size == 0 || size > 0x7FFFFFFF)
        return false;
    if (isPackedPicture(data, size))
        return unpackPicture(data, size, width, height, out);
    int w = 0;
    int h = 0;
    int channels = 0;
    if (stbi_info_from_memory(data, static_cast<int>(size), &w, &h, &channels) == 0 || w <= 0 || h <= 0 || w > kMaxSide
        || h > kMaxSide)
        return false;
    if ((width != 0 && width != w) || (height != 0 && height != h))
        return false;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &channels, 3);
    if (pixels == nullptr)
        return false;
    out.width = w;
    out.height = h;
    out.rgb.assign(pixels, pixels + static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    stbi_image_free(pixels);
    return true;
}

bool decodeDisplayPixels(const std::uint8_t* data, std::size_t size, int& width, int& height,
                         std::vector<std::uint16_t>& pixels)
{
    width = 0;
    height = 0;
    return isPackedPicture(data, size) && unpackPixels(data, size, width, height, pixels);
}

bool loadBitmapFile(const char* path, int width, int height, Image& out)
{
    if (path == nullptr || *path == '\0')
        return false;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && bytes.size() < (256u << 20))
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return decodeBitmap(bytes.data(), bytes.size(), width, height, out);
}
