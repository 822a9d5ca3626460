// SdlDisplay: frames go to a streaming RGB565 texture drawn over the whole window with a
// logical size, so SDL keeps the aspect with black bars and the desktop's mode is never
// changed. See the header.
#include "platform/sdl/SdlDisplay.hpp"

#include "platform/ChangedBands.hpp"
#include "platform/ScreenshotFile.hpp"
#include "platform/sdl/ForeignWindow.hpp"
#include "platform/sdl/SdlWindow.hpp"
#include "platform/sdl/SurfaceShrinking.hpp"
#include "platform/sdl/SurfaceWidening.hpp"
#include "platform/sdl/UpdateRects.hpp"
#include "platform/sdl/WindowManager.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

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

// Whether the machine has a graphics device that OpenGL could draw with: a kernel graphics
// node or NVIDIA's own device. Without one, OpenGL can only be drawn by the processor.
bool hasGraphicsDevice()
{
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("card") || name.starts_with("renderD"))
            return true;
    }
    return std::filesystem::exists("/dev/nvidia0", ignored);
}

} // namespace

SdlDisplay::SdlDisplay(SdlWindow& window) : owner(window), pacer(SDL_GetPerformanceFrequency(), framesPerSecond)
{}

SdlDisplay::~SdlDisplay()
{
    close();
}

void SdlDisplay::windowChanged()
{
    surfaceHoldsShown = false;
}

void SdlDisplay::renderReset(bool targetsOnly)
{
    surfaceHoldsShown = false;
    if (targetsOnly)
        targetsReset = true;
    else
        deviceReset = true;
}

void SdlDisplay::toggleFullScreen()
{
    if (fullScreen) {
        if (!leaveFullScreen())
            return;
        fullScreen = false;
        if (frameWidth > 0 && frameHeight > 0)
            SDL_SetWindowSize(owner.sdlWindow(), frameWidth, frameHeight);
        // Centred on the monitor it was full screen on, not on the first one.
        const int monitor = std::max(SDL_GetWindowDisplayIndex(owner.sdlWindow()), 0);
        SDL_SetWindowPosition(owner.sdlWindow(), static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(monitor)),
                              static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(monitor)));
    } else {
        if (!enterFullScreen())
            return;
        fullScreen = true;
    }
    surfaceHoldsShown = false;
    restartPacing();
}

bool SdlDisplay::enterFullScreen()
{
    SDL_Window* window = owner.sdlWindow();
    if (windowManagerRuns(window))
        return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    // With no window manager nothing answers a request for full screen: SDL would wait a tenth
    // of a second for the answer, and the window would keep its own size on a larger screen.
    // A window without borders over the whole monitor is what full screen looks like there.
    const int monitor = std::max(SDL_GetWindowDisplayIndex(window), 0);
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(monitor, &bounds) != 0)
        return false;
    SDL_SetWindowBordered(window, SDL_FALSE);
    SDL_SetWindowPosition(window, bounds.x, bounds.y);
    SDL_SetWindowSize(window, bounds.w, bounds.h);
    coversMonitor = true;
    return true;
}

bool SdlDisplay::leaveFullScreen()
{
    if (coversMonitor) {
        SDL_SetWindowBordered(owner.sdlWindow(), SDL_TRUE);
        coversMonitor = false;
        return true;
    }
    return SDL_SetWindowFullscreen(owner.sdlWindow(), 0) == 0;
}

std::string SdlDisplay::saveScreenshot()
{
    if (lastFrame.empty())
        return {};
    return saveScreenshotAndSay("sparkler", lastFrame.data(), frameWidth, frameHeight);
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
    // Another program's window is drawn into at the size it has, and never moved or shown.
    if (!owner.isForeign()) {
        SDL_SetWindowSize(owner.sdlWindow(), width, height);
        // Full screen on the desktop's own mode: the frame is scaled, the mode never switched.
        if (fullScreen && !enterFullScreen())
            fullScreen = false;
        SDL_ShowWindow(owner.sdlWindow());
        SDL_RaiseWindow(owner.sdlWindow());
    }
    opened = true;
    if (!makeRenderer()) {
        close(); // the desktop comes back as it was
        return E_FAIL;
    }
    surfaceHoldsShown = false;
    restartPacing();
    return 0;
}

int SdlDisplay::show(const std::uint16_t* pixels, int width, int height, const ChangedBands* mayDiffer)
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
    const bool direct = drawIntoWindowSurface(pixels, mayDiffer);
    if (!direct) {
        surfaceHoldsShown = false;
        if (layout == nullptr) {
            if (SDL_UpdateTexture(texture, nullptr, pixels, width * 2) != 0)
                return fail("updating the frame texture");
        } else {
            void* target = nullptr;
            int pitch = 0;
            if (SDL_LockTexture(texture, nullptr, &target, &pitch) != 0)
                return fail("updating the frame texture");
            widenRows(pixels, static_cast<std::size_t>(frameWidth), frameWidth, frameHeight,
                      static_cast<unsigned char*>(target), pitch, *layout);
            SDL_UnlockTexture(texture);
        }
        // Where the frame fills the output (a window of its size, or a screen of its mode)
        // there are no bars, and clearing would only write every pixel twice.
        int outputWidth = 0;
        int outputHeight = 0;
        const bool fills = SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight) == 0
            && outputWidth == frameWidth && outputHeight == frameHeight;
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        if ((!fills && SDL_RenderClear(renderer) != 0) || SDL_RenderCopy(renderer, texture, nullptr, nullptr) != 0)
            return fail("drawing the frame");
    }
    if (!direct)
        SDL_RenderPresent(renderer);
    else if (!changed.empty()
             && SDL_UpdateWindowSurfaceRects(owner.sdlWindow(), changed.data(), static_cast<int>(changed.size())) != 0)
        surfaceHoldsShown = false; // shown whole next time
    lastFrame = std::span<const std::uint16_t>(pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const std::uint64_t now = SDL_GetPerformanceCounter();
    const std::uint64_t until = pacer.afterPresent(now);
    if (until > now)
        waitForCounter(until);
    return 0;
}

void SdlDisplay::close()
{
    dropRenderer();
    lastFrame = {};
    surfaceHoldsShown = false;
    if (!opened)
        return;
    opened = false;
    owner.loseFocus();
    // Another program's window is left as it is; so is our own once another program has
    // destroyed it, since SDL would wait for ever for the unmapping of a window gone.
    if (owner.isForeign() || ownWindowGone())
        return;
    if (fullScreen)
        leaveFullScreen();
    SDL_HideWindow(owner.sdlWindow());
}

bool SdlDisplay::makeRenderer()
{
    // Smooth scaling: the frame rarely fits the screen a whole number of times.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    // OpenGL drawn by the processor is the slowest path of all: SDL's own software renderer,
    // writing straight into the window's shared-memory image, beats it many times over. With
    // no graphics device at all it is not even tried, since making it remakes the window (a
    // tenth of a second or more on X before the first frame). A renderer named by the user
    // (SDL_RENDER_DRIVER) is kept as it is.
    // Another program's window gets the software renderer alone: OpenGL on a window SDL did
    // not make is unreliable.
    const bool chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr;
    if (!owner.isForeign() && (chosen || hasGraphicsDevice()))
        renderer = SDL_CreateRenderer(owner.sdlWindow(), -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer != nullptr && !chosen && isSoftwareOpenGl(renderer)) {
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
    softwareRenderer = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    if (SDL_RenderSetLogicalSize(renderer, frameWidth, frameHeight) != 0)
        fail("setting the renderer's logical size");
    else if (makeTexture())
        return true;
    dropRenderer();
    return false;
}

bool SdlDisplay::makeTexture()
{
    // A texture in the window's own 32-bit format is copied to the window as it stands; the
    // frame is widened into it in one pass. Any other window keeps an RGB565 texture and SDL
    // converts.
    const std::uint32_t windowFormat = SDL_GetWindowPixelFormat(owner.sdlWindow());
    SDL_RendererInfo info{};
    bool native = false;
    if (windowFormat != SDL_PIXELFORMAT_UNKNOWN && !SDL_ISPIXELFORMAT_FOURCC(windowFormat)
        && SDL_BYTESPERPIXEL(windowFormat) == 4 && SDL_GetRendererInfo(renderer, &info) == 0)
        for (std::uint32_t i = 0; i < info.num_texture_formats; ++i)
            native = native || info.texture_formats[i] == windowFormat;
    if (native) {
        layout = SDL_AllocFormat(windowFormat);
        if (layout != nullptr && (layout->Rloss != 0 || layout->Gloss != 0 || layout->Bloss != 0)) {
            SDL_FreeFormat(layout);
            layout = nullptr;
        }
    }
    if (layout != nullptr) {
        texture = SDL_CreateTexture(renderer, windowFormat, SDL_TEXTUREACCESS_STREAMING, frameWidth, frameHeight);
        if (texture != nullptr && SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE) == 0)
            return true;
        if (texture != nullptr)
            SDL_DestroyTexture(texture);
        SDL_FreeFormat(layout);
        layout = nullptr;
    }
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, frameWidth, frameHeight);
    if (texture == nullptr) {
        fail("creating the frame texture");
        return false;
    }
    return true;
}

bool SdlDisplay::drawIntoWindowSurface(const std::uint16_t* pixels, const ChangedBands* mayDiffer)
{
    // SDL's software renderer draws into the window's own surface, and its present only puts
    // that surface on screen. When the surface is the frame's size, the frame is widened
    // straight into it with no texture between; a smaller one has the frame shrunk into it;
    // a larger one (full screen on a larger monitor) goes through the texture, which the
    // renderer scales.
    changed.clear();
    if (!softwareRenderer || layout == nullptr)
        return false;
    SDL_Surface* surface = SDL_GetWindowSurface(owner.sdlWindow());
    if (surface == nullptr || surface->format->format != layout->format)
        return false;
    if (surface->w != frameWidth || surface->h != frameHeight) {
        // A window smaller than the frame (a preview) gets the frame shrunk straight into it;
        // a larger one is left to the renderer, which scales the texture up.
        const SDL_Rect scene = fittedScene(frameWidth, frameHeight, surface->w, surface->h);
        return scene.w > 0 && scene.w <= frameWidth && scene.h <= frameHeight
            && shrinkIntoWindowSurface(surface, pixels, scene, mayDiffer);
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
        return false;
    const std::size_t width = static_cast<std::size_t>(frameWidth);
    auto* target = static_cast<unsigned char*>(surface->pixels);
    // The surface still holds the frame shown last, and that frame is still in the caller's
    // other buffer. Where the caller says which columns of each band of rows may differ from
    // it, those are widened as they are and nothing is compared; otherwise only the spans of a
    // row that differ from it are widened. Either way only the rectangles around each band's
    // changes are put on screen.
    const std::uint16_t* before = lastFrame.data();
    const bool whole = !surfaceHoldsShown || surface != shownSurface || before == nullptr || before == pixels
        || lastFrame.size() != width * static_cast<std::size_t>(frameHeight);
    if (whole) {
        widenRows(pixels, width, frameWidth, frameHeight, target, surface->pitch, *layout);
        changed.push_back(SDL_Rect{0, 0, frameWidth, frameHeight});
    } else if (mayDiffer != nullptr && mayDiffer->frameWidth() == frameWidth && mayDiffer->frameHeight() == frameHeight) {
        widenWhereHinted(pixels, *mayDiffer, target, surface->pitch, *layout, changed);
    } else {
        widenWhereChanged(pixels, before, frameWidth, frameHeight, target, surface->pitch, *layout, changed);
    }
    // Outside what was widened the surface already holds the frame on screen, so a larger
    // rectangle shows the same picture.
    mergeUpdateRects(changed);
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    shownSurface = surface;
    surfaceHoldsShown = true;
    return true;
}

bool SdlDisplay::shrinkIntoWindowSurface(SDL_Surface* surface, const std::uint16_t* pixels, const SDL_Rect& scene,
                                         const ChangedBands* mayDiffer)
{
    // The bars are drawn whenever the surface may have lost them; of the scene, while the
    // surface holds the frame shown last, only what the new frame may change.
    const std::uint16_t* before = lastFrame.data();
    const bool whole = !surfaceHoldsShown || surface != shownSurface || before == nullptr || before == pixels;
    if (whole && SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0)) != 0)
        return false;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
        return false;
    const SDL_Rect written = shrinkInto(pixels, frameWidth, frameHeight, static_cast<unsigned char*>(surface->pixels),
                                        surface->pitch, scene, *layout, whole ? nullptr : mayDiffer);
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    if (whole)
        changed.push_back(SDL_Rect{0, 0, surface->w, surface->h});
    else if (written.w > 0)
        changed.push_back(written);
    shownSurface = surface;
    surfaceHoldsShown = true;
    return true;
}

void SdlDisplay::dropRenderer()
{
    if (texture != nullptr)
        SDL_DestroyTexture(texture);
    texture = nullptr;
    if (layout != nullptr)
        SDL_FreeFormat(layout);
    layout = nullptr;
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
