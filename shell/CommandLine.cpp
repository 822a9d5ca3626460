// The program's command line through CLI11; see the header. CLI11's own error report is two
// lines and its own exit codes; here every error is one line and exit code 2, so scripts and
// desktop launchers see one kind of failure.
#include "shell/CommandLine.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>

namespace {

constexpr const char* kKeys = R"(Keys while it runs:
  mouse                 carry the sparkler, its smoke and its crackle
  H                     help panel out and in
  S / K                 smoke / sparkler on and off
  Page Up / Page Down   stronger / weaker gravity
  B                     background on and off
  1                     colour cycling; 2 to 7 one colour; 8 random colours
  C                     trails (no clearing)
  R                     swap the crackle's left and right
  Alt+Enter             full screen or a window
  PrintScreen           save sparkler-DATE-TIME.png in the working directory
  Escape or F12         quit)";

} // namespace

std::optional<int> parseCommandLine(int argc, const char* const* argv, ProgramOptions& options, std::ostream& out,
                                    std::ostream& err)
{
    CLI::App cli{"A hand-held sparkler with smoke, carried by the mouse over a night lake."};
    cli.name("sparkler");
    cli.set_version_flag("--version", std::string("sparkler ") + SPARKLER_VERSION, "Print the version and exit");
    cli.add_flag("--window", options.window, "Start in a 1024x768 window instead of full screen (Alt+Enter switches)");
    cli.add_option("--display", options.display,
                   "Open on monitor N, counted from 0 as xrandr --listmonitors lists them "
                   "(default: where the desktop puts the window)")
        ->type_name("N")
        ->check(CLI::Validator(
            [](std::string& text) {
                const bool digits = !text.empty() && text.size() <= 4
                    && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
                return digits ? std::string() : "expects a monitor number counted from 0, not \"" + text + "\"";
            },
            ""));
    cli.add_option("--record", options.recordPath, "Write the session as a script that sparkler-replay runs again")
        ->type_name("FILE");
    cli.add_option("--trace", options.tracePath,
                   "Write one JSON object per frame, as sparkler-replay does ('-' for standard output)")
        ->type_name("FILE");
    cli.add_flag("--autopilot", options.autopilot,
                 "The sparkler moves by itself, as a hand would, until the mouse or a key takes over");
    cli.add_option("--write", options.writeText,
                   "Write TEXT in the air in lines of light first (\\n breaks a line); then the mouse, "
                   "or the autopilot, goes on")
        ->type_name("TEXT");
    std::string windowId;
    CLI::Option* idOption
        = cli.add_option("--window-id", windowId,
                         "Draw into the X window ID (hex with 0x, or decimal) of another program, as a "
                         "screensaver or a wallpaper does; the autopilot flies, silent unless --sound")
              ->type_name("ID")
              ->check(CLI::Validator(
                  [](std::string& text) {
                      return parseWindowId(text) ? std::string()
                                                 : "expects an X window id (0x1a00004 or 27262980), not \"" + text + "\"";
                  },
                  ""));
    CLI::Option* rootOption = cli.add_flag(
        "--root", options.root, "Draw on the root window (or the virtual root a screensaver daemon puts over it)");
    cli.add_flag("--sound", options.sound, "Sound in another program's window (--window-id, --root) too");
    cli.add_option("--colour", options.colour,
                   "Start with the colour key N pressed: 1 colour cycling, 2 to 7 one colour, 8 random colours")
        ->type_name("N")
        ->check(CLI::Range(1, 8));
    cli.add_flag("--trails", options.trails, "Start with trails (no clearing), as the C key does");
    cli.add_option("--gravity", options.gravity,
                   "Start with gravity N steps stronger (Page Up) or, below 0, weaker (Page Down), from -9 to 9")
        ->type_name("N")
        ->check(CLI::Range(-9, 9));
    idOption->excludes("--window");
    idOption->excludes("--display");
    rootOption->excludes("--window");
    rootOption->excludes("--display");
    cli.footer(kKeys);
    try {
        cli.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return cli.exit(done, out, err); // --help or --version
    } catch (const CLI::ParseError& e) {
        std::string reason = e.what();
        for (char& c : reason)
            if (c == '\n')
                c = ' ';
        err << "sparkler: " << reason << " (see sparkler --help)\n";
        return 2;
    }
    if (!windowId.empty())
        options.windowId = *parseWindowId(windowId);
    // A screensaver daemon hands its window over in the environment: it is the root the daemon
    // means with --root, and the window when no option names one. --window-id comes first (a
    // settings dialog's preview appends it to the command that has --root).
    const char* handed = std::getenv("XSCREENSAVER_WINDOW");
    if (options.windowId == 0 && !options.window && options.display < 0 && handed != nullptr
        && *handed != '\0') {
        const std::optional<std::uint64_t> id = parseWindowId(handed);
        if (!id) {
            err << "sparkler: XSCREENSAVER_WINDOW is not an X window id: \"" << handed << "\"\n";
            return 2;
        }
        options.windowId = *id;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> parseWindowId(const std::string& text)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::size_t first = hex ? 2 : 0;
    if (text.size() <= first || text.size() - first > (hex ? 8 : 10))
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    }
    // X resource ids are 29 bits, and 0 is no window.
    if (value == 0 || value >= (std::uint64_t{1} << 29))
        return std::nullopt;
    return value;
}

std::string missingMonitorMessage(int display, int monitors)
{
    return "--display " + std::to_string(display) + ": there is no monitor " + std::to_string(display)
        + "; this desktop has " + std::to_string(monitors) + " (numbered from 0)";
}
