// Writes an RGB565 frame as a PNG file (8 bits per channel, each channel widened by repeating
// its high bits, so white stays white). Used by the replay tool, the tests and PrintScreen.
#pragma once

#include <cstdint>

bool writePng(const char* path, const std::uint16_t* pixels, int width, int height);
