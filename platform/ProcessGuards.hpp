// ProcessGuards: what a program sets up before it opens anything. Standard descriptors the
// caller left closed are opened on /dev/null, so that no file or display connection opened
// later takes their number and gets the program's messages (where the system has that). Temporary files are kept in a
// registry that a terminating signal empties (unlinking each) before the process dies of that
// signal; the file size limit's signal is ignored, so that a write past the limit fails with
// its reason instead of killing the process. One registry per process, at most 64 files in it.
#pragma once

struct ClosedStandardDescriptors {
    bool input = false;
    bool output = false;
    bool error = false;
};

// Opens every closed descriptor of 0, 1 and 2 on /dev/null; which of them were closed.
ClosedStandardDescriptors openClosedStandardDescriptors();

// A temporary that a terminating signal removes. The text must stay in place (unchanged)
// until it is forgotten again; false when the registry is full.
bool registerTemporary(const char* path);
void forgetTemporary(const char* path);
// For the signal handlers: the temporary in one slot of the registry, or null.
constexpr int kTemporarySlots = 64;
const char* registeredTemporary(int slot);

// Interrupt, terminate, hang-up, quit and broken pipe (those not ignored when the program
// started) remove the registered temporaries, then end the process as the signal would.
// The file size limit's signal is ignored from then on.
void removeTemporariesOnSignals();

// For a program that ends itself in order: interrupt, terminate, hang-up and quit only set a
// flag (closeRequestedBySignal) that its loop reads; a second such signal removes the
// temporaries and ends it at once. The file size limit's and the broken pipe's signals are
// ignored from then on (a write past the limit, or to a pipe nobody reads, fails instead).
void requestCloseOnSignals();
bool closeRequestedBySignal();
