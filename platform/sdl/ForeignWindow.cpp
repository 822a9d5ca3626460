// ForeignWindow over Xlib; see the header. The error handler replaces Xlib's, which prints a
// dump and exits at the first error: a window that went away between two frames makes the
// requests drawing into it fail (BadWindow, BadDrawable), and that is noted, not fatal.
#include "platform/sdl/ForeignWindow.hpp"

#include <SDL.h>
#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#endif

#include <cstdio>

namespace {

bool windowFailed = false;
bool ownFailed = false;

#if defined(SDL_VIDEO_DRIVER_X11)
int quietErrors(::Display*, XErrorEvent* error)
{
    if (error->error_code == BadWindow || error->error_code == BadDrawable || error->error_code == BadMatch)
        windowFailed = true;
    return 0;
}

// The program's own window, and the handler that was in place before ownWindowErrors (SDL's,
// which ends in Xlib's dump and exit).
::Display* ownDisplay = nullptr;
::Window ownWindow = 0;
XErrorHandler othersErrors = nullptr;

int ownWindowErrors(::Display* display, XErrorEvent* error)
{
    // Once the window is gone every request about it fails (SDL's position and focus queries,
    // the frame's upload, the hiding at the close): the program closes, as at the close button.
    if (ownWindow != 0 && error->resourceid == ownWindow
        && (error->error_code == BadWindow || error->error_code == BadDrawable)) {
        ownFailed = true;
        return 0;
    }
    // SDL follows the window's place on the screen by asking for its parent (the window
    // manager's frame) and translating through it. The frame may go between the two questions
    // (the window manager lets the window go at the close), and a failed query leaves SDL's
    // answer unset: a stale position, never a reason to stop.
    const bool query = error->request_code == X_QueryTree || error->request_code == X_TranslateCoords
        || error->request_code == X_GetGeometry || error->request_code == X_GetWindowAttributes;
    if (query && error->error_code == BadWindow)
        return 0;
    return othersErrors != nullptr ? othersErrors(display, error) : 0;
}

// The virtual root among the root's children, or the root itself.
::Window virtualRoot(::Display* display)
{
    const ::Window root = DefaultRootWindow(display);
    const Atom vroot = XInternAtom(display, "__SWM_VROOT", True);
    if (vroot == None)
        return root;
    ::Window parent = 0;
    ::Window ignored = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    ::Window found = root;
    if (XQueryTree(display, root, &ignored, &parent, &children, &count) == 0)
        return root;
    for (unsigned int i = 0; i < count && found == root; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* value = nullptr;
        if (XGetWindowProperty(display, children[i], vroot, 0, 1, False, XA_WINDOW, &type, &format, &items, &after,
                               &value)
                == Success
            && value != nullptr && items == 1 && format == 32)
            found = *reinterpret_cast<::Window*>(value);
        if (value != nullptr)
            XFree(value);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}
#endif

} // namespace

#if defined(SDL_VIDEO_DRIVER_X11)
std::uint64_t findRootWindow(std::string& error)
{
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        error = "--root: no X display could be opened (is DISPLAY set?)";
        return 0;
    }
    const XErrorHandler before = XSetErrorHandler(quietErrors);
    const ::Window found = virtualRoot(display);
    XSync(display, False);
    XSetErrorHandler(before);
    XCloseDisplay(display);
    return found;
}

bool foreignWindowExists(std::uint64_t id, std::string& error)
{
    char name[32];
    std::snprintf(name, sizeof name, "0x%llx", static_cast<unsigned long long>(id));
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        error = std::string("the window ") + name + " cannot be reached: no X display could be opened (is DISPLAY set?)";
        return false;
    }
    const XErrorHandler before = XSetErrorHandler(quietErrors);
    windowFailed = false;
    XWindowAttributes attributes{};
    const bool exists = XGetWindowAttributes(display, static_cast<::Window>(id), &attributes) != 0 && !windowFailed;
    XSync(display, False);
    windowFailed = false;
    XSetErrorHandler(before);
    XCloseDisplay(display);
    if (!exists)
        error = std::string("there is no window ") + name + " on this display";
    return exists;
}

std::uint64_t watchWindowChanges(SDL_Window* window, bool foreign, bool* viewable)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return 0;
    ::Display* display = info.info.x11.display;
    if (foreign) {
        XSetErrorHandler(quietErrors);
    } else {
        // A window made earlier in the process and destroyed since (its last query failed)
        // says nothing about this one.
        ownDisplay = display;
        ownWindow = info.info.x11.window;
        ownFailed = false;
        const XErrorHandler before = XSetErrorHandler(ownWindowErrors);
        if (before != ownWindowErrors)
            othersErrors = before;
    }
    XWindowAttributes attributes{};
    long mask = 0;
    if (XGetWindowAttributes(display, info.info.x11.window, &attributes) != 0)
        mask = attributes.your_event_mask;
    // Only this program's own selection on the window changes; SDL's, and a foreign window's
    // owner's, stay as they are.
    XSelectInput(display, info.info.x11.window, mask | StructureNotifyMask | VisibilityChangeMask | ExposureMask);
    if (viewable != nullptr)
        *viewable = XGetWindowAttributes(display, info.info.x11.window, &attributes) != 0
                 && attributes.map_state == IsViewable;
    XFlush(display);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    return info.info.x11.window;
}

ForeignChange readForeignChange(const SDL_Event& event, std::uint64_t id)
{
    if (event.type != SDL_SYSWMEVENT || event.syswm.msg == nullptr || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return ForeignChange::Nothing;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.xany.window != static_cast<::Window>(id))
        return ForeignChange::Nothing;
    switch (x.type) {
    case DestroyNotify:
        return x.xdestroywindow.window == static_cast<::Window>(id) ? ForeignChange::Destroyed : ForeignChange::Nothing;
    case UnmapNotify:
        return ForeignChange::Unmapped;
    case MapNotify:
        return ForeignChange::Mapped;
    case VisibilityNotify:
        return x.xvisibility.state == VisibilityFullyObscured ? ForeignChange::Covered : ForeignChange::Uncovered;
    default:
        return ForeignChange::Nothing;
    }
}
#else
std::uint64_t findRootWindow(std::string& error)
{
    error = "--root: drawing into another window needs X11";
    return 0;
}

bool foreignWindowExists(std::uint64_t, std::string& error)
{
    error = "drawing into another window needs X11";
    return false;
}

std::uint64_t watchWindowChanges(SDL_Window*, bool, bool*)
{
    return 0;
}

ForeignChange readForeignChange(const SDL_Event&, std::uint64_t)
{
    return ForeignChange::Nothing;
}
#endif

bool foreignWindowFailed()
{
    return windowFailed;
}

bool ownWindowFailed()
{
    return ownFailed;
}

bool ownWindowGone()
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (ownDisplay == nullptr || ownWindow == 0)
        return false;
    XWindowAttributes attributes{};
    XGetWindowAttributes(ownDisplay, ownWindow, &attributes);
    XSync(ownDisplay, False);
    if (!ownFailed)
        return false;
    // SDL, hiding or destroying a window it believes mapped, waits for the server's word that
    // it was unmapped, which never comes for a window gone (destroyed unmapped, or with its
    // parent): that word is put at the head of the queue for it to find.
    XEvent unmapped{};
    unmapped.xunmap.type = UnmapNotify;
    unmapped.xunmap.display = ownDisplay;
    unmapped.xunmap.event = ownWindow;
    unmapped.xunmap.window = ownWindow;
    XPutBackEvent(ownDisplay, &unmapped);
    return true;
#else
    return false;
#endif
}
