// The program's entry: reads the command line, opens the SDL window (with its display inside
// it) on the monitor asked for, the mouse, the clock and the sound device, then runs the
// application until Escape, F12 or the window manager's close button. A bad command line or a
// monitor that does not exist is one line and exit 2, before any window is made; without a
// display it says so in one line and exits 1; without sound it says so and runs silently.
// --record and --trace write the session beside it. With --window-id, --root or
// XSCREENSAVER_WINDOW it draws into another program's window instead, piloted and silent.
#include "shell/CommandLine.hpp"
#include "shell/PilotSetup.hpp"
#include "session/MainWindow.hpp"
#include "session/SessionLog.hpp"

#include "gfx/Icon.hpp"
#include "platform/AudioDevice.hpp"
#include "platform/sdl/SdlClock.hpp"
#include "platform/sdl/ForeignWindow.hpp"
#include "platform/sdl/SdlDisplay.hpp"
#include "platform/sdl/SdlWindow.hpp"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

constexpr int kWindowIconSize = 64;

} // namespace

int main(int argc, char** argv)
{
    ProgramOptions options;
    if (const std::optional<int> done = parseCommandLine(argc, argv, options, std::cout, std::cerr))
        return *done;

    std::string error;
    // --root is the window found now: the virtual root a screensaver daemon provides, or the root.
    if (options.root && options.windowId == 0) {
        options.windowId = findRootWindow(error);
        if (options.windowId == 0) {
            std::fprintf(stderr, "sparkler: %s\n", error.c_str());
            return 1;
        }
    }
    // In another program's window the sparkler flies itself, silent unless asked.
    const bool foreign = options.windowId != 0;
    options.autopilot = options.autopilot || foreign;
    PilotedMouse pilotedMouse(nullptr);
    Pilot pilot(options.autopilot, &pilotedMouse);
    bool piloting = false;
    if (!preparePilot(options, foreign, pilot, piloting))
        return 2;
    if (options.display >= 0) {
        const int monitors = SdlWindow::countMonitors(error);
        if (monitors < 0) {
            std::fprintf(stderr, "sparkler: %s\n", error.c_str());
            return 1;
        }
        if (options.display >= monitors) {
            std::fprintf(stderr, "sparkler: %s\n", missingMonitorMessage(options.display, monitors).c_str());
            return 2;
        }
    }
    const SdlWindowPlacement placement{options.display, options.window, options.windowId};
    std::unique_ptr<SdlWindow> window
        = SdlWindow::create("Quillaby: Sparkler - Dovrenko", mainWindowProc, placement, error);
    if (window == nullptr) {
        std::fprintf(stderr, "sparkler: %s\n", error.c_str());
        return 1;
    }
    IconColours colours;
    if (!foreign && iconColoursFromImages(colours)) {
        const std::vector<std::uint8_t> icon = drawIcon(iconShapes(colours), kWindowIconSize);
        window->setIcon(icon.data(), kWindowIconSize);
    }
    SessionLog log;
    if (!log.open(options.recordPath, options.tracePath, window->display(), error)) {
        std::fprintf(stderr, "sparkler: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<AudioDevice> audio;
    if (!foreign || options.sound)
        audio = AudioDevice::openOutput(error);
    if (audio == nullptr && (!foreign || options.sound))
        std::fprintf(stderr, "sparkler: %s; running without sound\n", error.c_str());
    window->pauseWhileHidden(audio.get());

    SdlClock clock;
    pilotedMouse = PilotedMouse(foreign ? nullptr : window->mouse());
    Mouse* mouse = piloting ? static_cast<Mouse*>(&pilotedMouse) : window->mouse();
    const Platform instance{window->display(), mouse, &clock, audio.get()};
    const bool watching = !options.recordPath.empty() || !options.tracePath.empty();
    int exitCode = runProgram(instance, *window, watching ? &log : nullptr, piloting ? &pilot : nullptr);
    if (watching && !log.close(error)) {
        std::fprintf(stderr, "sparkler: %s\n", error.c_str());
        exitCode = 1;
    }
    return exitCode;
}
