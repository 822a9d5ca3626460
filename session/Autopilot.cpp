// Autopilot: the hand's moves, its spring and its keys; see the header.
#include "session/Autopilot.hpp"

#include "platform/VirtualKeys.hpp"
#include "sim/ScreenSize.hpp"

#include <algorithm>
#include <cmath>

using pilot::cosine;
using pilot::kTwoPi;
using pilot::sine;
using pilot::smoothStep;

namespace {

// The spring's angular frequency: the hand settles on a still target in about a quarter
// second, and turns a sharp corner of the path into a curve.
constexpr double kSpring = 12.0;
// The spring is stepped at most this long at a time; a frame longer than kLongestStep is
// treated as that long, so a stalled machine does not fling the hand.
constexpr double kSubStep = 1.0 / 120.0;
constexpr double kLongestStep = 0.25;

double clampTo(double v, double low, double high)
{
    return v < low ? low : v > high ? high : v;
}

} // namespace

Autopilot::Autopilot(std::uint32_t seed) : random(0x5EED0000ull ^ (static_cast<std::uint64_t>(seed) << 8))
{
    keyClock = random.between(3.0, 6.0);
}

void Autopilot::keep(bool helpAlreadyHidden, bool colour, bool trails, bool gravity)
{
    helpHidden = helpHidden || helpAlreadyHidden;
    keepColour = colour;
    keepTrails = trails;
    keepGravity = gravity;
}

void Autopilot::startAt(std::int32_t x, std::int32_t y)
{
    posX = x;
    posY = y;
    handX = static_cast<double>(x);
    handY = static_cast<double>(y);
    velX = velY = 0.0;
    moveTime = moveLength = 0.0; // a new move is chosen from here at the next frame
}

void Autopilot::nextFrame(std::uint32_t stepMs, FrameInput& input)
{
    if (!helpHidden) {
        // The help panel covers a corner of the scene; a show for nobody in particular hides it.
        helpHidden = true;
        input.keys.push_back('H');
    }
    double step = std::min(static_cast<double>(stepMs) * 0.001, kLongestStep);
    chooseKey(static_cast<double>(stepMs) * 0.001, input);
    while (step > 0.0) {
        const double h = std::min(step, kSubStep);
        step -= h;
        if (moveTime >= moveLength)
            chooseMove();
        moveTime += h;
        double gx = 0.0;
        double gy = 0.0;
        aim(std::min(moveTime, moveLength), gx, gy);
        gx = clampTo(gx, kMargin, screenWidth - kMargin);
        gy = clampTo(gy, kMargin, screenHeight - kMargin);
        // Semi-implicit Euler of a critically damped spring towards the aim.
        velX += (kSpring * kSpring * (gx - handX) - 2.0 * kSpring * velX) * h;
        velY += (kSpring * kSpring * (gy - handY) - 2.0 * kSpring * velY) * h;
        handX += velX * h;
        handY += velY * h;
    }
    // The motion is whole counts: the sparkler goes to the hand's nearest pixel, kept inside.
    const auto toPixel = [](double v, int size) {
        const double inside = clampTo(v, 8.0, static_cast<double>(size) - 8.0);
        return static_cast<std::int32_t>(inside + 0.5);
    };
    const std::int32_t nx = toPixel(handX, screenWidth);
    const std::int32_t ny = toPixel(handY, screenHeight);
    input.dx += nx - posX;
    input.dy += posY - ny; // a mouse counts downwards
    posX = nx;
    posY = ny;
}

void Autopilot::pickFarPoint(double& px, double& py)
{
    // Mostly into another quarter of the scene than the hand is in, so that it wanders over all.
    const double lowX = kMargin;
    const double highX = screenWidth - kMargin;
    const double lowY = kMargin;
    const double highY = screenHeight - kMargin;
    const bool right = handX >= screenWidth / 2.0;
    const bool top = handY >= screenHeight / 2.0;
    bool toRight = random.below(2) == 1;
    bool toTop = random.below(2) == 1;
    if (toRight == right && toTop == top && random.unit() < 0.75) {
        if (random.below(2) == 1)
            toRight = !toRight;
        else
            toTop = !toTop;
    }
    px = toRight ? random.between(screenWidth / 2.0, highX) : random.between(lowX, screenWidth / 2.0);
    py = toTop ? random.between(screenHeight / 2.0, highY) : random.between(lowY, screenHeight / 2.0);
}

void Autopilot::chooseMove()
{
    // Each move starts where the last one aimed last, so the aim never jumps.
    if (moveLength > 0.0)
        aim(moveLength, startX, startY);
    else {
        startX = handX;
        startY = handY;
    }
    startX = clampTo(startX, kMargin, screenWidth - kMargin);
    startY = clampTo(startY, kMargin, screenHeight - kMargin);
    moveTime = 0.0;
    const int pick = random.below(100);
    if (pick < 20) {
        move = Move::Loop;
        radius = random.between(40.0, 140.0);
        phase = random.between(0.0, kTwoPi);
        const double count = static_cast<double>(1 + random.below(3));
        turns = random.below(2) == 1 ? count : -count;
        moveLength = count * random.between(0.6, 1.3);
    } else if (pick < 35) {
        move = Move::Eight;
        radius = random.between(60.0, 170.0);
        phase = random.between(0.0, kTwoPi);
        turns = static_cast<double>(1 + random.below(2));
        moveLength = turns * random.between(1.2, 2.2);
    } else if (pick < 60) {
        move = Move::Sweep;
        pickFarPoint(endX, endY);
        const double dx = endX - startX;
        const double dy = endY - startY;
        moveLength = clampTo((dx < 0 ? -dx : dx) / 700.0 + (dy < 0 ? -dy : dy) / 700.0, 0.4, 2.0)
            * random.between(0.8, 1.4);
    } else if (pick < 75) {
        move = Move::Wave;
        pickFarPoint(endX, endY);
        radius = random.between(20.0, 70.0);
        turns = static_cast<double>(2 + random.below(4));
        moveLength = random.between(1.5, 3.0);
    } else if (pick < 87) {
        move = Move::Rest;
        moveLength = random.between(0.3, 1.4);
    } else {
        move = Move::Flick;
        radius = random.between(40.0, 100.0);
        phase = random.between(0.0, kTwoPi);
        moveLength = random.between(0.18, 0.32);
    }
}

void Autopilot::aim(double t, double& gx, double& gy) const
{
    const double u = moveLength > 0.0 ? t / moveLength : 1.0;
    switch (move) {
    case Move::Loop: {
        // Round a centre beside the start, the start on the circle.
        const double cx = startX - radius * cosine(phase);
        const double cy = startY - radius * sine(phase);
        const double angle = phase + kTwoPi * turns * smoothStep(u);
        gx = cx + radius * cosine(angle);
        gy = cy + radius * sine(angle);
        break;
    }
    case Move::Eight: {
        // A figure eight through the start, tilted by phase.
        const double a = kTwoPi * turns * smoothStep(u);
        const double along = radius * sine(a);
        const double across = radius * 0.5 * sine(2.0 * a);
        gx = startX + along * cosine(phase) - across * sine(phase);
        gy = startY + along * sine(phase) + across * cosine(phase);
        break;
    }
    case Move::Sweep: {
        const double s = smoothStep(u);
        gx = startX + (endX - startX) * s;
        gy = startY + (endY - startY) * s;
        break;
    }
    case Move::Wave: {
        // Along the line to the end, swinging across it; the swing is 0 at both ends.
        const double s = smoothStep(u);
        const double dx = endX - startX;
        const double dy = endY - startY;
        double nx = -dy;
        double ny = dx;
        const double norm = nx * nx + ny * ny;
        const double swing = radius * sine(pilot::kPi * turns * s);
        if (norm > 1.0) {
            // The square root is exactly rounded everywhere, unlike the library's curves.
            const double inv = 1.0 / std::sqrt(norm);
            nx *= inv;
            ny *= inv;
        } else {
            nx = 0.0;
            ny = 0.0;
        }
        gx = startX + dx * s + nx * swing;
        gy = startY + dy * s + ny * swing;
        break;
    }
    case Move::Rest:
        gx = startX;
        gy = startY;
        break;
    case Move::Flick: {
        const double reach = radius * sine(pilot::kPi * u);
        gx = startX + reach * cosine(phase);
        gy = startY + reach * sine(phase);
        break;
    }
    }
}

void Autopilot::chooseKey(double seconds, FrameInput& input)
{
    if (undoKey != 0) {
        undoClock -= seconds;
        if (undoClock <= 0.0) {
            input.keys.push_back(undoKey);
            undoKey = 0;
        }
    }
    keyClock -= seconds;
    if (keyClock > 0.0)
        return;
    keyClock = random.between(4.0, 10.0);
    const int pick = undoKey != 0 ? 0 : random.below(100);
    if (pick < 50) {
        // Another colour, or colour cycling (1), or random colours (8).
        std::uintptr_t colour = lastColour;
        while (colour == lastColour)
            colour = '1' + static_cast<std::uintptr_t>(random.below(8));
        lastColour = colour;
        if (!keepColour)
            input.keys.push_back(colour);
    } else if (pick < 75) {
        undoClock = random.between(2.0, 5.0);
        if (!keepTrails) {
            input.keys.push_back('C'); // trails for a while
            undoKey = 'C';
        }
    } else {
        const bool up = random.below(2) == 1;
        undoClock = random.between(3.0, 7.0);
        if (!keepGravity) {
            input.keys.push_back(up ? VK_PRIOR : VK_NEXT);
            undoKey = up ? VK_NEXT : VK_PRIOR;
        }
    }
}
