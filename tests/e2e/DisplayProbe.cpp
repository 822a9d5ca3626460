// A helper program for the end-to-end tests: opens the program's SDL display backend full
// screen and shows an animation from two buffers in turn, as the screen device does: each
// frame is the one before with a few rectangles repainted (some across the edges of the
// backend's comparison bands and spans, some at the frame's corners, one frame unchanged).
// With --hinted each show also names the bands and columns repainted since the frame before,
// as the screen device does when both its buffers hold the background.
// It then writes the last frame as FILE.png, prints "shown" on stdout, and goes on showing
// that same frame from both buffers for a few seconds, so that the screen can be compared
// with the file. Exit 0 on success, 2 when the window cannot be made or the arguments are
// wrong, 3 when the display cannot be opened, 4 when showing a frame or writing the file fails.
#include "platform/ChangedBands.hpp"
#include "platform/PngWriter.hpp"
#include "support/ProbeWindow.hpp"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int width = 1024;
constexpr int height = 768;

struct Painter {
    std::uint32_t state = 12345;
    ChangedBands repainted; // since the frame before
    std::uint32_t next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    void fill(std::vector<std::uint16_t>& frame, int left, int top, int w, int h)
    {
        const auto colour = static_cast<std::uint16_t>(next());
        const int x0 = std::max(left, 0);
        const int x1 = std::min(left + w, width);
        const int y0 = std::max(top, 0);
        const int y1 = std::min(top + h, height);
        if (x0 >= x1 || y0 >= y1)
            return;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                frame[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)] = colour;
        repainted.mark(x0, y0, x1 - x0, y1 - y0);
    }
};

} // namespace

int main(int argc, char** argv)
{
    const bool hinted = argc == 3 && std::string(argv[2]) == "--hinted";
    if (argc != 2 && !hinted) {
        std::fprintf(stderr, "usage: display-probe FILE.png [--hinted]\n");
        return 2;
    }
    std::string error;
    std::unique_ptr<SdlWindow> window = SdlWindow::create("Display probe", probe::ignoreMessages, SdlWindowPlacement{}, error);
    if (window == nullptr) {
        std::fprintf(stderr, "display-probe: %s\n", error.c_str());
        return 2;
    }
    SdlDisplay& display = *window->display();
    if (display.open(width, height, 16) != 0) {
        std::fprintf(stderr, "display-probe: %s\n", display.displayError().c_str());
        return 3;
    }
    std::vector<std::uint16_t> buffers[2];
    Painter painter;
    painter.repainted.reset(width, height);
    buffers[0].resize(static_cast<std::size_t>(width) * height);
    for (std::uint16_t& p : buffers[0])
        p = static_cast<std::uint16_t>(painter.next());
    painter.repainted.mark(0, 0, width, height);
    int shown = 0;
    const auto show = [&](int which) {
        probe::pump(*window);
        const int result = display.show(buffers[which].data(), width, height, hinted ? &painter.repainted : nullptr);
        painter.repainted.clear();
        if (result != 0) {
            std::fprintf(stderr, "display-probe: showing a frame failed: %s\n", display.displayError().c_str());
            return false;
        }
        shown = which;
        return true;
    };
    if (!show(0))
        return 4;
    for (int frame = 1; frame <= 40; ++frame) {
        const int which = frame % 2;
        buffers[which] = buffers[1 - which];
        std::vector<std::uint16_t>& f = buffers[which];
        if (frame == 11) {
            painter.fill(f, 0, 0, 1, 1);
            painter.fill(f, width - 1, height - 1, 1, 1);
            painter.fill(f, 63, 15, 2, 2); // across a band and a span edge
        } else if (frame == 12) {
            painter.fill(f, width - 3, 0, 3, height); // the right edge, top to bottom
        } else if (frame != 13) { // frame 13 repeats frame 12
            for (int r = 0; r < 1 + frame % 5; ++r) {
                const int w = 1 + static_cast<int>(painter.next() % 200);
                const int h = 1 + static_cast<int>(painter.next() % 60);
                painter.fill(f, static_cast<int>(painter.next() % width), static_cast<int>(painter.next() % height), w, h);
            }
        }
        if (frame == 10)
            display.windowChanged(); // drawn whole again
        if (!show(which))
            return 4;
    }
    if (!writePng(argv[1], buffers[shown].data(), width, height, error)) {
        std::fprintf(stderr, "display-probe: %s\n", error.c_str());
        return 4;
    }
    buffers[1 - shown] = buffers[shown];
    std::printf("shown\n");
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(8))
        if (!show(1 - shown))
            return 4;
    display.close();
    return 0;
}
