// Autopilot: carries the sparkler as a hand would when nobody holds the mouse. It chains moves
// (loops, figure eights, sweeps, waves, short rests and quick flicks) over the whole scene, and
// a hand that follows them with a critically damped spring, so its speed never jumps. Now and
// then it presses the scene's keys: a colour, trails for a while, gravity a step and back.
// Its choices come from a generator of its own seeded from the run's seed; the motion is
// counted from its own idea of where the sparkler is, so a run is the same on every build.
#pragma once

#include "session/FrameInput.hpp"
#include "session/PilotMath.hpp"

#include <cstdint>

class Autopilot {
public:
    explicit Autopilot(std::uint32_t seed);

    // The sparkler is at (x, y) in the scene, y upwards; the hand starts there at rest.
    void startAt(std::int32_t x, std::int32_t y);
    // The input for the next frame, stepMs after the one before; `hideHelp` presses H first.
    void nextFrame(std::uint32_t stepMs, FrameInput& input);

    // Settings the run chose from its start, that the autopilot's keys leave alone: the help
    // panel already hidden, the colour, trails and gravity.
    void keep(bool helpAlreadyHidden, bool colour, bool trails, bool gravity);

    // Where the sparkler is after the motion handed out so far.
    std::int32_t x() const { return posX; }
    std::int32_t y() const { return posY; }

    // The hand stays this far inside the scene's edges.
    static constexpr double kMargin = 56.0;

private:
    enum class Move { Loop, Eight, Sweep, Wave, Rest, Flick };

    void chooseMove();
    void chooseKey(double seconds, FrameInput& input);
    // The point the hand aims at, t seconds into the current move.
    void aim(double t, double& gx, double& gy) const;
    void pickFarPoint(double& px, double& py);

    pilot::Generator random;
    std::int32_t posX = 512;
    std::int32_t posY = 384;
    double handX = 512.0;
    double handY = 384.0;
    double velX = 0.0;
    double velY = 0.0;

    Move move = Move::Rest;
    double moveTime = 0.0;
    double moveLength = 0.0;
    double startX = 0.0;
    double startY = 0.0;
    double endX = 0.0;
    double endY = 0.0;
    double radius = 0.0;   // loop radius, eight and wave amplitude, flick reach
    double phase = 0.0;    // loop start angle, eight and flick direction
    double turns = 0.0;    // loops, eights or waves in the move (signed for a loop's sense)

    bool helpHidden = false;
    double keyClock = 0.0;   // seconds until the next key
    std::uintptr_t undoKey = 0; // a key to press again later (trails, gravity), 0 when none
    double undoClock = 0.0;
    std::uintptr_t lastColour = '1';
    bool keepColour = false;
    bool keepTrails = false;
    bool keepGravity = false;
};
