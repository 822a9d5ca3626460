// BMP decoding and scaling through SDL surfaces. Works without SDL_Init: only the surface
// functions are used, so the headless tools and the tests decode exactly as the program does.
#include "platform/BitmapLoader.hpp"

#include <SDL.h>

namespace {

// Largest picture accepted in either direction: keeps a hostile size from exhausting memory.
constexpr int kMaxSide = 16384;

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
    if (data == nullptr || size == 0 || size > 0x7FFFFFFF)
        return false;
    SDL_RWops* stream = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (stream == nullptr)
        return false;
    return convertSurface(SDL_LoadBMP_RW(stream, 1), width, height, out);
}

bool loadBitmapFile(const char* path, int width, int height, Image& out)
{
    if (path == nullptr || *path == '\0')
        return false;
    return convertSurface(SDL_LoadBMP(path), width, height, out);
}
