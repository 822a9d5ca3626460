// The program's entry: reads the command line, opens the SDL window (with its display inside
// it) on the monitor asked for, the mouse, the clock and the sound device, then runs the
// application until Escape, F12 or the window manager's close button. A bad command line or a
// monitor that does not exist or an output that cannot be written is one line and exit 2,
// before any window is made; without a display it says so in one line and exits 1; without
// sound it says so and runs silently. --record and --trace write the session beside it, and
// are finished on every ending that can be caught: a close, a signal, a lost display. With
// --window-id, --root or XSCREENSAVER_WINDOW it draws into another program's window instead,
// piloted and silent.
#include "shell/CommandLine.hpp"
#include "shell/RunSetup.hpp"
#include "session/MainWindow.hpp"
#include "session/SessionLog.hpp"

#include "gfx/Icon.hpp"
#include "platform/AudioDevice.hpp"
#include "platform/sdl/SdlClock.hpp"
#include "platform/sdl/ForeignWindow.hpp"
#include "platform/sdl/SdlDisplay.hpp"
#include "platform/sdl/SdlWindow.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

constexpr int kWindowIconSize = 64;

// Help and version have been written to standard output: 0 when all of it went out, else
// 1 with the reason said (a full disk, a closed pipe or descriptor).
int helpWritten()
{
    std::cout.flush();
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && std::cout.good())
        return 0;
    const int code = errno;
    std::fprintf(stderr, "sparkler: standard output could not be written whole (%s)\n",
                 std::strerror(code != 0 ? code : EIO));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    ProgramOptions options;
    if (const std::optional<int> done = parseCommandLine(argc, argv, options, std::cout, std::cerr))
        return *done == 0 ? helpWritten() : *done;
    // Every output is checked, and the trace opened, before any window.
    std::string error;
    SessionLog log;
    if (!openOutputs(options, log, error)) {
        std::fprintf(stderr, "sparkler: %s\n", error.c_str());
        return 2;
    }

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
    if (!preparePilot(options, foreign, pilot, piloting, error)) {
        std::fprintf(stderr, "sparkler: %s\n", error.c_str());
        return 2;
    }
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
    log.showsFrom(window->display());
    // A lost X display ends the program from inside the display library: the record and the
    // trace are finished first, as at any other ending.
    SdlWindow::whenDisplayLost(
        [](void* outputs) {
            std::string why;
            if (!static_cast<SessionLog*>(outputs)->close(why))
                std::fprintf(stderr, "sparkler: %s\n", why.c_str());
        },
        &log);
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
