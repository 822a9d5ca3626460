// The program's entry: opens the SDL window (with its display inside it), the mouse, the clock
// and the sound device, then runs the application until Escape, F12 or the window manager's
// close button. Without a display it says so in one line and exits 1; without sound it says
// so in one line and runs silently.
#include "shell/MainWindow.hpp"

#include "platform/AudioDevice.hpp"
#include "platform/sdl/SdlClock.hpp"
#include "platform/sdl/SdlWindow.hpp"

#include <cstdio>
#include <string>

int main(int, char**)
{
    std::string error;
    std::unique_ptr<SdlWindow> window = SdlWindow::create("Quillaby: Sparkler - Dovrenko", mainWindowProc, error);
    if (window == nullptr) {
        std::fprintf(stderr, "sparkler: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<AudioDevice> audio = AudioDevice::openOutput(error);
    if (audio == nullptr)
        std::fprintf(stderr, "sparkler: %s; running without sound\n", error.c_str());

    SdlClock clock;
    const Platform instance{window->display(), window->mouse(), &clock, audio.get()};
    return runProgram(instance, *window);
}
