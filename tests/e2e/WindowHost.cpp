// A helper program for the end-to-end tests: an X client of its own that makes one plain
// window, WIDTHxHEIGHT at the screen's top left, filled with pure green, maps it and prints its
// id in hex on stdout; then it answers Expose and waits until its connection is closed (the
// test kills the client with xdotool windowkill, which destroys the window) or it is
// terminated. With --vroot it also marks the window as a virtual root (__SWM_VROOT on itself),
// as a screensaver daemon does; with --desktop it asks the window manager for a desktop
// background window (_NET_WM_WINDOW_TYPE_DESKTOP), as a live-wallpaper wrapper does.
// Exit 2 on bad arguments or no display.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: sparkler_window_host WIDTH HEIGHT [--vroot] [--desktop]\n");
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    bool vroot = false;
    bool desktop = false;
    for (int i = 3; i < argc; ++i) {
        vroot = vroot || std::strcmp(argv[i], "--vroot") == 0;
        desktop = desktop || std::strcmp(argv[i], "--desktop") == 0;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || width <= 0 || height <= 0)
        return 2;
    const int screen = DefaultScreen(display);
    const unsigned long green = 0x00ff00;
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                              static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, green);
    XStoreName(display, window, "sparkler test host");
    if (vroot) {
        const Atom property = XInternAtom(display, "__SWM_VROOT", False);
        XChangeProperty(display, window, property, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&window), 1);
    }
    if (desktop) {
        const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
        const Atom desktopType = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
        XChangeProperty(display, window, type, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&desktopType), 1);
    }
    XSelectInput(display, window, ExposureMask);
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("0x%lx\n", window);
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event); // Xlib exits the process when the connection is killed
    }
}
