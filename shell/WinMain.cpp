// The Windows program's entry: reads the command line, makes the window (class "DX9WinClass")
// with its display, the raw-input mouse, the millisecond clock and the DirectSound device,
// then runs the application until Escape, F12, the window's close button or Ctrl+C. A failure
// the user must see (an output that cannot be written, refused with exit 2 before any window;
// no window, no display, a start-up that failed) is shown in a message box and written to
// stderr; help, the version and a command line that cannot be read go to standard output or
// error, or into a message box when those lead nowhere (a start from a shortcut or Explorer).
// Without a sound device the program runs silently. Renamed sparkler.scr it
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
#include <sstream>
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

// Text the command line asked for (help, the version) or a line saying why it cannot be read
// (`failure`), written where the program's standard output or error leads, else shown in a
// message box without the program's name before it. False when it could not be written whole.
bool tellUser(const std::string& text, bool failure)
{
    if (text.empty())
        return true;
    if (!standardStreamLeadsSomewhere(failure)) {
        const std::string prefix = std::string(kProgram) + ": ";
        std::string shown = text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size()) : text;
        while (!shown.empty() && shown.back() == '\n')
            shown.pop_back();
        showNote(kProgram, failure ? shown : columnsForNote(shown), nullptr, failure);
        return true;
    }
    std::FILE* stream = failure ? stderr : stdout;
    return std::fputs(text.c_str(), stream) >= 0 && std::fflush(stream) == 0;
}

// A command line the program refuses before any window: one line, exit code 2.
int refuseCommandLine(const std::string& line)
{
    tellUser(std::string(kProgram) + ": " + line + "\n", true);
    return 2;
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
        std::ostringstream out;
        std::ostringstream err;
        if (const std::optional<int> done = parseCommandLine(argc, argv, options, out, err)) {
            const bool refused = *done != 0;
            if (!tellUser(refused ? err.str() : out.str(), refused) && !refused) {
                std::fprintf(stderr, "%s: standard output could not be written whole\n", kProgram);
                return 1;
            }
            return *done;
        }
    }
    if (options.display > 0)
        return refuseCommandLine("--display " + std::to_string(options.display)
                                 + ": this Windows build opens on the main monitor only");
    if (options.windowId != 0 || options.root)
        return refuseCommandLine(std::string(options.root ? "--root" : "--window-id")
                                 + ": X windows are not there on Windows; the screensaver is sparkler.scr");
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
    if (!preparePilot(options, screensaver, pilot, piloting, error))
        return refuseCommandLine(error);

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
    window->pauseWhileHidden(audio.get());

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
