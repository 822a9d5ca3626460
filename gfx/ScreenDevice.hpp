// ScreenDevice: the display for the whole run. It takes a Display into full-screen mode,
// holds a flipping chain of a front buffer and one back buffer in memory, and offers what the
// rest of the system draws with: clear, blit, present and createSurfaceFromBitmap.
// blit never clips: a rectangle not wholly inside its surface draws nothing and fails.
#pragma once

#include "gfx/BitmapSurface.hpp"
#include "gfx/KeyedCopy.hpp"
#include "gfx/Surface.hpp"
#include "platform/ResultCodes.hpp"

#include <cstddef>
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

// The copy behind ScreenDevice::blit, made once for a source surface and the back buffer so
// that a walk drawing many cells of one sprite sheet checks the two surfaces only once.
// copy() checks the rectangle and the destination and draws all or nothing, as blit does.
class SheetCopier {
public:
    SheetCopier() = default;
    SheetCopier(const Surface* sourceSurface, bool useKey, Surface* target)
        : from(sourceSurface), to(target), keyed(useKey && sourceSurface != nullptr && sourceSurface->keySet)
    {}

    // Whether there is a source and a target to copy between.
    bool ready() const { return from != nullptr && to != nullptr; }
    // The source rectangle to (x, y) of the target. DD_OK, or DDERR_INVALIDRECT when the
    // rectangle is empty, inverted or not inside the source, or the destination not wholly
    // inside the target. Needs ready().
    Result copy(std::uint32_t x, std::uint32_t y, const Rect& r) const
    {
        if (r.left < 0 || r.top < 0 || r.right <= r.left || r.bottom <= r.top || r.right > from->width
            || r.bottom > from->height)
            return DDERR_INVALIDRECT;
        const int w = r.right - r.left;
        const int h = r.bottom - r.top;
        // In 64 bits, so a negative coordinate passed as a huge unsigned value never wraps
        // back into range.
        if (std::uint64_t{x} + static_cast<std::uint64_t>(w) > static_cast<std::uint64_t>(to->width)
            || std::uint64_t{y} + static_cast<std::uint64_t>(h) > static_cast<std::uint64_t>(to->height))
            return DDERR_INVALIDRECT;
        const std::size_t inStride = static_cast<std::size_t>(from->width);
        const std::size_t outStride = static_cast<std::size_t>(to->width);
        const std::size_t inOffset = static_cast<std::size_t>(r.top) * inStride + static_cast<std::size_t>(r.left);
        const std::size_t outOffset = std::size_t{y} * outStride + x;
        to->drawnSince.mark(static_cast<int>(x), static_cast<int>(y), w, h);
        if (keyed && (w == 3 || w == 4)) {
            // The sprite cells of the sheets in use.
            const std::uint16_t* in = from->pixels.data() + inOffset;
            std::uint16_t* out = to->pixels.data() + outOffset;
            if (w == 3)
                keyed::keyedCell<3>(in, inStride, out, outStride, h, from->colourKey);
            else
                keyed::keyedCell<4>(in, inStride, out, outStride, h, from->colourKey);
            return DD_OK;
        }
        copyRows(inOffset, outOffset, w, h);
        return DD_OK;
    }

private:
    // Everything but the small keyed cells: runs of non-key pixels, or whole rows.
    void copyRows(std::size_t inOffset, std::size_t outOffset, int w, int h) const;

    const Surface* from = nullptr;
    Surface* to = nullptr;
    bool keyed = false;
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
    // Puts an unkeyed picture at least the back buffer's size over the whole back buffer: the
    // same pixels as blit(0, 0, picture, {0, 0, width, height}), but where the back buffer
    // already holds this picture, only the bands drawn on since are copied again. The
    // picture's pixels must not change while it is drawn so. A keyed or smaller picture goes
    // through blit.
    Result restoreBackground(const BitmapSurface* picture);
    // Lays a glow over the back buffer: within `box` of a coverage map as wide as the back
    // buffer (0 to 255 a pixel), each pixel goes towards a warm white by its coverage times
    // level / 256 (0 to 256). The brightest cores turn nearly white, the edges orange.
    Result glow(const std::uint8_t* coverage, const Rect& box, int level);
    // Makes a new BitmapSurface holding the named picture at width x height.
    Result createSurfaceFromBitmap(std::unique_ptr<BitmapSurface>* out, ImageName name, int width, int height);
    // Decodes the image table's picture `resourceId` and keeps it, as the first surface made
    // from it would, so that making that surface later costs only a copy (the browser's page
    // does this in a task of its own before a run starts). False when there is no such picture.
    static bool keepPicture(int resourceId);
    // The copier blit would use for `source`; not ready() when blit would refuse it for want
    // of a source surface or a back buffer.
    SheetCopier copierFor(const BitmapSurface* source) const
    {
        if (source == nullptr)
            return SheetCopier{};
        return SheetCopier{source->surface.get(), source->hasColourKey != 0, backBuffer.get()};
    }

    // The display in full-screen mode; null when none.
    Display* directDraw = nullptr;
    // The buffers' pixels are written only through this device (blit, clear,
    // restoreBackground, the copiers it gives), which keeps each buffer's drawnSince.
    std::unique_ptr<Surface> frontBuffer;
    std::unique_ptr<Surface> backBuffer;

private:
    // Where the back buffer may differ from the front: kept between presents so that the
    // bands are not made anew each frame.
    ChangedBands sinceShown;
};
