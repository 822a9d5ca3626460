// The Windows program's entry: reads the command line, makes the window (class "DX9WinClass")
// with its display, the raw-input mouse, the millisecond clock and the DirectSound device,
// then runs the application until Escape, F12, the window's close button or Ctrl+C. A failure
// the user must see (an output that cannot be written, refused with exit 2 before any window;
// no window, no display, a start-up that failed) is shown in a message box and written to
// stderr; without a sound device the program runs silently. Renamed sparkler.scr it
// is the screensaver: /s full screen, /p HWND in the settings dialog's preview, /c its note.
#include "shell/CommandLine.hpp"
#include "shell/RunSetup.hpp"
#include "shell/ScreensaverCommand.hpp"

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
constexpr const char* kSaverTitle = "Sparkler screensaver";
constexpr const char* kSaverNote
    = "The sparkler flies by itself over the night lake, silently, until a key, a mouse button or "
      "the mouse moving ends it.\n\nIt has no settings of its own: the wait before it starts is "
      "chosen in Windows' screen saver settings.";

// A failure that ends the program, shown the Windows way.
void reportToUser(const std::string& text)
{
    reportFailure(kProgram, text);
}

HWND__* windowOf(std::uint64_t handle)
{
    return reinterpret_cast<HWND__*>(static_cast<std::uintptr_t>(handle));
}

} // namespace

int main(int argc, char** argv)
{
    const SaverCommand saver = readSaverCommand(argc, argv);
    if (!saver.error.empty()) {
        reportToUser(saver.error);
        return 2;
    }
    if (saver.mode == SaverMode::Settings) {
        showNote(kSaverTitle, kSaverNote, windowOf(saver.window));
        return 0;
    }
    // As a screensaver the sparkler flies itself, silently.
    const bool screensaver = saver.mode != SaverMode::None;
    ProgramOptions options;
    if (!screensaver) {
        if (const std::optional<int> done = parseCommandLine(argc, argv, options, std::cout, std::cerr))
            return *done;
    }
    if (options.display > 0) {
        std::fprintf(stderr, "%s: --display %d: this Windows build opens on the main monitor only\n", kProgram,
                     options.display);
        return 2;
    }
    if (options.windowId != 0 || options.root) {
        std::fprintf(stderr, "%s: %s: X windows are not there on Windows; the screensaver is sparkler.scr\n", kProgram,
                     options.root ? "--root" : "--window-id");
        return 2;
    }
    // Every output is checked, and the trace opened, before any window.
    std::string error;
    SessionLog log;
    if (!openOutputs(options, log, error)) {
        reportToUser(error);
        return 2;
    }
    options.autopilot = options.autopilot || screensaver;
    PilotedMouse pilotedMouse(nullptr);
    Pilot pilot(options.autopilot, &pilotedMouse);
    bool piloting = false;
    if (!preparePilot(options, screensaver, pilot, piloting))
        return 2;

    HWND__* parent = saver.mode == SaverMode::Preview ? windowOf(saver.window) : nullptr;
    std::unique_ptr<Win32Window> window
        = Win32Window::create("Quillaby: Sparkler - Dovrenko", mainWindowProc, options.window, parent, error);
    if (window == nullptr) {
        reportToUser(error);
        return 1;
    }
    window->closeOnInput(saver.mode == SaverMode::Show);
    log.showsFrom(window->display());
    std::unique_ptr<AudioDevice> audio;
    if (!screensaver) {
        audio = AudioDevice::openOutput(error);
        if (audio == nullptr)
            std::fprintf(stderr, "%s: %s; running without sound\n", kProgram, error.c_str());
    }

    Win32Clock clock;
    pilotedMouse = PilotedMouse(screensaver ? nullptr : window->mouse());
    Mouse* mouse = piloting ? static_cast<Mouse*>(&pilotedMouse) : window->mouse();
    const Platform instance{window->display(), mouse, &clock, audio.get()};
    const bool watching = !options.recordPath.empty() || !options.tracePath.empty();
    int exitCode
        = runProgram(instance, *window, watching ? &log : nullptr, piloting ? &pilot : nullptr, reportToUser);
    if (watching && !log.close(error)) {
        reportToUser(error);
        exitCode = 1;
    }
    return exitCode;
}
