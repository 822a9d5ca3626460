// Fuzz target: loading a wave file, as the program loads its two sounds (from a file on disk).
// A file that loads must hold whole frames of one or two channels; anything else is refused
// with an error naming the file.
#include "platform/SoundLoader.hpp"
#include "platform/SoundSegment.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/sparkler-wave-fuzz-" + std::to_string(getpid()) + ".wav";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        return 0;
    SoundLoader loader;
    std::string error;
    const std::unique_ptr<SoundSegment> segment = loader.loadObjectFromFile(path.c_str(), error);
    if (segment == nullptr) {
        if (error.find(path) == std::string::npos)
            __builtin_trap();
    } else if (segment->channels() < 1 || segment->channels() > 2 || segment->frames() <= 0) {
        __builtin_trap();
    }
    std::remove(path.c_str());
    return 0;
}
