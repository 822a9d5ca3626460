// Fuzz target: the BMP decoding behind the bitmap file fallback, at the stored size and scaled
// to a size taken from the input. A picture that decodes must have exactly the pixels its size
// says; anything else must be refused cleanly.
#include "platform/BitmapLoader.hpp"

#include <cstddef>
#include <cstdint>

namespace {

void check(const Image& image, int width, int height)
{
    if (image.width <= 0 || image.height <= 0)
        __builtin_trap();
    if ((width != 0 && image.width != width) || (height != 0 && image.height != height))
        __builtin_trap();
    if (image.rgb.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Image stored;
    if (decodeBitmap(data, size, 0, 0, stored))
        check(stored, 0, 0);
    // A wanted size from the last two bytes, so the scaler sees shrinking and growing.
    if (size >= 2) {
        const int width = 1 + data[size - 1] % 48;
        const int height = 1 + data[size - 2] % 48;
        Image scaled;
        if (decodeBitmap(data, size, width, height, scaled))
            check(scaled, width, height);
    }
    return 0;
}
