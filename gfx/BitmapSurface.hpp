// BitmapSurface: one off-screen picture in the display's pixel format (the background, the
// help panel, a sprite sheet). It owns its Surface, can stretch a decoded picture over
// itself, write a line of text, convert an RGB colour to its own pixel value, and take a
// source colour key, after which blits leave out every pixel of that value.
// Made only by ScreenDevice::createSurfaceFromBitmap; disposed of by destroy, then deletion.
#pragma once

#include "gfx/Surface.hpp"
#include "platform/ResultCodes.hpp"

#include <cstdint>
#include <memory>

class Display;
class Font;
struct Image;

// What a new surface should be: its size in pixels. The pixel format is always the display's.
struct SurfaceDesc {
    int width = 0;
    int height = 0;
};

class BitmapSurface {
public:
    // Makes the surface on the display. S_OK, or E_INVALIDARG for a missing display or a size
    // that is not positive.
    Result create(Display* directDraw, const SurfaceDesc& desc);
    // Releases the surface; always S_OK. hasColourKey is kept.
    Result destroy();
    // Stretches the rectangle (x, y, width, height) of the picture over the whole surface,
    // nearest pixel; a width or height of 0 means the picture's own.
    Result drawBitmap(const Image* bitmap, int x, int y, int width, int height);
    // Writes text at (x, y) with an opaque box of backgroundColour behind the glyphs.
    // Without a font nothing is written and S_OK is returned.
    Result drawText(const Font* font, const char* text, int x, int y, std::uint32_t backgroundColour,
                    std::uint32_t textColour);
    // The surface's pixel value for a 0x00BBGGRR colour; 0 without a surface.
    std::uint32_t convertColour(std::uint32_t colour);
    // Makes colour the source colour key. E_POINTER without a surface.
    Result setColourKey(std::uint32_t colour);

    std::unique_ptr<Surface> surface;
    std::int32_t hasColourKey = 0;
};
