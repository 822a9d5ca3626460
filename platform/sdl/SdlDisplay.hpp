// SdlDisplay: the display side of the SDL window. It shows RGB565 frames full screen on the
// desktop's own mode (or in a window after Alt+Enter), scaled with the aspect kept, at most 60
// a second; it remakes the renderer after a device reset and saves the frame on screen for
// PrintScreen. It lives inside its SdlWindow, whose SDL window it draws into.
#pragma once

#include "platform/Display.hpp"
#include "platform/ResultCodes.hpp"
#include "platform/sdl/FramePacer.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct SDL_PixelFormat;
struct SDL_Rect;
struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Texture;
class SdlWindow;

class SdlDisplay : public Display {
public:
    explicit SdlDisplay(SdlWindow& window);
    ~SdlDisplay() override;
    SdlDisplay(const SdlDisplay&) = delete;
    SdlDisplay& operator=(const SdlDisplay&) = delete;

    // Only 16 bits per pixel. Shows the window full screen (or as a window if the program was
    // started so, or the user has chosen that with Alt+Enter) and makes the renderer and the
    // frame texture.
    int open(int width, int height, int bitsPerPixel) override;
    // Shows the frame and waits for its turn; DDERR_SURFACELOST once after a renderer reset.
    int show(const std::uint16_t* pixels, int width, int height, const ChangedBands* mayDiffer) override;
    // Gives the screen back: drops the renderer, leaves full screen, hides the window.
    void close() override;
    // Why the last open or show failed, from SDL; empty when nothing failed.
    const char* lastError() const override { return error.c_str(); }
    const std::string& displayError() const { return error; }

    // Whether open starts in a window of the frame's size instead of full screen.
    void startWindowed(bool windowed) { fullScreen = !windowed; }
    // Alt+Enter: between full screen and a window of the frame's size.
    void toggleFullScreen();
    // The renderer's textures (targetsOnly) or the whole renderer went away; the next show
    // makes them again.
    void renderReset(bool targetsOnly);
    // The window was exposed, shown or resized: its contents must be drawn whole again.
    void windowChanged();
    // Writes the frame on screen as sparkler-YYYYMMDD-HHMMSS.png in the working directory;
    // the file name, or empty when nothing has been shown or writing failed.
    std::string saveScreenshot();

    // The frame last shown is the caller's own
    // buffer, which stays as it was shown until the next show (the screen device draws the next
    // frame into its other buffer), so nothing is copied for the screenshot key or the trace.
    std::span<const std::uint16_t> shownFrame() const override { return lastFrame; }
    bool isFullScreen() const { return fullScreen; }

private:
    bool makeRenderer();
    bool makeTexture();
    bool drawIntoWindowSurface(const std::uint16_t* pixels, const ChangedBands* mayDiffer);
    bool shrinkIntoWindowSurface(SDL_Surface* surface, const std::uint16_t* pixels, const SDL_Rect& scene,
                                 const ChangedBands* mayDiffer);
    // Full screen on the desktop's mode, or where no window manager runs, a borderless window
    // over the whole monitor. False when it could not be had.
    bool enterFullScreen();
    bool leaveFullScreen();
    void dropRenderer();
    void restartPacing();
    int fail(const char* step);

    SdlWindow& owner;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool fullScreen = true;
    // Full screen is a borderless window over the monitor (no window manager runs).
    bool coversMonitor = false;
    bool opened = false;
    bool targetsReset = false;
    bool deviceReset = false;
    bool vsync = false;
    int frameWidth = 0;
    int frameHeight = 0;
    bool softwareRenderer = false;
    // Whether the window's surface holds the frame shown last (drawn straight into it, and
    // not since exposed, resized or remade), so that only what changed need be drawn.
    bool surfaceHoldsShown = false;
    const SDL_Surface* shownSurface = nullptr;
    std::vector<SDL_Rect> changed; // the surface's rectangles drawn this frame
    // The window's own 32-bit format, that frames are widened into; null when the texture is
    // RGB565 and SDL converts.
    SDL_PixelFormat* layout = nullptr;
    std::span<const std::uint16_t> lastFrame;
    std::string error;
    FramePacer pacer;
};
