// SdlWindow: the main window and the display in one, since under SDL the display is a window.
// As a Window it keeps its own message queue, filled from SDL's events at every peek; Alt+Enter
// (full screen or a window) and PrintScreen (a PNG of the frame on screen) are handled here and
// never reach the program. As a Display it shows RGB565 frames full screen on the desktop's own
// mode, scaled with the aspect kept, at most 60 a second. One instance per process.
#pragma once

#include "platform/Display.hpp"
#include "platform/SdlClock.hpp"
#include "platform/SdlMouse.hpp"
#include "platform/Window.hpp"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

class SdlWindow : public Window, public Display {
public:
    // Results of the display side besides 0.
    static constexpr int SurfaceLost = static_cast<int>(0x887601C2u);  // the renderer was reset
    static constexpr int NotOpen = static_cast<int>(0x80004003u);      // no open display
    static constexpr int InvalidArgument = static_cast<int>(0x80070057u);
    static constexpr int Failed = static_cast<int>(0x80004005u);       // SDL refused a step

    // Starts SDL's video and makes the window, hidden, with the given title. Null when that
    // fails, with error set to one sentence that includes SDL's reason.
    static std::unique_ptr<SdlWindow> create(const char* title, WindowProcedure procedure, std::string& error);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // Window. Messages come out in this order: those posted (and close requests), then the
    // quit message once nothing is posted, then key-downs, then a paint request. Messages of
    // the window (not the quit message) are dropped once it has been destroyed.
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

    // Display. Only 16 bits per pixel. Shows the window full screen (or as a window if the
    // user has chosen that with Alt+Enter) and makes the renderer and the frame texture.
    int open(int width, int height, int bitsPerPixel) override;
    // Shows the frame and waits for its turn; SurfaceLost once after the renderer was reset.
    int show(const std::uint16_t* pixels, int width, int height) override;
    // Gives the screen back: drops the renderer, leaves full screen, hides the window.
    void close() override;

    Mouse* mouse() { return &mouseDevice; }
    // Why the last open or show failed, from SDL; empty when nothing failed.
    const std::string& displayError() const { return error; }
    const char* lastError() const override { return error.c_str(); }
    // The frame last shown, top row first; empty before the first show.
    const std::vector<std::uint16_t>& shownFrame() const { return lastFrame; }
    bool isFullScreen() const { return fullScreen; }
    bool isDestroyed() const { return destroyed; }
    // Writes the frame on screen as sparkler-YYYYMMDD-HHMMSS.png in the working directory;
    // the file name, or empty when nothing has been shown or writing failed.
    std::string saveScreenshot();

private:
    SdlWindow(SDL_Window* window, WindowProcedure procedure);

    void pumpEvents();
    void translate(const SDL_Event& event);
    void translateKey(const SDL_Event& event);
    void focusChanged(bool focused);
    void toggleFullScreen();
    bool makeRenderer();
    bool makeTexture();
    void dropRenderer();
    void restartPacing();
    int fail(const char* step);

    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    WindowProcedure procedure = nullptr;
    SdlMouse mouseDevice{true};

    std::deque<Message> posted;
    std::deque<Message> input;
    bool quitPending = false;
    std::uintptr_t quitCode = 0;
    bool paintPending = false;

    bool focus = false;
    bool destroyed = false;
    bool fullScreen = true;
    bool opened = false;
    bool targetsReset = false;
    bool deviceReset = false;
    bool vsync = false;
    int frameWidth = 0;
    int frameHeight = 0;
    std::vector<std::uint16_t> lastFrame;
    std::string error;
    FramePacer pacer;
};
