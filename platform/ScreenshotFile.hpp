// ScreenshotFile: where PrintScreen's pictures go and under which name. Every call makes a new
// file, named by the moment to the millisecond (with -2, -3, ... when that name is taken), in
// the working directory, or in the user's pictures folder (see sys::picturesFolder)
// when the working directory cannot be written. Written whole or not at all, as a PNG.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

struct SavedScreenshot {
    std::string path;          // empty when nothing could be saved
    bool inPicturesFolder = false;
};

// Saves the frame; on failure `path` is empty and `error` says why.
SavedScreenshot saveScreenshotFile(const std::uint16_t* pixels, int width, int height, std::string& error);
// Saves the frame and says on stderr, under `program`'s name, where it went or why it could
// not be saved; the file's path, or empty.
std::string saveScreenshotAndSay(const char* program, const std::uint16_t* pixels, int width, int height);

// "<folder>sparkler-YYYYMMDD-HHMMSS-mmm.png" for that local time, or with -N before ".png"
// for the first N from 2 whose file does not exist yet. `folder` is "" or ends with '/'.
std::string screenshotName(const std::string& folder, std::time_t seconds, int milliseconds);
