// ForeignWindow: the X side of drawing into a window another program owns (a screensaver's
// window, a wallpaper wrapper's, or the root window). It finds the window to draw in, checks
// that it exists, asks the X server for its map, visibility and destruction events on SDL's
// own connection, and keeps X errors about the window (gone between two frames) from ending
// the program. X11 only: elsewhere every call says there is no such window.
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

// What became of the foreign window, read from one of SDL's window-system events.
enum class ForeignChange { Nothing, Destroyed, Unmapped, Mapped, Covered, Uncovered };

// Selects the events above (and size changes, which SDL follows itself) for the SDL window made
// from a foreign one, turns on SDL's window-system events that carry them, and installs the
// quiet X error handler. False when the window is not on X.
bool watchForeignWindow(SDL_Window* window);
ForeignChange readForeignChange(const SDL_Event& event, std::uint64_t id);
// Whether an X request failed because the foreign window was gone.
bool foreignWindowFailed();
