// Replay: runs the program's Application over headless backends (the memory display, a
// scripted window and mouse, a virtual clock, no sound) for a fixed number of frames, and
// writes a JSON Lines trace and PNG images of the frames. Same seed and script, same output.
#pragma once

#include "platform/VideoWriter.hpp"
#include "session/ReplayScript.hpp"

#include <cstdint>
#include <cstdio>
#include <map>
#include <ostream>
#include <string>

struct ReplayOptions {
    std::uint32_t seed = 0;
    std::int64_t frames = 0;
    std::uint32_t dtMs = 16;
    ReplayScript script;
    std::string pngDir;
    std::int64_t pngEvery = 1;
    std::map<std::int64_t, std::string> pngFrames;
    // When set, the run's sound is mixed offline at 44.1 kHz stereo and written to this file.
    std::string wavPath;
    // When set, the run is written as a video (the ending chooses the format) with that same
    // mix as its sound, each frame scaled videoScale times with sharp pixels, in 4:2:0 colour
    // unless videoFullChroma.
    std::string videoPath;
    int videoScale = kDefaultVideoScale;
    bool videoFullChroma = false;
    // The program's own hand: the autopilot, and words to write first (empty for none).
    bool autopilot = false;
    std::string writeText;
    // When set, a progress line of the frames is kept up to date there (a terminal).
    std::FILE* progress = nullptr;
};

// The run's length in milliseconds: the time from frame 0 to its last frame.
std::uint64_t runMilliseconds(const ReplayOptions& options);

// Runs the replay; trace lines go to `trace` when it is not null. Returns the exit code: 0,
// or 1 with `error` set when start-up, a present or an image file failed.
int runReplay(const ReplayOptions& options, std::ostream* trace, std::string& error);
