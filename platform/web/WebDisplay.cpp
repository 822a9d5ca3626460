// WebDisplay: RGB565 frames to the page's canvas; see the header.
#include "platform/web/WebDisplay.hpp"

#include "platform/ResultCodes.hpp"

#include <emscripten.h>

namespace {

EM_JS(int, jsOpenCanvas, (int width, int height), { return Module.sparklerScreen.open(width, height); });
EM_JS(int, jsShowFrame, (const std::uint16_t* pixels, int width, int height),
      { return Module.sparklerScreen.show(pixels, width, height); });

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
    opened = true;
    return 0;
}

int WebDisplay::show(const std::uint16_t* pixels, int width, int height, const ChangedBands*)
{
    if (!opened || pixels == nullptr || width != frameWidth || height != frameHeight)
        return E_FAIL;
    if (jsShowFrame(pixels, width, height) == 0) {
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
