// ReplayTrace: one JSON object per frame, the trace that the replay tool writes and that a
// live run can be compared with: the frame, its dt, the generator's state, the particle counts,
// the colour, the gravity, the help panel's slide and the FNV-1a hash of the frame shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Application;

// The 64-bit FNV-1a hash of a frame: pixels top row first, each pixel low byte first.
std::uint64_t frameHash(const std::uint16_t* pixels, std::size_t count);

// One trace object for a frame, without the line end.
std::string traceLine(std::int64_t frame, float dt, const Application& app, std::uint64_t shownFrameHash);
