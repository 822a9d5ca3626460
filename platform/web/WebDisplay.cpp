// WebDisplay: RGB565 frames to the page's canvas; see the header.
#include "platform/web/WebDisplay.hpp"

#include "platform/ChangedBands.hpp"
#include "platform/ResultCodes.hpp"

#include <emscripten.h>

namespace {

EM_JS(int, jsOpenCanvas, (int width, int height), { return Module.sparklerScreen.open(width, height); });
EM_JS(int, jsShowFrame, (const std::uint16_t* pixels, int width, int height, const int* bands, int bandCount, int bandRows),
      { return Module.sparklerScreen.show(pixels, width, height, bands, bandCount, bandRows); });

} // namespace

int WebDisplay::open(int width, int height, int bitsPerPixel)
{
    error.clear();
    if (bitsPerPixel != 16 || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return E_INVALIDARG;
    if (jsOpenCanvas(width, height) == 0) {
        error = "the page has no canvas to draw on";
        return E_FAIL;
    }
    frameWidth = width;
    frameHeight = height;
    bandColumns.assign(static_cast<std::size_t>((height + ChangedBands::bandRows - 1) / ChangedBands::bandRows) * 2, 0);
    opened = true;
    return 0;
}

int WebDisplay::show(const std::uint16_t* pixels, int width, int height, const ChangedBands* mayDiffer)
{
    if (!opened || pixels == nullptr || width != frameWidth || height != frameHeight)
        return E_FAIL;
    // The screen puts on the canvas only the bands' columns, where this frame may differ from
    // the one it showed last; without bands (or before any frame) all of it.
    const int* bands = nullptr;
    if (mayDiffer != nullptr && mayDiffer->frameWidth() == width && mayDiffer->frameHeight() == height &&
        mayDiffer->bandCount() * 2 == bandColumns.size()) {
        for (std::size_t band = 0; band < mayDiffer->bandCount(); ++band) {
            bandColumns[band * 2] = mayDiffer->leftOf(band);
            bandColumns[band * 2 + 1] = mayDiffer->rightOf(band);
        }
        bands = bandColumns.data();
    }
    if (jsShowFrame(pixels, width, height, bands, static_cast<int>(bandColumns.size() / 2),
                    ChangedBands::bandRows) == 0) {
        error = "the page's canvas can no longer be drawn on";
        return E_FAIL;
    }
    lastFrame = std::span<const std::uint16_t>(pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    ++shown;
    return 0;
}

void WebDisplay::close()
{
    opened = false;
    lastFrame = {};
}
