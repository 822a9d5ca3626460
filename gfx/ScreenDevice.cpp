// ScreenDevice: the flipping chain in memory over a Display backend; see the header.
#include "gfx/ScreenDevice.hpp"

#include "gfx/ImageTable.hpp"
#include "platform/BitmapLoader.hpp"
#include "platform/Display.hpp"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {

// The table's pictures decoded at their stored sizes, kept after the first use, and beside each
// its pixels converted to the display's format once a surface was first drawn from it: the
// help panel is made from its picture every frame and each burst makes a sheet, so decoding
// and converting them again each time would be wasted work. Every call still makes a new
// surface of its own.
struct TablePicture {
    Image image; // only its size, when the picture came in the display's format
    std::vector<std::uint16_t> converted; // empty until the first surface was drawn
};

// The kept picture numbered `id`; null when the table has none or it does not decode.
TablePicture* keptTablePicture(int id)
{
    static std::map<int, TablePicture> kept;
    const ImageResource* resource = findImage(id);
    if (resource == nullptr)
        return nullptr;
    auto found = kept.find(id);
    if (found == kept.end()) {
        TablePicture picture;
        // A picture stored in the display's format already is kept as its pixels alone.
        if (!decodeDisplayPixels(resource->data, resource->size, picture.image.width, picture.image.height,
                                 picture.converted)
            && !decodeBitmap(resource->data, resource->size, 0, 0, picture.image))
            return nullptr;
        found = kept.emplace(id, std::move(picture)).first;
    }
    return &found->second;
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
    frontBuffer->drawnSince.reset(w, h);
    backBuffer->drawnSince.reset(w, h);
    return S_OK;
}

Result ScreenDevice::glow(const std::uint8_t* coverage, const Rect& box, int level)
{
    Surface* back = backBuffer.get();
    if (back == nullptr || coverage == nullptr)
        return E_POINTER;
    const int left = std::max(0, box.left);
    const int top = std::max(0, box.top);
    const int right = std::min(back->width, box.right);
    const int bottom = std::min(back->height, box.bottom);
    if (level <= 0 || right <= left || bottom <= top)
        return DD_OK;
    level = std::min(level, 256);
    back->drawnSince.mark(left, top, right - left, bottom - top);
    const std::size_t stride = static_cast<std::size_t>(back->width);
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* in = coverage + static_cast<std::size_t>(y) * stride;
        std::uint16_t* out = back->row(y);
        for (int x = left; x < right; ++x) {
            const int c = in[x];
            if (c == 0)
                continue;
            // The light's own colour: orange at the edge, warm white in the core.
            const int lr = 255;
            const int lg = 150 + 100 * c / 255;
            const int lb = 40 + 190 * c / 255;
            const int a = c * level / 256; // 0 to 255
            const Rgb8 under = pixelToRgb(out[x]);
            const int r = under.r + (lr - under.r) * a / 255;
            const int g = under.g + (lg - under.g) * a / 255;
            const int b = under.b + (lb - under.b) * a / 255;
            out[x] = rgbToPixel(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
        }
    }
    return DD_OK;
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
    // When both buffers were last filled with the same picture, the new frame can differ from
    // the one on screen only where either was drawn on since; the display then needs to look
    // only there for what changed.
    const ChangedBands* mayDiffer = nullptr;
    if (backBuffer->holdsPicture != 0 && backBuffer->holdsPicture == frontBuffer->holdsPicture) {
        sinceShown.unite(backBuffer->drawnSince, frontBuffer->drawnSince);
        mayDiffer = &sinceShown;
    }
    Result result;
    do {
        result = directDraw->show(backBuffer->pixels.data(), backBuffer->width, backBuffer->height, mayDiffer);
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
    if (source->surface == nullptr)
        return E_INVALIDARG;
    return copierFor(source).copy(x, y, sourceRect);
}

void SheetCopier::copyRows(std::size_t inOffset, std::size_t outOffset, int w, int h) const
{
    const std::uint16_t* in = from->pixels.data() + inOffset;
    std::uint16_t* out = to->pixels.data() + outOffset;
    const std::size_t inStride = static_cast<std::size_t>(from->width);
    const std::size_t outStride = static_cast<std::size_t>(to->width);
    if (keyed) {
        keyed::keyedRows(in, inStride, out, outStride, w, h, from->colourKey);
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(w) * sizeof(std::uint16_t);
    for (int row = 0; row < h; ++row, in += inStride, out += outStride)
        std::memcpy(out, in, rowBytes);
}

Result ScreenDevice::restoreBackground(const BitmapSurface* picture)
{
    if (picture == nullptr || picture->surface == nullptr)
        return E_INVALIDARG;
    if (backBuffer == nullptr)
        return E_POINTER;
    const Surface& from = *picture->surface;
    Surface& to = *backBuffer;
    const Rect whole{0, 0, to.width, to.height};
    if ((picture->hasColourKey != 0 && from.keySet) || from.width < to.width || from.height < to.height)
        return blit(0, 0, picture, whole);
    const std::size_t width = static_cast<std::size_t>(to.width);
    if (to.holdsPicture != from.serial) {
        for (int y = 0; y < to.height; ++y)
            std::memcpy(to.row(y), from.row(y), width * sizeof(std::uint16_t));
    } else {
        const ChangedBands& drawn = to.drawnSince;
        for (std::size_t band = 0; band < drawn.bandCount(); ++band) {
            const int left = drawn.leftOf(band);
            const int right = drawn.rightOf(band);
            if (left >= right)
                continue;
            const int top = static_cast<int>(band) * ChangedBands::bandRows;
            const int bottom = std::min(to.height, top + ChangedBands::bandRows);
            const std::size_t bytes = static_cast<std::size_t>(right - left) * sizeof(std::uint16_t);
            for (int y = top; y < bottom; ++y) {
                // Both pictures' rows two below are asked for while this one is copied: a
                // band's rows are short streams far apart, which come from memory one by one
                // when nothing asks for them ahead.
                if (y + 2 < bottom) {
                    for (int x = left; x < right; x += 32) {
                        __builtin_prefetch(from.row(y + 2) + x, 0);
                        __builtin_prefetch(to.row(y + 2) + x, 1);
                    }
                }
                std::memcpy(to.row(y) + left, from.row(y) + left, bytes);
            }
        }
    }
    to.holdsPicture = from.serial;
    to.drawnSince.clear();
    return DD_OK;
}

Result ScreenDevice::clear(std::uint32_t pixelValue)
{
    if (backBuffer == nullptr)
        return E_POINTER;
    backBuffer->holdsPicture = 0;
    std::vector<std::uint16_t>& pixels = backBuffer->pixels;
    const auto value = static_cast<std::uint16_t>(pixelValue);
    // A value whose two bytes agree (black among them) is a plain memset.
    if ((value & 0xFF) == (value >> 8))
        std::memset(pixels.data(), value & 0xFF, pixels.size() * sizeof(std::uint16_t));
    else
        std::fill(pixels.begin(), pixels.end(), value);
    return DD_OK;
}

bool ScreenDevice::keepPicture(int resourceId)
{
    return resourceId > 0 && resourceId <= 0xFFFF && keptTablePicture(resourceId) != nullptr;
}

Result ScreenDevice::createSurfaceFromBitmap(std::unique_ptr<BitmapSurface>* out, ImageName name, int width, int height)
{
    if (directDraw == nullptr || out == nullptr || (name.resourceId == 0 && name.fileName == nullptr))
        return E_INVALIDARG;
    out->reset();

    Image loadedHere;
    const Image* image = nullptr;
    TablePicture* picture = nullptr; // set when the surface is a kept picture at its stored size
    if (name.fileName == nullptr) {
        // A number names a picture of the image table; numbers are 16-bit identifiers.
        TablePicture* kept
            = name.resourceId > 0 && name.resourceId <= 0xFFFF ? keptTablePicture(name.resourceId) : nullptr;
        if (kept != nullptr) {
            const Image& stored = kept->image;
            if ((width == 0 || width == stored.width) && (height == 0 || height == stored.height)) {
                image = &stored;
                picture = kept;
            } else {
                const ImageResource* resource = findImage(name.resourceId);
                if (decodeBitmap(resource->data, resource->size, width, height, loadedHere))
                    image = &loadedHere;
            }
        }
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
    // The whole picture one to one: the kept conversion when there is one, else drawn and kept.
    if (picture != nullptr && !picture->converted.empty()) {
        (*out)->surface->pixels = picture->converted;
        return S_OK;
    }
    const Result drawn = (*out)->drawBitmap(image, 0, 0, 0, 0);
    if (picture != nullptr && drawn >= 0)
        picture->converted = (*out)->surface->pixels;
    return drawn;
}
