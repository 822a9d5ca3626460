// The outputs and the pilot a run's options ask for; see the header.
#include "shell/RunSetup.hpp"

#include "platform/ProcessGuards.hpp"
#include "platform/VirtualKeys.hpp"

#include <cstdio>

bool openOutputs(const ProgramOptions& options, SessionLog& log, std::string& error)
{
    // Before anything opens a file or a connection: a closed standard descriptor would hand its
    // number to it, and the program's messages (or its trace) would go there.
    const ClosedStandardDescriptors closed = openClosedStandardDescriptors();
    // A reader that goes away is a failed write, not the end of the program.
    requestCloseOnSignals();
    if (closed.output && (options.tracePath == "-" || options.recordPath == "-")) {
        error = std::string(options.tracePath == "-" ? "--trace" : "--record") + " -: standard output is closed";
        return false;
    }
    return log.open(options.recordPath, options.tracePath, nullptr, error);
}

PilotStart pilotStart(const ProgramOptions& options, bool foreign)
{
    PilotStart start;
    start.helpHidden = foreign && !options.writeText.empty();
    if (options.colour > 0) {
        start.keys.push_back(static_cast<std::uintptr_t>('0' + options.colour));
        start.keepColour = true;
    }
    if (options.trails) {
        start.keys.push_back('C');
        start.keepTrails = true;
    }
    for (int step = 0; step < (options.gravity < 0 ? -options.gravity : options.gravity); ++step)
        start.keys.push_back(options.gravity > 0 ? VK_PRIOR : VK_NEXT);
    start.keepGravity = options.gravity != 0;
    return start;
}

bool preparePilot(const ProgramOptions& options, bool foreign, Pilot& pilot, bool& piloting, std::string& error)
{
    const PilotStart start = pilotStart(options, foreign);
    piloting = options.autopilot || !options.writeText.empty() || !start.keys.empty();
    pilot.startWith(start);
    if (options.writeText.empty())
        return true;
    std::string skipped;
    if (!pilot.write(options.writeText, skipped, error)) {
        error = "--write: " + error;
        return false;
    }
    if (!skipped.empty())
        std::fprintf(stderr, "sparkler: --write: the stroke font has no %s; left out\n", skipped.c_str());
    return true;
}
