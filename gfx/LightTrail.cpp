// LightTrail: the written light's coverage map and its hold and fade; see the header.
#include "gfx/LightTrail.hpp"

#include <algorithm>

namespace {

// The stroke's profile: full light within the core, falling off linearly to the halo's edge.
// Distances are compared squared, in quarter pixels, so that no square root is taken.
constexpr int kCoreRadius4 = 6;  // 1.5 pixels
constexpr int kHaloRadius4 = 14; // 3.5 pixels
constexpr int kReach = 4;        // pixels around the tip that the halo can touch

// 255 at the core, down to 0 at the halo's edge, for a squared distance in sixteenths.
int profile(int squared16)
{
    if (squared16 <= kCoreRadius4 * kCoreRadius4)
        return 255;
    if (squared16 >= kHaloRadius4 * kHaloRadius4)
        return 0;
    // Linear in the squared distance: a soft edge without a root.
    const int span = kHaloRadius4 * kHaloRadius4 - kCoreRadius4 * kCoreRadius4;
    return 255 * (kHaloRadius4 * kHaloRadius4 - squared16) / span;
}

} // namespace

LightTrail::LightTrail(int screenWidth, int screenHeight)
    : w(screenWidth), h(screenHeight), map(static_cast<std::size_t>(screenWidth) * static_cast<std::size_t>(screenHeight), 0)
{}

void LightTrail::penDown()
{
    if (done)
        return;
    pen = true;
    hasLast = false;
}

void LightTrail::penUp()
{
    pen = false;
    hasLast = false;
}

void LightTrail::finish()
{
    if (done)
        return;
    penUp();
    done = true;
    hold = kHoldSeconds;
    fade = kFadeSeconds;
}

void LightTrail::follow(double x, double y)
{
    if (!pen)
        return;
    if (!hasLast) {
        stamp(x, y);
    } else {
        // Stamps a quarter pixel apart along the move, the last one on the new point.
        const double dx = x - lastX;
        const double dy = y - lastY;
        const double longer = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
        const int steps = std::min(4096, static_cast<int>(longer * 4.0) + 1);
        for (int i = 1; i <= steps; ++i) {
            const double t = static_cast<double>(i) / static_cast<double>(steps);
            stamp(lastX + dx * t, lastY + dy * t);
        }
    }
    hasLast = true;
    lastX = x;
    lastY = y;
}

void LightTrail::advance(float dt)
{
    if (!done || right <= left)
        return;
    if (hold > 0.0f) {
        hold -= dt;
        if (hold >= 0.0f)
            return;
        fade += hold; // the overshoot of the hold is already fading time
        hold = 0.0f;
    } else {
        fade -= dt;
    }
    if (fade <= 0.0f) {
        std::fill(map.begin(), map.end(), std::uint8_t{0});
        left = top = right = bottom = 0;
    }
}

int LightTrail::level() const
{
    if (right <= left)
        return 0;
    if (!done || hold > 0.0f)
        return 256;
    if (fade <= 0.0f)
        return 0;
    return static_cast<int>(fade / kFadeSeconds * 256.0f);
}

void LightTrail::stamp(double x, double y)
{
    // Far outside the screen nothing is stamped; the casts below stay in range.
    if (!(x > -16.0 && y > -16.0 && x < w + 16.0 && y < h + 16.0))
        return;
    // The tip in quarter pixels; each pixel is measured from its centre.
    const int cx4 = static_cast<int>(x * 4.0 + 1024.0) - 1024;
    const int cy4 = static_cast<int>(y * 4.0 + 1024.0) - 1024;
    const int px = (cx4 >= 0 ? cx4 : cx4 - 3) / 4;
    const int py = (cy4 >= 0 ? cy4 : cy4 - 3) / 4;
    const int x0 = std::max(0, px - kReach);
    const int x1 = std::min(w - 1, px + kReach);
    const int y0 = std::max(0, py - kReach);
    const int y1 = std::min(h - 1, py + kReach);
    if (x0 > x1 || y0 > y1)
        return;
    for (int row = y0; row <= y1; ++row) {
        const int ddy = row * 4 + 2 - cy4;
        std::uint8_t* line = map.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(w);
        for (int col = x0; col <= x1; ++col) {
            const int ddx = col * 4 + 2 - cx4;
            const int value = profile(ddx * ddx + ddy * ddy);
            if (value > line[col])
                line[col] = static_cast<std::uint8_t>(value);
        }
    }
    if (right <= left) {
        left = x0;
        top = y0;
        right = x1 + 1;
        bottom = y1 + 1;
    } else {
        left = std::min(left, x0);
        top = std::min(top, y0);
        right = std::max(right, x1 + 1);
        bottom = std::max(bottom, y1 + 1);
    }
}
