// Fuzz target: the replay script reader. Any text must give either a script whose events keep
// the reader's own limits or one error line naming the input, and never a crash or a report.
#include "session/ReplayScript.hpp"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ReplayScript script;
    std::string error;
    if (!script.parse(text, "fuzz", error)) {
        // A refusal is one line that names the input.
        if (error.rfind("fuzz:", 0) != 0 || error.find('\n') != std::string::npos)
            __builtin_trap();
        return 0;
    }
    for (const auto& [frame, codes] : script.keys) {
        if (frame < 0)
            __builtin_trap();
        for (std::uintptr_t code : codes) {
            if (code < 1 || code > 255)
                __builtin_trap();
        }
    }
    for (const auto& [frame, motion] : script.motion) {
        if (frame < 0 || motion.dx < INT32_MIN || motion.dx > INT32_MAX || motion.dy < INT32_MIN || motion.dy > INT32_MAX)
            __builtin_trap();
    }
    for (const auto& entry : script.dtMs) {
        if (entry.first < 0)
            __builtin_trap();
    }
    return 0;
}
