// A helper program for the end-to-end tests: opens the program's SDL display backend full
// screen, as the program does, and shows frames as fast as the backend lets it for a given
// number of seconds (default 3), pumping the window's messages between frames. Prints
// "frames N seconds S fps F" on stdout. With --again a first window is made, shown and
// destroyed before the measured one, as a process that makes two windows does. Exit 0 on
// success, 2 when the window cannot be made, 3 when the display cannot be opened, 4 when
// showing a frame fails, 5 when the window is asked to close (nobody here asks).
#include "support/ProbeWindow.hpp"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using probe::pump;

namespace {

bool closeAsked = false;

long noteClose(Window*, std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    if (message == WM_CLOSE)
        closeAsked = true;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const bool again = argc > 2 && std::string(argv[2]) == "--again";
    constexpr int width = 1024;
    constexpr int height = 768;

    std::string error;
    if (again) {
        std::unique_ptr<SdlWindow> first = SdlWindow::create("Pacing probe", noteClose, SdlWindowPlacement{}, error);
        if (first == nullptr || first->display()->open(width, height, 16) != 0) {
            std::fprintf(stderr, "pacing-probe: the first window: %s\n", error.c_str());
            return 2;
        }
        std::vector<std::uint16_t> blank(static_cast<std::size_t>(width) * height);
        for (int frame = 0; frame < 5; ++frame) {
            pump(*first);
            first->display()->show(blank.data(), width, height, nullptr);
        }
    }
    std::unique_ptr<SdlWindow> window = SdlWindow::create("Pacing probe", noteClose, SdlWindowPlacement{}, error);
    if (window == nullptr) {
        std::fprintf(stderr, "pacing-probe: %s\n", error.c_str());
        return 2;
    }
    if (window->display()->open(width, height, 16) != 0) {
        std::fprintf(stderr, "pacing-probe: %s\n", window->display()->displayError().c_str());
        return 3;
    }

    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(width) * height);
    auto showFrame = [&](int frame) {
        // A frame that changes every time, as an animation does.
        const auto shade = static_cast<std::uint16_t>(frame * 2654435761u >> 16);
        for (std::size_t i = 0; i < pixels.size(); i += 61)
            pixels[i] = static_cast<std::uint16_t>(shade + i);
        pump(*window);
        if (closeAsked) {
            std::fprintf(stderr, "pacing-probe: the window was asked to close\n");
            std::exit(5);
        }
        return window->display()->show(pixels.data(), width, height, nullptr);
    };

    // A few frames first so that the window is mapped and the pacing has settled.
    for (int frame = 0; frame < 15; ++frame) {
        if (showFrame(frame) != 0) {
            std::fprintf(stderr, "pacing-probe: showing a frame failed: %s\n",
                         window->display()->displayError().c_str());
            return 4;
        }
    }

    using SteadyClock = std::chrono::steady_clock;
    const SteadyClock::time_point start = SteadyClock::now();
    const auto limit = std::chrono::duration<double>(seconds);
    int frames = 0;
    SteadyClock::time_point now = start;
    while (now - start < limit) {
        if (showFrame(frames) != 0) {
            std::fprintf(stderr, "pacing-probe: showing a frame failed: %s\n",
                         window->display()->displayError().c_str());
            return 4;
        }
        ++frames;
        now = SteadyClock::now();
    }
    const double elapsed = std::chrono::duration<double>(now - start).count();
    std::printf("frames %d seconds %.4f fps %.3f\n", frames, elapsed, frames / elapsed);
    window->display()->close();
    return 0;
}
