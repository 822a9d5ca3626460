// SdlDisplay: frames go to a streaming RGB565 texture drawn over the whole window with a
// logical size, so SDL keeps the aspect with black bars and the desktop's mode is never
// changed. See the header.
#include "platform/sdl/SdlDisplay.hpp"

#include "platform/ScreenshotFile.hpp"
#include "platform/sdl/SdlWindow.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t framesPerSecond = 60;

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

SdlDisplay::SdlDisplay(SdlWindow& window) : owner(window), pacer(SDL_GetPerformanceFrequency(), framesPerSecond)
{}

SdlDisplay::~SdlDisplay()
{
    close();
}

void SdlDisplay::renderReset(bool targetsOnly)
{
    if (targetsOnly)
        targetsReset = true;
    else
        deviceReset = true;
}

void SdlDisplay::toggleFullScreen()
{
    if (fullScreen) {
        if (SDL_SetWindowFullscreen(owner.sdlWindow(), 0) != 0)
            return;
        fullScreen = false;
        if (frameWidth > 0 && frameHeight > 0)
            SDL_SetWindowSize(owner.sdlWindow(), frameWidth, frameHeight);
        // Centred on the monitor it was full screen on, not on the first one.
        const int monitor = std::max(SDL_GetWindowDisplayIndex(owner.sdlWindow()), 0);
        SDL_SetWindowPosition(owner.sdlWindow(), static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(monitor)),
                              static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(monitor)));
    } else {
        if (SDL_SetWindowFullscreen(owner.sdlWindow(), SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
            return;
        fullScreen = true;
    }
    restartPacing();
}

std::string SdlDisplay::saveScreenshot()
{
    if (lastFrame.empty())
        return {};
    std::string why;
    const SavedScreenshot saved = saveScreenshotFile(lastFrame.data(), frameWidth, frameHeight, why);
    if (saved.path.empty())
        std::fprintf(stderr, "sparkler: the screen could not be saved: %s\n", why.c_str());
    else if (saved.inPicturesFolder)
        std::fprintf(stderr, "sparkler: the working directory cannot be written; saved the screen as %s\n",
                     saved.path.c_str());
    else
        std::fprintf(stderr, "sparkler: saved the screen as %s\n", saved.path.c_str());
    return saved.path;
}

int SdlDisplay::open(int width, int height, int bitsPerPixel)
{
    close();
    error.clear();
    if (bitsPerPixel != 16 || width <= 0 || height <= 0)
        return E_INVALIDARG;
    if (owner.isDestroyed())
        return E_POINTER;
    frameWidth = width;
    frameHeight = height;
    SDL_SetWindowSize(owner.sdlWindow(), width, height);
    // Full screen on the desktop's own mode: the frame is scaled, the mode never switched.
    if (fullScreen && SDL_SetWindowFullscreen(owner.sdlWindow(), SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        fullScreen = false;
    SDL_ShowWindow(owner.sdlWindow());
    SDL_RaiseWindow(owner.sdlWindow());
    opened = true;
    if (!makeRenderer()) {
        close(); // the desktop comes back as it was
        return E_FAIL;
    }
    restartPacing();
    return 0;
}

int SdlDisplay::show(const std::uint16_t* pixels, int width, int height)
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
        return DDERR_SURFACELOST;
    }
    if (!opened || renderer == nullptr || texture == nullptr)
        return E_POINTER;
    if (pixels == nullptr || width != frameWidth || height != frameHeight)
        return E_INVALIDARG;
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

void SdlDisplay::close()
{
    dropRenderer();
    if (!opened)
        return;
    opened = false;
    owner.loseFocus();
    if (fullScreen)
        SDL_SetWindowFullscreen(owner.sdlWindow(), 0);
    SDL_HideWindow(owner.sdlWindow());
}

bool SdlDisplay::makeRenderer()
{
    // Smooth scaling: the frame rarely fits the screen a whole number of times.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    renderer = SDL_CreateRenderer(owner.sdlWindow(), -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    // OpenGL drawn by the processor is the slowest path of all: SDL's own software renderer,
    // writing straight into the window's shared-memory image, beats it many times over. A
    // renderer named by the user (SDL_RENDER_DRIVER) is kept as it is.
    if (renderer != nullptr && SDL_GetHint(SDL_HINT_RENDER_DRIVER) == nullptr && isSoftwareOpenGl(renderer)) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (renderer == nullptr) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer = SDL_CreateRenderer(owner.sdlWindow(), -1, SDL_RENDERER_SOFTWARE);
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

bool SdlDisplay::makeTexture()
{
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, frameWidth, frameHeight);
    if (texture == nullptr) {
        fail("creating the frame texture");
        return false;
    }
    return true;
}

void SdlDisplay::dropRenderer()
{
    if (texture != nullptr)
        SDL_DestroyTexture(texture);
    texture = nullptr;
    if (renderer != nullptr)
        SDL_DestroyRenderer(renderer);
    renderer = nullptr;
}

void SdlDisplay::restartPacing()
{
    // Vsync alone paces a display of about 60 Hz; a faster one, or one whose rate is unknown,
    // is paced on the deadline grid.
    SDL_DisplayMode mode{};
    const int index = SDL_GetWindowDisplayIndex(owner.sdlWindow());
    const bool sixtyHertz = index >= 0 && SDL_GetCurrentDisplayMode(index, &mode) == 0 && mode.refresh_rate >= 58
        && mode.refresh_rate <= 62;
    pacer.trustVsync(vsync && sixtyHertz);
}

int SdlDisplay::fail(const char* step)
{
    error = std::string("The display failed while ") + step + " (" + SDL_GetError() + ").";
    return E_FAIL;
}
