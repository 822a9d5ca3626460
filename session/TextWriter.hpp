// TextWriter: writes words in the air with the sparkler, as a person would with a real one.
// The text is laid out centred in one or more lines of a stroke font, as large as the scene
// allows; then frame by frame the pen travels quickly (pen up) to each stroke's start and
// traces the stroke at a steady speed (pen down), halting on every sharp corner so that the
// letters keep their shape. After the last stroke the sparkler is lowered to a corner below the
// words, and the pen is done. The motion is counted from
// the writer's own idea of where the sparkler is, which starts at the scene's centre.
#pragma once

#include "session/FrameInput.hpp"
#include "session/StrokeFont.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TextWriter {
public:
    // Lays `text` out ("\n", or a backslash and n, breaks a line). Characters the font lacks
    // are left out and listed in `skipped`; false with `error` when nothing can be written.
    bool layOut(const StrokeFont& font, std::string_view text, std::string& skipped, std::string& error);

    // The input for the next frame, stepMs after the one before.
    void nextFrame(std::uint32_t stepMs, FrameInput& input);
    // Whether the pen is done: every stroke written.
    bool done() const { return finished; }

    std::int32_t x() const { return posX; }
    std::int32_t y() const { return posY; }

    // The pen's speeds in scene pixels a second: along a stroke, and the quickest travel between.
    double penSpeed = 600.0;
    static constexpr double kTravelSpeed = 1500.0;

    // One stroke in scene coordinates (y upwards).
    struct Point {
        double x;
        double y;
    };
    std::vector<std::vector<Point>> strokes;

private:
    enum class Phase { Start, Travel, Trace, Lift, Finished };

    void moveTo(double x, double y, FrameInput& input);
    // Where the pen travels next: the next stroke's start, or a corner after the last.
    Point travelTarget() const;

    Phase phase = Phase::Start;
    std::size_t stroke = 0;
    std::size_t vertex = 0;  // the point of the stroke last reached
    double along = 0.0;      // pixels past that point towards the next
    double travelTime = 0.0;
    double travelLength = 0.0;
    double fromX = 0.0;
    double fromY = 0.0;
    std::int32_t posX = 512;
    std::int32_t posY = 384;
    bool finished = false;
    bool helpHidden = false;
};
