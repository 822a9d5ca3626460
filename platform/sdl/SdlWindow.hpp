// SdlWindow: the main window over SDL: its own message queue, filled from SDL's events at every
// peek, the key translation, the system keys and the focus. Alt+Enter (full screen or a window)
// and PrintScreen (a PNG of the frame on screen) are handled here and never reach the program;
// they act on the window's display, which lives inside it (under SDL the display is a window).
// One instance per process.
#pragma once

#include "platform/MessageQueue.hpp"
#include "platform/Window.hpp"
#include "platform/sdl/SdlDisplay.hpp"
#include "platform/sdl/SdlMouse.hpp"

#include <cstdint>
#include <memory>
#include <string>

struct SDL_Window;
union SDL_Event;
class AudioDevice;

// Where the window goes: on which monitor (from 0; -1 leaves it to the desktop), and whether
// its display starts in a window instead of full screen.
struct SdlWindowPlacement {
    int monitor = -1;
    bool windowed = false;
    // An X window of another program to draw into (a screensaver's or a wallpaper's), 0 for
    // none. The program never maps, moves, resizes or hides it, takes no keys or mouse from
    // it, and stops when it is destroyed.
    std::uint64_t foreignWindow = 0;
};

class SdlWindow : public Window {
public:
    // Starts SDL's video and makes the window, hidden, with the given title, on the monitor
    // asked for. Null when that fails, with error set to one sentence that includes SDL's
    // reason. The monitor must exist (see countMonitors).
    static std::unique_ptr<SdlWindow> create(const char* title, WindowProcedure procedure,
                                             const SdlWindowPlacement& placement, std::string& error);
    // How many monitors the desktop has, without making a window; -1 with error set when
    // there is no display at all.
    static int countMonitors(std::string& error);
    // What to finish (outputs) before the program ends for a lost X display; called once, from
    // inside the display library, which must not be called from it.
    static void whenDisplayLost(void (*finish)(void*), void* data);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // Messages come out in this order: those posted (and close requests), then the quit
    // message once nothing is posted, then key-downs, then a paint request. Messages of the
    // window (not the quit message) are dropped once it has been destroyed.
    bool peekMessage(Message& message) override;
    void postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void postQuitMessage(int exitCode) override;
    // Calls the procedure with the message; a message without a window (quit) goes nowhere.
    long dispatchMessage(const Message& message) override;
    // WM_CLOSE hides and destroys the window and sends WM_DESTROY through the procedure.
    long defaultProcedure(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void validate() override {} // nothing is painted through the window
    void showCursor(bool visible) override;
    bool hasFocus() const override { return focus; }

    SdlDisplay* display() { return &screen; }
    Mouse* mouse() { return &mouseDevice; }
    bool isDestroyed() const { return queue.destroyed(); }
    bool isForeign() const { return foreignId != 0; }
    // The sound device to pause while the window cannot be seen, so that a hidden program
    // costs the machine nothing; null for none.
    void pauseWhileHidden(AudioDevice* audio) { sound = audio; }
    // The icon the desktop shows for the window: size x size RGBA pixels, top row first.
    void setIcon(const std::uint8_t* rgba, int size);

    // For the display: the SDL window it draws into, and the focus it takes away on close.
    SDL_Window* sdlWindow() const { return window; }
    void loseFocus() { focusChanged(false); }

private:
    SdlWindow(SDL_Window* window, WindowProcedure procedure);
    static std::unique_ptr<SdlWindow> createForeign(std::uint64_t id, WindowProcedure procedure, std::string& error);

    void pumpEvents();
    void translate(const SDL_Event& event);
    void translateKey(const SDL_Event& event);
    void focusChanged(bool focused);
    void foreignChanged(const SDL_Event& event);
    // Follows whether the window can be seen, from an X event SDL hands on.
    void sightChanged(const SDL_Event& event);
    // Posts a close, once, for a signal and for the window destroyed by another program.
    void closeOnRequest();

    SDL_Window* window = nullptr;
    SdlMouse mouseDevice{true};
    MessageQueue queue;

    bool focus = false;
    bool gone = false; // the program's own window was destroyed by another program
    bool goneTaken = false; // and its close request has been posted
    std::uint64_t foreignId = 0;
    std::uint64_t watchedId = 0; // the X window whose sight is followed; 0 off X
    bool seen = true; // the window is mapped and not wholly covered
    AudioDevice* sound = nullptr;
    // Declared last: it is closed before the window and the mouse go.
    SdlDisplay screen{*this};
};
