// HeadlessDisplay: a display in memory, for the tests, the benchmarks and the replay tool.
// It keeps the place of the last frame shown (the caller's buffer, which stays as it was until
// the next show) so that callers can read or hash it, counts its calls, and can be told to
// fail its next shows with a given result code.
#pragma once

#include "platform/Display.hpp"

#include <cstdint>
#include <vector>

class HeadlessDisplay : public Display {
public:
    int open(int width, int height, int bitsPerPixel) override;
    int show(const std::uint16_t* pixels, int width, int height, const ChangedBands* mayDiffer) override;
    void close() override;

    std::span<const std::uint16_t> shownFrame() const override { return lastShown; }
    // A copy of the frame last shown, top row first; empty before the first show and after
    // close.
    std::vector<std::uint16_t> frame() const { return {lastShown.begin(), lastShown.end()}; }
    int frameWidth() const { return width; }
    int frameHeight() const { return height; }
    bool isOpen() const { return opened; }

    // Results for the coming calls: the next `count` shows answer `result` instead of showing.
    void failShows(int result, int count);
    // Makes open fail with `result`.
    void failOpen(int result) { openResult = result; }

    int openCalls = 0;
    int showCalls = 0;
    int closeCalls = 0;

private:
    std::span<const std::uint16_t> lastShown;
    int width = 0;
    int height = 0;
    bool opened = false;
    int openResult = 0;
    int showFailure = 0;
    int showFailuresLeft = 0;
};
