// Reads row 0 of the screen straight from the X server, fast enough to see every frame; the
// frame-rate test times the help panel's slide with it. Built only where Xlib is found.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

namespace e2e {

// Reads row 0 of the screen straight from the X server, fast enough to see every frame.
class TopRowReader {
public:
    explicit TopRowReader(const std::string& name) : display(XOpenDisplay(name.c_str())) {}
    ~TopRowReader()
    {
        if (display != nullptr)
            XCloseDisplay(display);
    }
    TopRowReader(const TopRowReader&) = delete;
    TopRowReader& operator=(const TopRowReader&) = delete;

    bool open() const { return display != nullptr; }

    // Light frame-line pixels among the first 158 of row 0: 157 - |slide| while the panel
    // slides (the panel's own column 0 at row 0 is its dark corner), 0 once it is out.
    int panelLinePixels()
    {
        XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, panelWidth, 1, AllPlanes, ZPixmap);
        if (image == nullptr)
            return -1;
        int count = 0;
        for (int x = 0; x < panelWidth; ++x) {
            const unsigned long pixel = XGetPixel(image, x, 0);
            const Rgb p{static_cast<int>(channel(pixel, image->red_mask)),
                        static_cast<int>(channel(pixel, image->green_mask)),
                        static_cast<int>(channel(pixel, image->blue_mask))};
            if (isPanelLine(p))
                ++count;
        }
        XDestroyImage(image);
        return count;
    }

private:
    static unsigned long channel(unsigned long pixel, unsigned long mask)
    {
        if (mask == 0)
            return 0;
        int shift = 0;
        while (((mask >> shift) & 1u) == 0)
            ++shift;
        const unsigned long value = (pixel & mask) >> shift;
        const unsigned long top = mask >> shift;
        return value * 255 / top;
    }

    Display* display;
};

} // namespace e2e
