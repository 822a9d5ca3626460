// LightTrail: the line of light a written word leaves, as a long exposure of the sparkler's
// glowing tip would show it. While the pen is down every move of the tip is stamped into a
// coverage map of the screen (0 to 255 a pixel); when the writing is done the light holds,
// then fades and is cleared. It only records and times; ScreenDevice::glow draws it.
// All arithmetic is exact (integers and IEEE sums), so a run draws the same light everywhere.
#pragma once

#include <cstdint>
#include <vector>

class LightTrail {
public:
    LightTrail(int screenWidth, int screenHeight);

    // The pen state a writer hands over frame by frame.
    void penDown();
    void penUp();
    // The writing is done: the light holds for kHoldSeconds, then fades over kFadeSeconds.
    void finish();

    // The tip is now at screen pixel (x, y): stamps the line from the last point while the pen
    // is down.
    void follow(double x, double y);
    // Counts the hold and the fade down; the map is cleared once the light has faded.
    void advance(float dt);

    // The light's strength from 0 (nothing to draw) to 256 (full).
    int level() const;
    bool penIsDown() const { return pen; }
    bool finished() const { return done; }

    const std::uint8_t* coverage() const { return map.data(); }
    int width() const { return w; }
    int height() const { return h; }
    // The box around every stamped pixel, right and bottom exclusive; empty when none.
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr float kHoldSeconds = 3.0f;
    static constexpr float kFadeSeconds = 1.5f;

private:
    void stamp(double x, double y);

    int w;
    int h;
    std::vector<std::uint8_t> map;
    bool pen = false;
    bool hasLast = false;
    double lastX = 0.0;
    double lastY = 0.0;
    bool done = false;
    float hold = 0.0f;
    float fade = 0.0f;
};
