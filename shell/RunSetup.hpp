// What a run's options set up before any window opens, shared by the program on every system:
// its outputs (--record, --trace) checked and opened, so that a place that cannot work is
// refused before a session rather than found after it; and its pilot, the keys pressed at the
// first frame (--colour, --trails, --gravity) and the words to write (--write), laid out so
// that text with nothing to write is refused at once.
#pragma once

#include "session/Pilot.hpp"
#include "session/SessionLog.hpp"
#include "shell/CommandLine.hpp"

#include <string>

// Opens the standard descriptors left closed on the null device (where the system has one),
// makes interrupt and terminate (and hang-up and quit) close the window as Escape does, so the
// outputs are finished, then checks the outputs and opens the trace (SessionLog::open). False
// with one sentence in `error` when an output cannot work (exit 2): standard output closed for
// "-", one file named twice, a folder, a place that takes nothing.
bool openOutputs(const ProgramOptions& options, SessionLog& log, std::string& error);

// The keys that set the scene as the options ask. In another program's window (`foreign`) the
// help panel stays hidden: the words or the autopilot hide it at their first frame, and the
// autopilot after words leaves it so.
PilotStart pilotStart(const ProgramOptions& options, bool foreign);

// Gives `pilot` its start and its words. `piloting` says whether the run needs the pilot at
// all. False, with `error` set to one line ("--write: ..."), when the words cannot be written
// (exit 2); letters the stroke font lacks are left out with a line on stderr.
bool preparePilot(const ProgramOptions& options, bool foreign, Pilot& pilot, bool& piloting, std::string& error);
