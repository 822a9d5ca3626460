// ProgressLine: one line on a terminal telling how far a long render has come: frames done of
// all, frames a second, and the time left. It redraws the same line in place (a carriage
// return, then an erase to the line's end), at most a few times a second so that printing
// costs nothing next to the frames, and ends with the last count on a line of its own.
// Whether stderr is a terminal is the caller's choice; this only writes where it is told.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class ProgressLine {
public:
    // Shows progress on `out` towards `total` frames, timed from `startSeconds`.
    ProgressLine(std::FILE* out, std::int64_t total, double startSeconds);

    // `done` frames are finished at `nowSeconds`; redraws when enough time has passed since
    // the last redraw, or when this is the last frame.
    void update(std::int64_t done, double nowSeconds);
    // Draws the final count and ends the line. Nothing when nothing was ever drawn.
    void finish(double nowSeconds);

    // The text of the line: "frame 120 of 600, 45.2 frames/s, 11 s left".
    static std::string text(std::int64_t done, std::int64_t total, double elapsedSeconds);

    // The shortest time between two redraws.
    static constexpr double kRedrawSeconds = 0.25;

private:
    void draw(std::int64_t done, double nowSeconds);

    std::FILE* out;
    std::int64_t total;
    double startSeconds;
    double lastDraw = -1.0;
    std::int64_t latest = 0; // the last count given
    std::int64_t lastDrawn = -1; // the last count drawn
    bool drawn = false;
};
