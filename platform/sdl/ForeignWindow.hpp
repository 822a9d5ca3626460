// ForeignWindow: the X side of drawing into a window another program owns (a screensaver's
// window, a wallpaper wrapper's, or the root window). It finds the window to draw in, checks
// that it exists, asks the X server for its map, visibility and destruction events on SDL's
// own connection, and keeps X errors about the window (gone between two frames), or about the
// program's own window gone, from ending the program. The same events tell the program whether its own window can be seen (minimised
// or covered), so that neither kind of window costs frames while hidden. X11 only: elsewhere
// every call says there is no such window.
#pragma once

#include <cstdint>
#include <string>

struct SDL_Window;
union SDL_Event;

// The root window of the default screen, or the virtual root a screensaver daemon or desktop
// put over it (a child of the root carrying __SWM_VROOT). 0 with error set without a display.
std::uint64_t findRootWindow(std::string& error);

// Whether the window exists on the display; false with error set to one sentence otherwise.
bool foreignWindowExists(std::uint64_t id, std::string& error);

// What became of a watched window, read from one of SDL's window-system events.
enum class ForeignChange { Nothing, Destroyed, Unmapped, Mapped, Covered, Uncovered };

// Selects the events above (and size changes, which SDL follows itself) for an SDL window and
// turns on SDL's window-system events that carry them; the window's X id, or 0 when it is not
// on X. For a window made from a foreign one (`foreign`) it also installs the quiet X error
// handler. For the program's own window it installs one that notes the errors of requests
// about that window once it is gone (destroyed by another program, or at a close that crossed
// the window manager's work) and hands every other error to the handler before it. `viewable`,
// when given, says whether the window is on screen, read after the selection: a window mapped
// a moment before (as a wrapper maps one and starts the program at once) is seen then, and any
// later change comes as events.
std::uint64_t watchWindowChanges(SDL_Window* window, bool foreign, bool* viewable = nullptr);
ForeignChange readForeignChange(const SDL_Event& event, std::uint64_t id);
// Whether an X request failed because the foreign window was gone.
bool foreignWindowFailed();
// Whether an X request failed because the program's own window was gone.
bool ownWindowFailed();
// Asks the X server whether the program's own window is still there, after the errors of every
// request made before have come in (to the handler above). When it is gone, an unmapping of it
// is queued for SDL, whose hiding (also at its destruction) would otherwise wait for one for
// ever. False off X.
bool ownWindowGone();
