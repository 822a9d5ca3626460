// The program's command line through CLI11; see the header. CLI11's own error report is two
// lines and its own exit codes; here every error is one line and exit code 2, so scripts and
// desktop launchers see one kind of failure.
#include "shell/CommandLine.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
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
    return std::nullopt;
}

std::string missingMonitorMessage(int display, int monitors)
{
    return "--display " + std::to_string(display) + ": there is no monitor " + std::to_string(display)
        + "; this desktop has " + std::to_string(monitors) + " (numbered from 0)";
}
