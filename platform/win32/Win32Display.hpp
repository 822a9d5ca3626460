// Win32Display: the display side of the Windows window. Each RGB565 frame goes to the window
// with GDI's StretchDIBits (a 16-bit DIB with the 5-6-5 bit fields), scaled to the window with
// its aspect kept and black bars around it, at most 60 frames a second: a frame that comes
// early sleeps until its turn. It saves the frame on screen for PrintScreen. It lives inside
// its Win32Window, whose window it draws into.
#pragma once

#include "platform/Display.hpp"

#include <cstdint>
#include <span>
#include <string>

class Win32Window;

class Win32Display : public Display {
public:
    explicit Win32Display(Win32Window& window) : owner(window) {}

    // Only 16 bits per pixel. Shows the window full screen over its monitor, or as a window if
    // the program was started so.
    int open(int width, int height, int bitsPerPixel) override;
    int show(const std::uint16_t* pixels, int width, int height, const ChangedBands* mayDiffer) override;
    void close() override;
    const char* lastError() const override { return error.c_str(); }
    std::span<const std::uint16_t> shownFrame() const override { return lastFrame; }

    // The window's size or contents changed: the bars are painted again with the next frame.
    void windowChanged() { barsPainted = false; }
    // Draws the last frame again (after the window was uncovered).
    void repaint();
    // Writes the frame on screen as a PNG (see ScreenshotFile.hpp) and names it on stderr;
    // the file name, or empty when nothing has been shown or writing failed.
    std::string saveScreenshot();
    bool isOpen() const { return opened; }

private:
    void draw(const std::uint16_t* pixels);
    void pace();

    Win32Window& owner;
    int frameWidth = 0;
    int frameHeight = 0;
    bool opened = false;
    bool barsPainted = false;
    std::span<const std::uint16_t> lastFrame;
    std::string error;
    // The frame grid: the counter's reading at which the next frame is due.
    long long counterFrequency = 0;
    long long nextDue = 0;
};
