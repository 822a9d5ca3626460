// HeadlessMouse: a scripted mouse for the tests and the replay tool. The next read returns
// the motion given by the caller, then reads return no motion until more is given. Reads can
// be made to fail, and acquisition follows the focus the caller sets.
#pragma once

#include "platform/Mouse.hpp"

class HeadlessMouse : public Mouse {
public:
    int acquire() override;
    void unacquire() override { acquired = false; }
    int getDeviceState(MouseState& state) override;

    // Adds motion for the next read.
    void move(std::int32_t dx, std::int32_t dy);

    bool acquired = false;
    bool focus = true; // acquire() succeeds only with the focus
    int acquireCalls = 0;
    int readCalls = 0;

private:
    MouseState pending;
};
