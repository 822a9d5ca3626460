// Display: the narrow interface between the screen device and whatever shows its frames.
// A backend takes the display into a mode, shows finished RGB565 frames, and gives the
// display back. The SDL window and the headless memory display both sit behind it; the
// core never sees which one it has.
#pragma once

#include <cstdint>
#include <span>

class ChangedBands;

class Display {
public:
    virtual ~Display() = default;

    // Takes the display into width x height at bitsPerPixel. 0 on success, negative on failure.
    virtual int open(int width, int height, int bitsPerPixel) = 0;
    // Shows one finished frame of width x height RGB565 pixels, top row first. The caller
    // leaves those pixels as they are until its next show (the screen device draws the next
    // frame into its other buffer), so a backend may keep reading them: for the screenshot
    // key, the trace, or to find what changed since.
    // `mayDiffer`, when not null, bounds where this frame can differ from the frame of the
    // last show that returned 0: outside its bands' columns the two are the same pixels.
    // Null says nothing of where.
    // Returns 0 when it was shown, or a negative result code (a lost display, a busy one).
    virtual int show(const std::uint16_t* pixels, int width, int height, const ChangedBands* mayDiffer) = 0;
    // Gives the display back; safe to call when open failed or was never called.
    virtual void close() = 0;
    // The frame last shown, top row first; empty before the first show.
    virtual std::span<const std::uint16_t> shownFrame() const = 0;
    // Why the last open or show failed, in the platform's words; empty when it did not say.
    virtual const char* lastError() const { return ""; }
};
