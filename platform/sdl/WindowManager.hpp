// Whether a window manager runs on the desktop of an SDL window. Kept apart from the rest of
// the SDL backend because the X headers it needs define names of their own (Display, Window)
// that the program's own interfaces use too.
#pragma once

struct SDL_Window;

// False only when the window is on X and no window manager has announced itself there (no
// _NET_SUPPORTING_WM_CHECK on the root window); true on any other video system, and when it
// cannot be told.
bool windowManagerRuns(SDL_Window* window);
