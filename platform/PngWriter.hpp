// Writes an RGB565 frame as a PNG file (8 bits per channel, each channel widened by repeating
// its high bits, so white stays white). Used by the replay tool, the tests and PrintScreen.
// The file is written whole or not at all (through AtomicFile); a failure names the file.
#pragma once

#include <cstdint>
#include <string>

bool writePng(const std::string& path, const std::uint16_t* pixels, int width, int height, std::string& error);
bool writePng(const char* path, const std::uint16_t* pixels, int width, int height);
// 8-bit RGBA, four bytes a pixel in rows of `width`, as it is (the icons).
bool writeRgbaPng(const std::string& path, const std::uint8_t* rgba, int width, int height, std::string& error);
