// The command line Windows gives a screensaver, the program renamed sparkler.scr: /s runs it
// full screen, /p HWND draws it in the settings dialog's preview window, /c shows its settings
// (also /S, -s, /p:HWND and /c:HWND; a .scr started with no arguments shows its settings, as
// the desktop's "Configure" does). Read before the program's own options; a command line that
// is not a screensaver's is left to them.
#pragma once

#include <cstdint>
#include <string>

enum class SaverMode { None, Show, Preview, Settings };

struct SaverCommand {
    SaverMode mode = SaverMode::None;
    std::uint64_t window = 0; // the preview's window, or the settings' owner (0: none)
    std::string error; // one line when the switch is a screensaver's but cannot be used
};

SaverCommand readSaverCommand(int argc, const char* const* argv);
