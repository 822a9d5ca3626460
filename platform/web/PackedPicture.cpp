// PackedPicture: the header, the reduction to RGB565 and the unpacking; see the header. The
// zlib stream is inflated by stb_image's decoder (StbImage.cpp), the library the browser
// build already decodes its BMP pictures with.
#include "platform/web/PackedPicture.hpp"

#include "platform/PixelFormat.hpp"

#define STBI_NO_STDIO
#include <stb/stb_image.h>

#include <bit>
#include <utility>

namespace {

constexpr std::uint8_t kMagic[4] = {'P', '5', '6', '5'};
// Largest side accepted, as for the BMP pictures: a hostile header cannot ask for gigabytes.
constexpr int kMaxSide = 16384;

int side(const std::uint8_t* at)
{
    return at[0] | (at[1] << 8);
}

} // namespace

bool isPackedPicture(const std::uint8_t* data, std::size_t size)
{
    return data != nullptr && size >= kPackedHeaderSize && data[0] == kMagic[0] && data[1] == kMagic[1]
        && data[2] == kMagic[2] && data[3] == kMagic[3];
}

std::vector<std::uint8_t> packedHeader(int width, int height)
{
    return {kMagic[0],
            kMagic[1],
            kMagic[2],
            kMagic[3],
            static_cast<std::uint8_t>(width & 0xFF),
            static_cast<std::uint8_t>(width >> 8),
            static_cast<std::uint8_t>(height & 0xFF),
            static_cast<std::uint8_t>(height >> 8)};
}

std::vector<std::uint8_t> reducedPixels(const Image& image)
{
    const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    std::vector<std::uint8_t> out(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t pixel = rgbToPixel(image.rgb[i * 3], image.rgb[i * 3 + 1], image.rgb[i * 3 + 2]);
        out[i * 2] = static_cast<std::uint8_t>(pixel & 0xFF);
        out[i * 2 + 1] = static_cast<std::uint8_t>(pixel >> 8);
    }
    return out;
}

bool unpackPixels(const std::uint8_t* data, std::size_t size, int& width, int& height,
                  std::vector<std::uint16_t>& pixels)
{
    if (!isPackedPicture(data, size) || size > 0x7FFFFFFF)
        return false;
    const int w = side(data + 4);
    const int h = side(data + 6);
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide || (width != 0 && width != w) || (height != 0 && height != h))
        return false;
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    // One pixel more than a whole picture, so a stream that inflates to more is seen as wrong.
    std::vector<std::uint16_t> inflated(count + 1);
    const int got = stbi_zlib_decode_buffer(reinterpret_cast<char*>(inflated.data()), static_cast<int>(inflated.size() * 2),
                                            reinterpret_cast<const char*>(data + kPackedHeaderSize),
                                            static_cast<int>(size - kPackedHeaderSize));
    if (got < 0 || static_cast<std::size_t>(got) != count * 2)
        return false;
    // The stream's pixels are little-endian, as every machine this is built for keeps them.
    if constexpr (std::endian::native == std::endian::big) {
        for (std::uint16_t& pixel : inflated)
            pixel = static_cast<std::uint16_t>((pixel >> 8) | (pixel << 8));
    }
    inflated.pop_back();
    width = w;
    height = h;
    pixels = std::move(inflated);
    return true;
}

bool unpackPicture(const std::uint8_t* data, std::size_t size, int width, int height, Image& out)
{
    std::vector<std::uint16_t> pixels;
    if (!unpackPixels(data, size, width, height, pixels))
        return false;
    const std::size_t count = pixels.size();
    out.width = width;
    out.height = height;
    out.rgb.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        const Rgb8 c = pixelToRgb(pixels[i]);
        out.rgb[i * 3] = c.r;
        out.rgb[i * 3 + 1] = c.g;
        out.rgb[i * 3 + 2] = c.b;
    }
    return true;
}
