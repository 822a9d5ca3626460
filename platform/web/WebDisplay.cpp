// WebDisplay: RGB565 frames to the page's canvas; see the header.
#include "platform/web/WebDisplay.hpp"

#include "platform/PixelFormat.hpp"
#include "platform/ResultCodes.hpp"

#include <emscripten.h>

namespace {

EM_JS(int, jsOpenCanvas, (int width, int height), { return Module.sparklerPage.open(width, height); });
EM_JS(void, jsShowFrame, (const std::uint8_t* rgba, int width, int height),
      { Module.sparklerPage.show(rgba, width, height); });

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
    rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 255);
    opened = true;
    return 0;
}

int WebDisplay::show(const std::uint16_t* pixels, int width, int height, const ChangedBands*)
{
    if (!opened || pixels == nullptr || width != frameWidth || height != frameHeight)
        return E_FAIL;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::uint8_t* out = rgba.data();
    for (std::size_t i = 0; i < count; ++i, out += 4) {
        const Rgb8 c = pixelToRgb(pixels[i]);
        out[0] = c.r;
        out[1] = c.g;
        out[2] = c.b; // alpha stays 255 from open()
    }
    jsShowFrame(rgba.data(), width, height);
    lastFrame = std::span<const std::uint16_t>(pixels, count);
    ++shown;
    return 0;
}

void WebDisplay::close()
{
    opened = false;
    lastFrame = {};
}
