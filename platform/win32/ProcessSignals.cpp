// ProcessSignals: the signal handlers on Windows, where the C runtime knows interrupt (Ctrl+C)
// and terminate only, and a closed standard descriptor stays closed; see
// platform/ProcessGuards.hpp.
#include "platform/ProcessGuards.hpp"

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t closeRequested = 0;

void removeAndEnd(int signal)
{
    for (int slot = 0; slot < kTemporarySlots; ++slot) {
        if (const char* path = registeredTemporary(slot))
            std::remove(path);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void setFlag(int)
{
    closeRequested = 1;
}

} // namespace

ClosedStandardDescriptors openClosedStandardDescriptors()
{
    return {};
}

void removeTemporariesOnSignals()
{
    std::signal(SIGINT, removeAndEnd);
    std::signal(SIGTERM, removeAndEnd);
}

void requestCloseOnSignals()
{
    std::signal(SIGINT, setFlag);
    std::signal(SIGTERM, setFlag);
}

bool closeRequestedBySignal()
{
    return closeRequested != 0;
}
