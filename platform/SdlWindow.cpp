// SdlWindow: SDL's window, renderer and event queue behind the Window and Display interfaces;
// see the header. Frames go to a streaming RGB565 texture drawn over the whole window with a
// logical size, so SDL keeps the aspect with black bars and the desktop's mode is never
// changed. Key-downs become WM_KEYDOWN with virtual-key codes; Alt with a key is a system key
// and no key-down, as on the desktop the program was made for.
#include "platform/SdlWindow.hpp"

#include "platform/KeyCodes.hpp"
#include "platform/PngWriter.hpp"

#include <SDL.h>

#include <cstring>
#include <ctime>

namespace {

constexpr Uint32 subsystems = SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER;
constexpr std::uint32_t framesPerSecond = 60;

// The key-down's lParam: a repeat count of 1, and bit 30 when the key was already down.
std::intptr_t keyDownParam(bool repeat)
{
    return repeat ? (std::intptr_t{1} | (std::intptr_t{1} << 30)) : std::intptr_t{1};
}

bool takeFront(std::deque<Message>& queue, Message& message)
{
    if (queue.empty())
        return false;
    message = queue.front();
    queue.pop_front();
    return true;
}

// Whether the renderer is OpenGL rasterised by the processor (Mesa's llvmpipe or softpipe),
// as on a virtual display or a machine without a graphics driver. Its context is current.
bool isSoftwareOpenGl(SDL_Renderer* renderer)
{
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using GetString = const unsigned char* (*)(unsigned int);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (getString == nullptr)
        return false;
    constexpr unsigned int glRenderer = 0x1F01;
    const char* name = reinterpret_cast<const char*>(getString(glRenderer));
    return name != nullptr
           && (std::strstr(name, "llvmpipe") != nullptr || std::strstr(name, "softpipe") != nullptr
               || std::strstr(name, "Software Rasterizer") != nullptr);
}

} // namespace

std::unique_ptr<SdlWindow> SdlWindow::create(const char* title, WindowProcedure procedure, std::string& error)
{
    // Relative mouse mode must be the real one: the warping imitation loses motion.
    SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "0");
    // Closing the window is a close request for the program to answer, not a quit of its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(subsystems) != 0) {
        error = std::string("The video system could not be started (") + SDL_GetError() + ").";
        return nullptr;
    }
    // Without a display SDL falls back to drivers that draw nowhere; unless the user asked for
    // one of them by name, that is no display at all.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool drawsNowhere = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (drawsNowhere && SDL_getenv("SDL_VIDEODRIVER") == nullptr) {
        error = "No display is available (DISPLAY and WAYLAND_DISPLAY name no running display server).";
        SDL_QuitSubSystem(subsystems);
        return nullptr;
    }
    SDL_Window* made = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1024, 768,
                                        SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (made == nullptr) {
        error = std::string("The main window could not be created (") + SDL_GetError() + ").";
        SDL_QuitSubSystem(subsystems);
        return nullptr;
    }
    // Keys are read as key-downs only; text input would only add events and an input method.
    SDL_StopTextInput();
    return std::unique_ptr<SdlWindow>(new SdlWindow(made, procedure));
}

SdlWindow::SdlWindow(SDL_Window* sdlWindow, WindowProcedure windowProcedure)
    : window(sdlWindow), procedure(windowProcedure), pacer(SDL_GetPerformanceFrequency(), framesPerSecond)
{
}

SdlWindow::~SdlWindow()
{
    close();
    mouseDevice.setFocus(false); // relative mode off while SDL's video still runs
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(subsystems);
}

bool SdlWindow::peekMessage(Message& message)
{
    pumpEvents();
    if (takeFront(posted, message))
        return true;
    if (quitPending) {
        quitPending = false;
        message = Message{nullptr, WM_QUIT, quitCode, 0};
        return true;
    }
    if (takeFront(input, message))
        return true;
    if (paintPending && !destroyed) {
        paintPending = false;
        message = Message{this, WM_PAINT, 0, 0};
        return true;
    }
    return false;
}

void SdlWindow::postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (destroyed)
        return;
    posted.push_back(Message{this, message, wParam, lParam});
}

void SdlWindow::postQuitMessage(int exitCode)
{
    quitPending = true;
    quitCode = static_cast<std::uintptr_t>(exitCode);
}

long SdlWindow::dispatchMessage(const Message& message)
{
    if (message.window == nullptr || procedure == nullptr)
        return 0;
    return procedure(message.window, message.message, message.wParam, message.lParam);
}

long SdlWindow::defaultProcedure(std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    if (message != WM_CLOSE || destroyed)
        return 0;
    // The window goes away at once: it is hidden, loses the mouse, and whatever was queued for
    // it is dropped; the program learns of it through WM_DESTROY before this returns.
    destroyed = true;
    SDL_HideWindow(window);
    focusChanged(false);
    posted.clear();
    input.clear();
    paintPending = false;
    if (procedure != nullptr)
        procedure(this, WM_DESTROY, 0, 0);
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
}

void SdlWindow::translate(const SDL_Event& event)
{
    if (event.type == SDL_KEYDOWN) {
        translateKey(event);
    } else if (event.type == SDL_QUIT) {
        postMessage(WM_CLOSE, 0, 0); // an interrupt or terminate signal: a close request too
    } else if (event.type == SDL_RENDER_TARGETS_RESET) {
        targetsReset = true;
    } else if (event.type == SDL_RENDER_DEVICE_RESET) {
        deviceReset = true;
    } else if (event.type == SDL_WINDOWEVENT) {
        const Uint8 what = event.window.event;
        if (what == SDL_WINDOWEVENT_CLOSE)
            postMessage(WM_CLOSE, 0, 0);
        else if (what == SDL_WINDOWEVENT_EXPOSED)
            paintPending = true;
        else if (what == SDL_WINDOWEVENT_FOCUS_GAINED)
            focusChanged(!destroyed);
        else if (what == SDL_WINDOWEVENT_FOCUS_LOST)
            focusChanged(false);
    } else {
        mouseDevice.onEvent(event); // it takes the mouse events and ignores the rest
    }
}

void SdlWindow::translateKey(const SDL_Event& event)
{
    if (destroyed)
        return;
    const SDL_Keysym& key = event.key.keysym;
    const bool repeat = event.key.repeat != 0;
    if (key.scancode == SDL_SCANCODE_PRINTSCREEN) {
        if (!repeat)
            saveScreenshot();
        return;
    }
    if ((key.mod & KMOD_ALT) != 0) {
        // System keys: Alt+Enter switches between full screen and a window, Alt+F4 asks to
        // close; every other key with Alt, and Alt itself, reaches the program not at all.
        if (repeat)
            return;
        if (key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER)
            toggleFullScreen();
        else if (key.sym == SDLK_F4)
            postMessage(WM_CLOSE, 0, 0);
        return;
    }
    if (key.sym == SDLK_F10)
        return; // F10 alone is a system key too
    const std::uintptr_t code = virtualKeyFromSdl(key.sym, key.scancode, (key.mod & KMOD_NUM) != 0);
    if (code == 0)
        return;
    input.push_back(Message{this, WM_KEYDOWN, code, keyDownParam(repeat)});
}

void SdlWindow::focusChanged(bool focused)
{
    focus = focused;
    mouseDevice.setFocus(focused);
}

void SdlWindow::toggleFullScreen()
{
    if (fullScreen) {
        if (SDL_SetWindowFullscreen(window, 0) != 0)
            return;
        fullScreen = false;
        const int width = frameWidth > 0 ? frameWidth : 1024;
        const int height = frameHeight > 0 ? frameHeight : 768;
        SDL_SetWindowSize(window, width, height);
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
        if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
            return;
        fullScreen = true;
    }
    restartPacing();
}

std::string SdlWindow::saveScreenshot()
{
    if (lastFrame.empty())
        return {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[64];
    if (std::strftime(name, sizeof name, "sparkler-%Y%m%d-%H%M%S.png", &local) == 0)
        return {};
    if (!writePng(name, lastFrame.data(), frameWidth, frameHeight))
        return {};
    return name;
}

int SdlWindow::open(int width, int height, int bitsPerPixel)
{
    close();
    error.clear();
    if (bitsPerPixel != 16 || width <= 0 || height <= 0)
        return InvalidArgument;
    if (destroyed)
        return NotOpen;
    frameWidth = width;
    frameHeight = height;
    SDL_SetWindowSize(window, width, height);
    // Full screen on the desktop's own mode: the frame is scaled, the mode never switched.
    if (fullScreen && SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        fullScreen = false;
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    opened = true;
    if (!makeRenderer()) {
        close(); // the desktop comes back as it was
        return Failed;
    }
    restartPacing();
    return 0;
}

int SdlWindow::show(const std::uint16_t* pixels, int width, int height)
{
    if (deviceReset || targetsReset) {
        // The textures went with the device: make them again, and tell the caller once.
        const bool remakeRenderer = deviceReset;
        deviceReset = false;
        targetsReset = false;
        if (opened) {
            if (remakeRenderer) {
                dropRenderer();
                makeRenderer();
            } else {
                SDL_DestroyTexture(texture);
                texture = nullptr;
                makeTexture();
            }
        }
        return SurfaceLost;
    }
    if (!opened || renderer == nullptr || texture == nullptr)
        return NotOpen;
    if (pixels == nullptr || width != frameWidth || height != frameHeight)
        return InvalidArgument;
    lastFrame.assign(pixels, pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (SDL_UpdateTexture(texture, nullptr, pixels, width * 2) != 0)
        return fail("updating the frame texture");
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    if (SDL_RenderClear(renderer) != 0 || SDL_RenderCopy(renderer, texture, nullptr, nullptr) != 0)
        return fail("drawing the frame");
    SDL_RenderPresent(renderer);
    const std::uint64_t now = SDL_GetPerformanceCounter();
    const std::uint64_t until = pacer.afterPresent(now);
    if (until > now)
        waitForCounter(until);
    return 0;
}

void SdlWindow::close()
{
    dropRenderer();
    if (!opened)
        return;
    opened = false;
    focusChanged(false);
    if (fullScreen)
        SDL_SetWindowFullscreen(window, 0);
    SDL_HideWindow(window);
}

bool SdlWindow::makeRenderer()
{
    // Smooth scaling: the frame rarely fits the screen a whole number of times.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    // OpenGL drawn by the processor is the slowest path of all: SDL's own software renderer,
    // writing straight into the window's shared-memory image, beats it many times over. A
    // renderer named by the user (SDL_RENDER_DRIVER) is kept as it is.
    if (renderer != nullptr && SDL_GetHint(SDL_HINT_RENDER_DRIVER) == nullptr && isSoftwareOpenGl(renderer)) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (renderer == nullptr) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer == nullptr) {
        fail("creating the renderer");
        return false;
    }
    // Only a renderer on a graphics device can wait for the display; the software one claims
    // vsync but does not wait.
    SDL_RendererInfo info{};
    vsync = SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_ACCELERATED) != 0
            && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    if (SDL_RenderSetLogicalSize(renderer, frameWidth, frameHeight) != 0)
        fail("setting the renderer's logical size");
    else if (makeTexture())
        return true;
    dropRenderer();
    return false;
}

bool SdlWindow::makeTexture()
{
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, frameWidth,
                                frameHeight);
    if (texture == nullptr) {
        fail("creating the frame texture");
        return false;
    }
    return true;
}

void SdlWindow::dropRenderer()
{
    if (texture != nullptr)
        SDL_DestroyTexture(texture);
    texture = nullptr;
    if (renderer != nullptr)
        SDL_DestroyRenderer(renderer);
    renderer = nullptr;
}

void SdlWindow::restartPacing()
{
    // Vsync alone paces a display of about 60 Hz; a faster one, or one whose rate is unknown,
    // is paced on the deadline grid.
    SDL_DisplayMode mode{};
    const int index = SDL_GetWindowDisplayIndex(window);
    const bool sixtyHertz = index >= 0 && SDL_GetCurrentDisplayMode(index, &mode) == 0 && mode.refresh_rate >= 58
                            && mode.refresh_rate <= 62;
    pacer.trustVsync(vsync && sixtyHertz);
}

int SdlWindow::fail(const char* step)
{
    error = std::string("The display failed while ") + step + " (" + SDL_GetError() + ").";
    return Failed;
}
