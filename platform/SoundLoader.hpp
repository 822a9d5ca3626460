// SoundLoader: reads wave files into segments. A name is looked for in the working directory
// first, then beside the executable, then in ../share/sparkler relative to it; a missing,
// unreadable or unplayable file is an error that names the file and the reason.
#pragma once

#include "platform/SoundSegment.hpp"

#include <memory>
#include <string>

// Reads wave files, looking in the working directory, beside the executable, then in the
// installation's ../share/sparkler.
class SoundLoader {
public:
    // Null with `error` set when the file cannot be found or read as a wave.
    std::unique_ptr<SoundSegment> loadObjectFromFile(const char* name, std::string& error);
};
