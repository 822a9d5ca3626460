// ScreenDevice: the flipping chain in memory over a Display backend; see the header.
#include "gfx/ScreenDevice.hpp"

#include "gfx/ImageTable.hpp"
#include "platform/BitmapLoader.hpp"
#include "platform/Display.hpp"

#include <algorithm>
#include <map>
#include <utility>

namespace {

// The table's pictures decoded at their stored sizes, kept after the first use: the help panel
// is made from its picture every frame and each burst makes a sheet, so decoding them again
// each time would be wasted work. Every call still makes a new surface of its own.
// The picture numbered `id` at width x height (0 for its stored size): the kept decoding when
// the size is the stored one, otherwise a scaled decoding into `scaled`. Null when it fails.
const Image* decodeTableImage(int id, int width, int height, Image& scaled)
{
    static std::map<int, Image> decoded;
    const ImageResource* resource = findImage(id);
    if (resource == nullptr)
        return nullptr;
    auto found = decoded.find(id);
    if (found == decoded.end()) {
        Image image;
        if (!decodeBitmap(resource->data, resource->size, 0, 0, image))
            return nullptr;
        found = decoded.emplace(id, std::move(image)).first;
    }
    const Image& stored = found->second;
    if ((width == 0 || width == stored.width) && (height == 0 || height == stored.height))
        return &stored;
    return decodeBitmap(resource->data, resource->size, width, height, scaled) ? &scaled : nullptr;
}

} // namespace

ScreenDevice::~ScreenDevice()
{
    destroyObjects();
}

Result ScreenDevice::createFullScreenDisplay(Display* window, std::uint32_t width, std::uint32_t height,
                                             std::uint32_t bitsPerPixel)
{
    destroyObjects();
    if (window == nullptr)
        return E_FAIL;
    // The pixel store is RGB565; other depths and absurd sizes are refused before the display
    // is touched.
    if (bitsPerPixel != 16 || width == 0 || height == 0 || width > 16384 || height > 16384)
        return E_FAIL;
    directDraw = window;
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    if (directDraw->open(w, h, static_cast<int>(bitsPerPixel)) < 0)
        return E_FAIL;
    frontBuffer = std::make_unique<Surface>(w, h);
    backBuffer = std::make_unique<Surface>(w, h);
    return S_OK;
}

Result ScreenDevice::destroyObjects()
{
    backBuffer.reset();
    frontBuffer.reset();
    if (directDraw != nullptr) {
        directDraw->close();
        directDraw = nullptr;
    }
    return S_OK;
}

Result ScreenDevice::present()
{
    // Both buffers are made together, but a chain missing either one cannot flip.
    if (frontBuffer == nullptr || backBuffer == nullptr || directDraw == nullptr)
        return E_POINTER;
    Result result;
    do {
        result = directDraw->show(backBuffer->pixels.data(), backBuffer->width, backBuffer->height);
    } while (result == DDERR_WASSTILLDRAWING);
    if (result == DDERR_SURFACELOST)
        return DDERR_SURFACELOST; // memory buffers keep their contents: restoring is a no-op
    if (result < 0)
        return result;
    // The shown buffer becomes the front; the old front, holding the frame shown before,
    // becomes the back buffer that the next frame is drawn over.
    std::swap(frontBuffer, backBuffer);
    return DD_OK;
}

Result ScreenDevice::blit(std::uint32_t x, std::uint32_t y, const BitmapSurface* source, const Rect& sourceRect)
{
    if (source == nullptr)
        return E_INVALIDARG;
    if (backBuffer == nullptr)
        return E_POINTER;
    const Surface* from = source->surface.get();
    if (from == nullptr)
        return E_INVALIDARG;
    const Rect& r = sourceRect;
    if (r.left < 0 || r.top < 0 || r.right <= r.left || r.bottom <= r.top || r.right > from->width
        || r.bottom > from->height)
        return DDERR_INVALIDRECT;
    // The destination is checked in 64 bits, so a negative coordinate passed as a huge
    // unsigned value can never wrap back into range.
    const std::uint64_t width = static_cast<std::uint64_t>(r.right - r.left);
    const std::uint64_t height = static_cast<std::uint64_t>(r.bottom - r.top);
    if (std::uint64_t{x} + width > static_cast<std::uint64_t>(backBuffer->width)
        || std::uint64_t{y} + height > static_cast<std::uint64_t>(backBuffer->height))
        return DDERR_INVALIDRECT;

    const int w = r.right - r.left;
    const int dx = static_cast<int>(x);
    const int dy = static_cast<int>(y);
    if (source->hasColourKey != 0 && from->keySet) {
        const std::uint16_t key = from->colourKey;
        for (int row = r.top; row < r.bottom; ++row) {
            const std::uint16_t* in = from->row(row) + r.left;
            std::uint16_t* out = backBuffer->row(dy + row - r.top) + dx;
            for (int i = 0; i < w; ++i) {
                if (in[i] != key)
                    out[i] = in[i];
            }
        }
    } else {
        for (int row = r.top; row < r.bottom; ++row) {
            const std::uint16_t* in = from->row(row) + r.left;
            std::copy(in, in + w, backBuffer->row(dy + row - r.top) + dx);
        }
    }
    return DD_OK;
}

Result ScreenDevice::clear(std::uint32_t pixelValue)
{
    if (backBuffer == nullptr)
        return E_POINTER;
    std::fill(backBuffer->pixels.begin(), backBuffer->pixels.end(), static_cast<std::uint16_t>(pixelValue));
    return DD_OK;
}

Result ScreenDevice::createSurfaceFromBitmap(std::unique_ptr<BitmapSurface>* out, ImageName name, int width, int height)
{
    if (directDraw == nullptr || out == nullptr || (name.resourceId == 0 && name.fileName == nullptr))
        return E_INVALIDARG;
    out->reset();

    Image loadedHere;
    const Image* image = nullptr;
    if (name.fileName == nullptr) {
        // A number names a picture of the image table; numbers are 16-bit identifiers.
        if (name.resourceId > 0 && name.resourceId <= 0xFFFF)
            image = decodeTableImage(name.resourceId, width, height, loadedHere);
    } else {
        image = loadBitmapFile(name.fileName, width, height, loadedHere) ? &loadedHere : nullptr;
    }
    if (image == nullptr)
        return E_FAIL;

    auto surface = std::make_unique<BitmapSurface>();
    const Result created = surface->create(directDraw, SurfaceDesc{image->width, image->height});
    if (created < 0)
        return created;
    *out = std::move(surface);
    return (*out)->drawBitmap(image, 0, 0, 0, 0);
}
