// Asks the X server whether a window manager runs; see the header.
#include "platform/sdl/WindowManager.hpp"

#include <SDL.h>
#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

bool windowManagerRuns(SDL_Window* window)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return true;
    ::Display* display = info.info.x11.display;
    // A window manager that follows the desktop conventions names its own check window in
    // this property of the root window; the atom does not even exist before one has.
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* value = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
                           &items, &after, &value)
        != Success)
        return true;
    const bool announced = value != nullptr && items == 1;
    if (value != nullptr)
        XFree(value);
    return announced;
#else
    (void)window;
    return true;
#endif
}
