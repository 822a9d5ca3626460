// ScreenDevice: the display for the whole run. It takes a Display into full-screen mode,
// holds a flipping chain of a front buffer and one back buffer in memory, and offers what the
// rest of the system draws with: clear, blit, present and createSurfaceFromBitmap.
// blit never clips: a rectangle not wholly inside its surface draws nothing and fails.
#pragma once

#include "gfx/BitmapSurface.hpp"
#include "gfx/Surface.hpp"
#include "platform/ResultCodes.hpp"

#include <cstdint>
#include <memory>

class Display;

// A rectangle in pixels; right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// An image is named by its number in the program's image table or by a BMP file name.
// A name with neither (number 0, no file) is the null name.
struct ImageName {
    int resourceId = 0;
    const char* fileName = nullptr;
};

class ScreenDevice final {
public:
    ScreenDevice() = default;
    ScreenDevice(const ScreenDevice&) = delete;
    ScreenDevice& operator=(const ScreenDevice&) = delete;
    // Gives up the display (destroyObjects) if it is still held.
    ~ScreenDevice();

    // Takes `window` into width x height at bitsPerPixel with one back buffer.
    // S_OK, or E_FAIL for any failing step; a second call first gives up the first display.
    Result createFullScreenDisplay(Display* window, std::uint32_t width, std::uint32_t height,
                                   std::uint32_t bitsPerPixel);
    // Releases the back buffer, the front buffer and the display, in that order. Always S_OK.
    virtual Result destroyObjects();
    // Shows the back buffer; afterwards the back buffer holds the frame shown before.
    Result present();
    // Copies `source` rectangle of a surface to (x, y) of the back buffer, leaving out
    // key-coloured pixels when the surface has a colour key.
    Result blit(std::uint32_t x, std::uint32_t y, const BitmapSurface* source, const Rect& sourceRect);
    // Fills the whole back buffer with a pixel value of the back buffer's format.
    Result clear(std::uint32_t pixelValue);
    // Makes a new BitmapSurface holding the named picture at width x height.
    Result createSurfaceFromBitmap(std::unique_ptr<BitmapSurface>* out, ImageName name, int width, int height);

    // The display in full-screen mode; null when none.
    Display* directDraw = nullptr;
    std::unique_ptr<Surface> frontBuffer;
    std::unique_ptr<Surface> backBuffer;
};
