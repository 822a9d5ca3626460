// The program's command line: --help, --version, --window, --display N, --record and --trace,
// --autopilot and --write TEXT, --window-id ID, --root and --sound, --colour N, --trails and
// --gravity N,
// read with CLI11 before anything is opened. Help and version go to `out`; a command line that
// cannot be read is one line on `err` and exit code 2. Without arguments the program runs as it always
// has: full screen on the monitor the desktop puts its window on.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

struct ProgramOptions {
    bool window = false; // start in a 1024x768 window instead of full screen
    int display = -1; // the monitor to open on, from 0; -1 leaves it to the desktop
    std::string recordPath; // the session as a replay script, when not empty
    std::string tracePath; // one JSON object per frame ("-" for standard output), when not empty
    bool autopilot = false; // the sparkler moves by itself until the mouse or a key takes over
    std::string writeText; // words the sparkler writes in the air first, when not empty
    // Another program's X window to draw into (a screensaver's or a wallpaper's), 0 for none;
    // from --window-id, or XSCREENSAVER_WINDOW when no other window option is given.
    std::uint64_t windowId = 0;
    bool root = false; // draw on the root window, or the virtual root over it
    bool sound = false; // sound in another program's window, which is silent otherwise
    // Set from the start by pressing their keys: colour key 1-8 (0 leaves it), trails, and
    // gravity steps (Page Up for each step above 0, Page Down for each below).
    int colour = 0;
    bool trails = false;
    int gravity = 0;
};

// Reads a window id as X tools print it: hex with 0x, or decimal; nothing for anything else.
std::optional<std::uint64_t> parseWindowId(const std::string& text);

// Fills `options` from the arguments. Nothing when the program should go on; otherwise the
// exit code, once the help, the version or the error has been written.
std::optional<int> parseCommandLine(int argc, const char* const* argv, ProgramOptions& options, std::ostream& out,
                                    std::ostream& err);

// The one line for a monitor that is not there, e.g. "--display 2: there is no monitor 2;
// this desktop has 1 (numbered from 0)".
std::string missingMonitorMessage(int display, int monitors);
