// HeadlessDisplay: frames shown into memory; see the header.
#include "platform/headless/HeadlessDisplay.hpp"

int HeadlessDisplay::open(int newWidth, int newHeight, int bitsPerPixel)
{
    ++openCalls;
    if (openResult < 0)
        return openResult;
    if (newWidth <= 0 || newHeight <= 0 || bitsPerPixel != 16)
        return -1;
    width = newWidth;
    height = newHeight;
    opened = true;
    return 0;
}

int HeadlessDisplay::show(const std::uint16_t* pixels, int frameWidth, int frameHeight, const ChangedBands*)
{
    ++showCalls;
    if (showFailuresLeft > 0) {
        --showFailuresLeft;
        return showFailure;
    }
    if (!opened || pixels == nullptr || frameWidth != width || frameHeight != height)
        return -1;
    lastShown = std::span<const std::uint16_t>(pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return 0;
}

void HeadlessDisplay::close()
{
    ++closeCalls;
    opened = false;
    lastShown = {};
}

void HeadlessDisplay::failShows(int result, int count)
{
    showFailure = result;
    showFailuresLeft = count;
}
