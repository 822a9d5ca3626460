// BitmapSurface: an off-screen RGB565 picture; see the header.
#include "gfx/BitmapSurface.hpp"

#include "platform/BitmapLoader.hpp"
#include "platform/Font.hpp"

#include <vector>

Result BitmapSurface::create(Display* directDraw, const SurfaceDesc& desc)
{
    if (directDraw == nullptr || desc.width <= 0 || desc.height <= 0 || desc.width > 16384 || desc.height > 16384)
        return E_INVALIDARG;
    surface = std::make_unique<Surface>(desc.width, desc.height);
    return S_OK;
}

Result BitmapSurface::destroy()
{
    surface.reset();
    return S_OK;
}

Result BitmapSurface::drawBitmap(const Image* bitmap, int x, int y, int width, int height)
{
    if (bitmap == nullptr || surface == nullptr)
        return E_INVALIDARG;
    if (width == 0)
        width = bitmap->width;
    if (height == 0)
        height = bitmap->height;
    // The chosen rectangle must lie inside the picture; anything else draws nothing.
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || width > bitmap->width - x || height > bitmap->height - y)
        return E_INVALIDARG;

    // Nearest-pixel stretch of the rectangle over the whole surface; one to one when the sizes
    // agree, which is every use in this program.
    const int outWidth = surface->width;
    const int outHeight = surface->height;
    std::vector<int> sourceColumns(static_cast<std::size_t>(outWidth));
    for (int column = 0; column < outWidth; ++column)
        sourceColumns[static_cast<std::size_t>(column)]
            = (x + static_cast<int>(static_cast<long long>(column) * width / outWidth)) * 3;
    for (int row = 0; row < outHeight; ++row) {
        const int sourceRow = y + static_cast<int>(static_cast<long long>(row) * height / outHeight);
        const std::uint8_t* in
            = bitmap->rgb.data() + static_cast<std::size_t>(sourceRow) * static_cast<std::size_t>(bitmap->width) * 3;
        std::uint16_t* out = surface->row(row);
        for (int column = 0; column < outWidth; ++column) {
            const std::uint8_t* p = in + sourceColumns[static_cast<std::size_t>(column)];
            out[column] = rgbToPixel(p[0], p[1], p[2]);
        }
    }
    return S_OK;
}

Result BitmapSurface::drawText(const Font* font, const char* text, int x, int y, std::uint32_t backgroundColour,
                               std::uint32_t textColour)
{
    if (surface == nullptr || text == nullptr)
        return E_INVALIDARG;
    if (font != nullptr)
        font->draw(surface->pixels.data(), surface->width, surface->height, x, y, text, backgroundColour, textColour);
    return S_OK;
}

std::uint32_t BitmapSurface::convertColour(std::uint32_t colour)
{
    if (surface == nullptr)
        return 0;
    // The surface itself tells the stored value: write the colour into the top-left pixel,
    // read the pixel back, and put the old pixel back.
    std::uint16_t& topLeft = surface->pixels[0];
    const std::uint16_t remembered = topLeft;
    topLeft = rgbToPixel(colour);
    const std::uint32_t result = topLeft;
    topLeft = remembered;
    return result;
}

Result BitmapSurface::setColourKey(std::uint32_t colour)
{
    if (surface == nullptr)
        return E_POINTER;
    hasColourKey = 1;
    surface->colourKey = static_cast<std::uint16_t>(convertColour(colour));
    surface->keySet = true;
    return S_OK;
}
