// RafPacer: decides, at each animation-frame callback of the browser, whether the loop's pass
// runs, so that passes go out 60 a second whatever the display's refresh rate. Passes keep to
// a grid of deadlines 1/60 s apart; a callback runs the pass when the deadline falls before
// the middle of the gap to the callback after it, so 120 or 144 Hz displays skip some and a
// slower display runs each one; a display within 1% of 60 Hz runs every callback. A callback more than one
// period late (a hidden tab) starts a new grid rather than letting a burst of passes go out.
#pragma once

class RafPacer {
public:
    explicit RafPacer(double framesPerSecond = 60.0);

    // `now`: the callback's timestamp in milliseconds. True when a pass is due.
    bool due(double now);
    // Forgets the grid and the callback rate, as after a new start.
    void restart();

private:
    double period;
    bool started = false;
    double nextDeadline = 0.0;
    double lastCallback = 0.0;
    double callbackGap = 0.0; // smoothed time between callbacks
};
