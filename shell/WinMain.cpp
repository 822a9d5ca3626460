// The Windows program's entry: reads the command line, makes the window (class "DX9WinClass")
// with its display, the raw-input mouse, the millisecond clock and the DirectSound device,
// then runs the application until Escape, F12 or the window's close button. A failure the
// user must see (no window, no display, a start-up that failed) is shown in a message box and
// written to stderr; without a sound device the program runs silently.
#include "shell/CommandLine.hpp"

#include "platform/AudioDevice.hpp"
#include "platform/win32/Win32Clock.hpp"
#include "platform/win32/Win32Window.hpp"
#include "session/MainWindow.hpp"
#include "session/SessionLog.hpp"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

constexpr const char* kProgram = "sparkler";

// Runs passes until the window is closed or a frame cannot be shown; the exit code.
int runLoop(Win32Window& window, Clock& clock, LoopWatcher* watcher)
{
    FrameTimer timer;
    int exitCode = 0;
    for (;;) {
        const PassResult result = runOnePass(window, clock, timer, exitCode, watcher);
        if (result == PassResult::Quit)
            return exitCode;
        if (result == PassResult::DisplayLost) {
            reportFailure(kProgram, "the display was lost; the frame could not be shown");
            return 1;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    ProgramOptions options;
    if (const std::optional<int> done = parseCommandLine(argc, argv, options, std::cout, std::cerr))
        return *done;
    if (options.display > 0) {
        std::fprintf(stderr, "%s: --display %d: this Windows build opens on the main monitor only\n", kProgram,
                     options.display);
        return 2;
    }

    std::string error;
    std::unique_ptr<Win32Window> window
        = Win32Window::create("Quillaby: Sparkler - Dovrenko", mainWindowProc, options.window, nullptr, error);
    if (window == nullptr) {
        reportFailure(kProgram, error);
        return 1;
    }
    SessionLog log;
    if (!log.open(options.recordPath, options.tracePath, window->display(), error)) {
        reportFailure(kProgram, error);
        return 1;
    }
    std::unique_ptr<AudioDevice> audio = AudioDevice::openOutput(error);
    if (audio == nullptr)
        std::fprintf(stderr, "%s: %s; running without sound\n", kProgram, error.c_str());

    Win32Clock clock;
    const Platform instance{window->display(), window->mouse(), &clock, audio.get()};
    if (startApplication(instance, *window, error) == nullptr) {
        reportFailure(kProgram, error);
        return 1;
    }
    reportSoundFailure();
    const bool watching = !options.recordPath.empty() || !options.tracePath.empty();
    int exitCode = runLoop(*window, clock, watching ? &log : nullptr);
    endApplication();
    if (watching && !log.close(error)) {
        reportFailure(kProgram, error);
        exitCode = 1;
    }
    return exitCode;
}
