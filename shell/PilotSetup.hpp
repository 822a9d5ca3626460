// The pilot a run's options ask for, shared by the program on every system: the keys pressed
// at the first frame (--colour, --trails, --gravity) and the words to write (--write), laid out
// before any window opens so that text with nothing to write is refused at once.
#pragma once

#include "session/Pilot.hpp"
#include "shell/CommandLine.hpp"

// The keys that set the scene as the options ask. In another program's window (`foreign`) the
// help panel stays hidden: the words or the autopilot hide it at their first frame, and the
// autopilot after words leaves it so.
PilotStart pilotStart(const ProgramOptions& options, bool foreign);

// Gives `pilot` its start and its words. `piloting` says whether the run needs the pilot at
// all. False, with the line written on stderr, when the words cannot be written (exit 2).
bool preparePilot(const ProgramOptions& options, bool foreign, Pilot& pilot, bool& piloting);
