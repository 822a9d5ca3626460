// BMP decoding and scaling through SDL surfaces. Works without SDL_Init: only the surface
// functions are used, so the headless tools and the tests decode exactly as the program does.
#include "platform/BitmapLoader.hpp"

#include <SDL.h>

#include <fstream>

namespace {

// Largest picture accepted in either direction: keeps a hostile size from exhausting memory.
constexpr int kMaxSide = 16384;
// Largest picture accepted in all: 64 MB at 32 bits a pixel (the background is 0.8 M pixels).
constexpr std::int64_t kMaxPixels = std::int64_t{4096} * 4096;
// Largest BMP file read: a 16384 x 16384 picture at 32 bits a pixel, plus its headers.
constexpr std::size_t kMaxFileBytes = (std::size_t{16384} * 16384 * 4) + 4096;

std::int32_t readLittle(const std::uint8_t* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    if (bytes == 2)
        return static_cast<std::int16_t>(value);
    return static_cast<std::int32_t>(value);
}

// Whether the header's size is one SDL may be asked to decode. SDL allocates (and clears) the
// whole picture from the header before it reads a pixel, so a few hostile bytes could otherwise
// cost gigabytes. Uncompressed pixels must also be there in full.
bool plausibleSize(const std::uint8_t* data, std::size_t size)
{
    if (size < 26 || data[0] != 'B' || data[1] != 'M')
        return false;
    const std::int64_t pixelOffset = static_cast<std::uint32_t>(readLittle(data + 10, 4));
    const std::int32_t headerBytes = readLittle(data + 14, 4);
    const bool core = headerBytes == 12; // the old OS/2 header: 16-bit sizes
    if (!core && size < 34)
        return false;
    const std::int64_t width = readLittle(data + 18, core ? 2 : 4);
    std::int64_t height = readLittle(data + (core ? 20 : 22), core ? 2 : 4);
    if (height < 0)
        height = -height; // top-down rows
    if (width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide || width * height > kMaxPixels)
        return false;
    const std::int64_t bits = readLittle(data + (core ? 24 : 28), 2) & 0xFFFF;
    const std::uint32_t compression = core ? 0u : static_cast<std::uint32_t>(readLittle(data + 30, 4));
    if (compression == 0 || compression == 3) { // plain or bit-field pixels
        const std::int64_t rowBytes = (width * bits + 31) / 32 * 4;
        return pixelOffset <= static_cast<std::int64_t>(size) && rowBytes * height <= static_cast<std::int64_t>(size) - pixelOffset;
    }
    return true;
}

bool convertSurface(SDL_Surface* loaded, int width, int height, Image& out)
{
    if (loaded == nullptr)
        return false;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (rgb == nullptr)
        return false;
    if (width == 0)
        width = rgb->w;
    if (height == 0)
        height = rgb->h;
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide || rgb->w <= 0 || rgb->h <= 0) {
        SDL_FreeSurface(rgb);
        return false;
    }
    SDL_Surface* sized = rgb;
    if (width != rgb->w || height != rgb->h) {
        // Scaling goes through 32-bit pixels, which SDL's scaler handles for every size.
        SDL_Surface* source = SDL_ConvertSurfaceFormat(rgb, SDL_PIXELFORMAT_RGBA32, 0);
        sized = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32);
        const bool scaled
            = source != nullptr && sized != nullptr && SDL_BlitScaled(source, nullptr, sized, nullptr) == 0;
        SDL_FreeSurface(source);
        SDL_FreeSurface(rgb);
        if (!scaled) {
            SDL_FreeSurface(sized);
            return false;
        }
        SDL_Surface* back = SDL_ConvertSurfaceFormat(sized, SDL_PIXELFORMAT_RGB24, 0);
        SDL_FreeSurface(sized);
        if (back == nullptr)
            return false;
        sized = back;
    }
    out.width = sized->w;
    out.height = sized->h;
    const std::size_t rowBytes = static_cast<std::size_t>(sized->w) * 3;
    out.rgb.resize(rowBytes * static_cast<std::size_t>(sized->h));
    const auto* pixels = static_cast<const std::uint8_t*>(sized->pixels);
    for (int y = 0; y < sized->h; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(sized->pitch);
        std::copy(row, row + rowBytes,
                  out.rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * static_cast<std::size_t>(y)));
    }
    SDL_FreeSurface(sized);
    return true;
}

} // namespace

bool decodeBitmap(const std::uint8_t* data, std::size_t size, int width, int height, Image& out)
{
    if (data == nullptr || size == 0 || size > 0x7FFFFFFF || !plausibleSize(data, size))
        return false;
    SDL_RWops* stream = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (stream == nullptr)
        return false;
    return convertSurface(SDL_LoadBMP_RW(stream, 1), width, height, out);
}

bool decodeDisplayPixels(const std::uint8_t*, std::size_t, int&, int&, std::vector<std::uint16_t>&)
{
    return false; // BMPs hold 8-bit channels
}

bool loadBitmapFile(const char* path, int width, int height, Image& out)
{
    if (path == nullptr || *path == '\0')
        return false;
    // Read whole and decoded from memory, so a file gets the same header checks as a resource.
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    if (length <= 0 || static_cast<std::uint64_t>(length) > kMaxFileBytes)
        return false;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), length))
        return false;
    return decodeBitmap(bytes.data(), bytes.size(), width, height, out);
}
