// ProcessGuards: the registry of temporaries, shared by the signal handlers of each system
// (platform/posix/ProcessSignals.cpp, platform/win32/ProcessSignals.cpp); see the header. Its
// slots are lock-free atomics, so that a handler may read them at any moment.
#include "platform/ProcessGuards.hpp"

#include <atomic>

namespace {

std::atomic<const char*> temporaries[kTemporarySlots];

} // namespace

bool registerTemporary(const char* path)
{
    for (std::atomic<const char*>& slot : temporaries) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, path))
            return true;
    }
    return false;
}

void forgetTemporary(const char* path)
{
    for (std::atomic<const char*>& slot : temporaries) {
        const char* expected = path;
        if (slot.compare_exchange_strong(expected, nullptr))
            return;
    }
}

const char* registeredTemporary(int slot)
{
    return temporaries[slot].load();
}
