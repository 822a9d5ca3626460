// Win32Mouse: the system mouse as a relative device, fed by the raw input (WM_INPUT) that the
// window passes on: the mouse's own counts, not the pointer's place, so one count is one pixel
// of the scene on any screen and the screen edge stops nothing. Motion, wheel and buttons are
// summed between reads; a read hands the sums over. The device can be acquired only while the
// window has the focus; while acquired the pointer is hidden and held inside the window.
#pragma once

#include "platform/Mouse.hpp"
#include "platform/MouseSums.hpp"

#include <cstdint>

struct HWND__;

class Win32Mouse : public Mouse {
public:
    ~Win32Mouse() override;

    // Registers the window for the mouse's raw input; false when the system refuses.
    bool attach(HWND__* window);
    int acquire() override;
    void unacquire() override;
    int getDeviceState(MouseState& state) override;

    // One raw mouse report: relative motion, the wheel (in units of 120 a notch) and the
    // button transitions as raw input gives them.
    void onRawInput(long dx, long dy, bool relative, int wheel, unsigned buttonFlags);
    void setFocus(bool focused);
    bool isAcquired() const { return acquired; }

private:
    void holdPointer(bool hold);

    HWND__* window = nullptr;
    bool focus = false;
    bool acquired = false;
    // Until this tick count (and at least one read) after acquiring, motion is dropped (see
    // acquire).
    bool settling = false;
    unsigned long long settledAt = 0;
    MouseSums sums;
    // The last absolute position of a device that reports only those (a tablet, a remote
    // desktop), so that its motion still arrives as a difference.
    long lastAbsoluteX = 0;
    long lastAbsoluteY = 0;
    bool haveAbsolute = false;
};
