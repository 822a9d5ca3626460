// SdlWindow: SDL's window and event queue behind the Window interface; see the header.
// Key-downs become WM_KEYDOWN with virtual-key codes; Alt with a key is a system key and no
// key-down, as on the desktop the program was made for.
#include "platform/sdl/SdlWindow.hpp"

#include "platform/AudioDevice.hpp"
#include "platform/sdl/ForeignWindow.hpp"
#include "platform/sdl/SdlKeyCodes.hpp"
#include "platform/sdl/WaylandSeat.hpp"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace {

constexpr Uint32 subsystems = SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER;
// The window starts at the size of the program's frame; the display sets it again on open.
constexpr int initialWidth = 1024;
constexpr int initialHeight = 768;

// The key-down's lParam: a repeat count of 1, and bit 30 when the key was already down.
std::intptr_t keyDownParam(bool repeat)
{
    return repeat ? (std::intptr_t{1} | (std::intptr_t{1} << 30)) : std::intptr_t{1};
}

// What the program finishes before it ends for a lost display.
void (*lastWords)(void*) = nullptr;
void* lastWordsData = nullptr;

// Xlib's handler for a lost connection prints two lines of its own and exits; this one says it
// in the program's one line and lets the program finish its outputs. It must not return: Xlib
// would exit after it anyway.
int displayLost(void*)
{
    static const char line[] = "sparkler: the connection to the X display was lost\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line, sizeof line - 1);
    if (lastWords != nullptr)
        lastWords(lastWordsData);
    ::_exit(1);
}

// SDL loads Xlib itself, so the handler is set through the library SDL already loaded.
void handleLostDisplay()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0)
        return;
    void* xlib = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (xlib == nullptr)
        return;
    using Handler = int (*)(void*);
    using SetHandler = Handler (*)(Handler);
    SetHandler set = nullptr;
    void* symbol = ::dlsym(xlib, "XSetIOErrorHandler");
    std::memcpy(&set, &symbol, sizeof set);
    if (set != nullptr)
        set(displayLost);
    ::dlclose(xlib); // still loaded by SDL: this only drops the reference taken here
}

// What was tried for a display, for the line that says there is none: the X display named
// and the Wayland display, each as the environment gives them.
std::string displaysTried(bool waylandReachable)
{
    const char* x = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    std::string tried = x != nullptr && *x != '\0' ? "the X display \"" + std::string(x) + "\" could not be opened"
                                                   : std::string("DISPLAY is not set");
    if (!waylandReachable)
        tried += ", and without XDG_RUNTIME_DIR no Wayland display can be reached";
    else if (wayland != nullptr && *wayland != '\0')
        tried += ", nor the Wayland display \"" + std::string(wayland) + "\"";
    else
        tried += ", and WAYLAND_DISPLAY is not set";
    return tried;
}

// Starts SDL's video, or says in error why there is no display to start it on.
bool startVideo(std::string& error)
{
    // Without XDG_RUNTIME_DIR no Wayland display can be reached, and the Wayland library would
    // print its own complaint while SDL tries: use X alone then, or say there is no display.
    const char* runtimeDir = SDL_getenv("XDG_RUNTIME_DIR");
    const bool chosen = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
    const bool waylandReachable = runtimeDir != nullptr && *runtimeDir != '\0';
    if (!chosen && !waylandReachable) {
        const char* display = SDL_getenv("DISPLAY");
        if (display == nullptr || *display == '\0') {
            error = "No display is available (" + displaysTried(false) + ").";
            return false;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
    // SDL tries Wayland first, and its Wayland video crashes on a compositor that offers no
    // seat: X (XWayland, where it runs) is used then, or the program says why it stops.
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    const bool waylandFirst = chosen ? std::strcmp(asked, "wayland") == 0 : waylandReachable;
    if (waylandFirst && probeWaylandSeat() == WaylandSeat::Missing) {
        const char* x = SDL_getenv("DISPLAY");
        if (chosen || x == nullptr || *x == '\0') {
            const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
            error = "The Wayland display \"" + std::string(wayland != nullptr ? wayland : "wayland-0")
                + "\" offers no seat (no keyboard or mouse), and its video cannot start without one"
                + (chosen ? "" : "; DISPLAY names no X display to use instead") + ".";
            return false;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
    if (SDL_InitSubSystem(subsystems) != 0) {
        error = chosen ? std::string("The video system could not be started (") + SDL_GetError() + ")."
                       : "No display is available (" + displaysTried(waylandReachable) + ").";
        return false;
    }
    // Without a display SDL falls back to drivers that draw nowhere; unless the user asked for
    // one of them by name, that is no display at all.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool drawsNowhere
        = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (drawsNowhere && !chosen) {
        error = "No display is available (" + displaysTried(true) + ").";
        SDL_QuitSubSystem(subsystems);
        return false;
    }
    return true;
}

} // namespace

void SdlWindow::whenDisplayLost(void (*finish)(void*), void* data)
{
    lastWords = finish;
    lastWordsData = data;
}

int SdlWindow::countMonitors(std::string& error)
{
    if (!startVideo(error))
        return -1;
    const int monitors = SDL_GetNumVideoDisplays();
    if (monitors < 0)
        error = std::string("The monitors could not be counted (") + SDL_GetError() + ").";
    SDL_QuitSubSystem(subsystems);
    return monitors;
}

std::unique_ptr<SdlWindow> SdlWindow::create(const char* title, WindowProcedure procedure,
                                             const SdlWindowPlacement& placement, std::string& error)
{
    // Relative mouse mode must be the real one: the warping imitation loses motion.
    SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "0");
    // One count of mouse motion is one pixel of the frame, however far the frame is scaled up:
    // SDL would otherwise divide relative motion by the renderer's scale.
    SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_SCALING, "0");
    // Closing the window is a close request for the program to answer, not a quit of its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Signals are the program's own (see requestCloseOnSignals): they are read at every peek.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!startVideo(error))
        return nullptr;
    if (placement.foreignWindow != 0)
        return createForeign(placement.foreignWindow, procedure, error);
    const int where = placement.monitor >= 0 ? static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(placement.monitor))
                                             : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    SDL_Window* made = SDL_CreateWindow(title, where, where, initialWidth, initialHeight,
                                        SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (made == nullptr) {
        error = std::string("The main window could not be created (") + SDL_GetError() + ").";
        SDL_QuitSubSystem(subsystems);
        return nullptr;
    }
    handleLostDisplay();
    // Keys are read as key-downs only; text input would only add events and an input method.
    SDL_StopTextInput();
    std::unique_ptr<SdlWindow> window(new SdlWindow(made, procedure));
    window->screen.startWindowed(placement.windowed);
    // Whether it is minimised or covered is watched as another program's window is.
    window->watchedId = watchWindowChanges(made, false);
    return window;
}

std::unique_ptr<SdlWindow> SdlWindow::createForeign(std::uint64_t id, WindowProcedure procedure, std::string& error)
{
    if (!foreignWindowExists(id, error))
        return nullptr;
    SDL_Window* made = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(id)));
    // Whether it can be seen is read once its changes are watched (SDL's own reading comes
    // before, and a map between the two would be missed for good).
    bool viewable = false;
    if (made == nullptr || watchWindowChanges(made, true, &viewable) == 0) {
        error = std::string("The window given could not be drawn into (") + SDL_GetError() + ").";
        if (made != nullptr)
            SDL_DestroyWindow(made);
        SDL_QuitSubSystem(subsystems);
        return nullptr;
    }
    handleLostDisplay();
    SDL_StopTextInput();
    std::unique_ptr<SdlWindow> window(new SdlWindow(made, procedure));
    window->foreignId = id;
    window->watchedId = id;
    window->seen = viewable;
    window->screen.startWindowed(true);
    return window;
}

void SdlWindow::setIcon(const std::uint8_t* rgba, int size)
{
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t*>(rgba), size, size, 32, size * 4,
                                                           SDL_PIXELFORMAT_RGBA32);
    if (icon == nullptr)
        return; // the desktop's own icon stays
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
}

SdlWindow::SdlWindow(SDL_Window* sdlWindow, WindowProcedure windowProcedure)
    : window(sdlWindow), queue(*this, windowProcedure)
{}

SdlWindow::~SdlWindow()
{
    screen.close();
    mouseDevice.setFocus(false); // relative mode off while SDL's video still runs
    if (!isForeign())
        ownWindowGone(); // SDL's hiding at the destruction then finds its unmapping
    SDL_DestroyWindow(window);
    // The errors of destroying a window already gone come in while the handler that expects
    // them is still there (SDL puts Xlib's back as it stops).
    if (!isForeign())
        ownWindowGone();
    SDL_QuitSubSystem(subsystems);
}

bool SdlWindow::peekMessage(Message& message)
{
    pumpEvents();
    return queue.take(message);
}

void SdlWindow::postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    queue.post(message, wParam, lParam);
}

void SdlWindow::postQuitMessage(int exitCode)
{
    queue.postQuit(exitCode);
}

long SdlWindow::dispatchMessage(const Message& message)
{
    return queue.dispatch(message);
}

long SdlWindow::defaultProcedure(std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    if (message != WM_CLOSE || queue.destroyed())
        return 0;
    // The window goes away at once: it is hidden, loses the mouse, and whatever was queued for
    // it is dropped; the program learns of it through WM_DESTROY before this returns.
    if (!isForeign() && !ownWindowGone())
        SDL_HideWindow(window);
    focusChanged(false);
    queue.destroy();
    return 0;
}

void SdlWindow::showCursor(bool visible)
{
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void SdlWindow::pumpEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0)
        translate(event);
    closeOnRequest();
    // A window that cannot be seen (unmapped, minimised or wholly covered) costs no frames: the
    // loop waits here for it to come back, for a key, for a signal, or for it to go. The frame
    // after the wait is timed as any other: its step is the whole time the window was hidden.
    const auto waiting = [this] { return !seen && !queue.destroyed() && !queue.hasMessages(); };
    if (!waiting())
        return;
    if (sound != nullptr)
        sound->setPaused(true);
    while (waiting()) {
        if (SDL_WaitEventTimeout(&event, 250) != 0)
            translate(event);
        closeOnRequest();
    }
    if (sound != nullptr)
        sound->setPaused(false);
}

void SdlWindow::closeOnRequest()
{
    // Interrupt, terminate, hang-up or quit: a close request, once, as the close button's.
    queue.closeOnSignal();
    // The window destroyed by another program (its X requests fail, or its destruction is
    // seen): a close request too, so that the outputs are finished.
    if (!goneTaken && (gone || (!isForeign() && ownWindowFailed()))) {
        goneTaken = true;
        if (!queue.destroyed()) {
            std::fprintf(stderr, "sparkler: the window was destroyed by another program; stopping\n");
            postMessage(WM_CLOSE, 0, 0);
            seen = false;
        }
    }
}

void SdlWindow::sightChanged(const SDL_Event& event)
{
    const ForeignChange change = readForeignChange(event, watchedId);
    if (change == ForeignChange::Destroyed) {
        gone = true;
    } else if (change == ForeignChange::Unmapped || change == ForeignChange::Covered) {
        seen = false;
    } else if (change == ForeignChange::Mapped || change == ForeignChange::Uncovered) {
        seen = true;
        screen.windowChanged();
    }
}

void SdlWindow::translate(const SDL_Event& event)
{
    if (isForeign()) {
        foreignChanged(event);
        return;
    }
    if (event.type == SDL_KEYDOWN) {
        translateKey(event);
    } else if (event.type == SDL_QUIT) {
        postMessage(WM_CLOSE, 0, 0); // SDL's own quit (a signal where its handlers are set)
    } else if (event.type == SDL_RENDER_TARGETS_RESET) {
        screen.renderReset(true);
    } else if (event.type == SDL_RENDER_DEVICE_RESET) {
        screen.renderReset(false);
    } else if (event.type == SDL_SYSWMEVENT) {
        sightChanged(event);
    } else if (event.type == SDL_WINDOWEVENT) {
        const Uint8 what = event.window.event;
        // Whatever may have cost the window its contents makes the next frame drawn whole.
        if (what == SDL_WINDOWEVENT_EXPOSED || what == SDL_WINDOWEVENT_SHOWN || what == SDL_WINDOWEVENT_SIZE_CHANGED
            || what == SDL_WINDOWEVENT_RESTORED)
            screen.windowChanged();
        if (what == SDL_WINDOWEVENT_CLOSE)
            postMessage(WM_CLOSE, 0, 0);
        else if (what == SDL_WINDOWEVENT_EXPOSED)
            queue.askPaint();
        else if (what == SDL_WINDOWEVENT_FOCUS_GAINED)
            focusChanged(!queue.destroyed());
        else if (what == SDL_WINDOWEVENT_FOCUS_LOST)
            focusChanged(false);
    } else {
        mouseDevice.onEvent(event); // it takes the mouse events and ignores the rest
    }
}

void SdlWindow::foreignChanged(const SDL_Event& event)
{
    // Another program's window: no keys, no mouse and no focus are taken from it; what matters
    // is whether it can be seen, its size (which SDL follows), and whether it is still there.
    if (event.type == SDL_QUIT) {
        postMessage(WM_CLOSE, 0, 0);
    } else if (event.type == SDL_RENDER_TARGETS_RESET || event.type == SDL_RENDER_DEVICE_RESET) {
        screen.renderReset(event.type == SDL_RENDER_TARGETS_RESET);
    } else if (event.type == SDL_WINDOWEVENT) {
        const Uint8 what = event.window.event;
        if (what == SDL_WINDOWEVENT_EXPOSED || what == SDL_WINDOWEVENT_SIZE_CHANGED)
            screen.windowChanged();
        if (what == SDL_WINDOWEVENT_EXPOSED)
            queue.askPaint();
    } else if (event.type == SDL_SYSWMEVENT) {
        if (readForeignChange(event, foreignId) == ForeignChange::Destroyed && !queue.destroyed()) {
            std::fprintf(stderr, "sparkler: the window 0x%llx was destroyed; stopping\n",
                         static_cast<unsigned long long>(foreignId));
            postMessage(WM_CLOSE, 0, 0);
            seen = false;
        } else {
            sightChanged(event);
        }
    }
}

void SdlWindow::translateKey(const SDL_Event& event)
{
    if (queue.destroyed())
        return;
    const SDL_Keysym& key = event.key.keysym;
    const bool repeat = event.key.repeat != 0;
    if (key.scancode == SDL_SCANCODE_PRINTSCREEN) {
        if (!repeat)
            screen.saveScreenshot();
        return;
    }
    if ((key.mod & KMOD_ALT) != 0) {
        // System keys: Alt+Enter switches between full screen and a window, Alt+F4 asks to
        // close; every other key with Alt, and Alt itself, reaches the program not at all.
        if (repeat)
            return;
        if (key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER)
            screen.toggleFullScreen();
        else if (key.sym == SDLK_F4)
            postMessage(WM_CLOSE, 0, 0);
        return;
    }
    if (key.sym == SDLK_F10)
        return; // F10 alone is a system key too
    const std::uintptr_t code = virtualKeyFromSdl(key.sym, key.scancode, (key.mod & KMOD_NUM) != 0);
    if (code == 0)
        return;
    queue.postKeyDown(code, keyDownParam(repeat));
}

void SdlWindow::focusChanged(bool focused)
{
    focus = focused;
    mouseDevice.setFocus(focused);
}
