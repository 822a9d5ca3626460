// Win32Mouse: relative mouse sums from raw input; see the header.
#include "platform/win32/Win32Mouse.hpp"

#include <windows.h>

namespace {

constexpr unsigned long long kSettleMs = 200;

// Raw input's down and up flags for the left, right, middle and fourth buttons.
constexpr unsigned kButtonDown[4] = {RI_MOUSE_BUTTON_1_DOWN, RI_MOUSE_BUTTON_2_DOWN, RI_MOUSE_BUTTON_3_DOWN,
                                     RI_MOUSE_BUTTON_4_DOWN};
constexpr unsigned kButtonUp[4] = {RI_MOUSE_BUTTON_1_UP, RI_MOUSE_BUTTON_2_UP, RI_MOUSE_BUTTON_3_UP,
                                   RI_MOUSE_BUTTON_4_UP};

} // namespace

Win32Mouse::~Win32Mouse()
{
    unacquire();
}

bool Win32Mouse::attach(HWND window_)
{
    window = window_;
    RAWINPUTDEVICE device{};
    device.usUsagePage = 0x01; // generic desktop
    device.usUsage = 0x02; // mouse
    device.dwFlags = 0; // only while the window is in front
    device.hwndTarget = window_;
    return RegisterRawInputDevices(&device, 1, sizeof device) != FALSE;
}

int Win32Mouse::acquire()
{
    if (acquired)
        return DI_OK;
    if (!focus)
        return DIERR_OTHERAPPHASPRIO;
    sums.clearMotion();
    holdPointer(true);
    acquired = true;
    // Holding the pointer can move it, and Wine reports the pointer's whole place as the first
    // raw motion after a window starts listening, a moment later: what comes in the first
    // fifth of a second is not the user's.
    settling = true;
    settledAt = GetTickCount64() + kSettleMs;
    return DI_OK;
}

void Win32Mouse::unacquire()
{
    if (!acquired)
        return;
    holdPointer(false);
    acquired = false;
    sums.clearMotion();
}

int Win32Mouse::getDeviceState(MouseState& state)
{
    if (!acquired)
        return DIERR_NOTACQUIRED;
    if (settling) {
        settling = GetTickCount64() < settledAt;
        sums.clearMotion();
    }
    sums.handOver(state);
    return DI_OK;
}

void Win32Mouse::onRawInput(long dx, long dy, bool relative, int wheel, unsigned buttonFlags)
{
    // Buttons are state, not motion: followed while not acquired too.
    for (int i = 0; i < 4; ++i) {
        if ((buttonFlags & kButtonDown[i]) != 0)
            sums.buttons[i] = 0x80;
        if ((buttonFlags & kButtonUp[i]) != 0)
            sums.buttons[i] = 0x00;
    }
    if (!relative) {
        const bool had = haveAbsolute;
        const long x = lastAbsoluteX;
        const long y = lastAbsoluteY;
        lastAbsoluteX = dx;
        lastAbsoluteY = dy;
        haveAbsolute = true;
        if (!had)
            return;
        dx -= x;
        dy -= y;
    }
    if (!acquired)
        return;
    sums.x += dx;
    sums.y += dy;
    sums.z += wheel;
}

void Win32Mouse::setFocus(bool focused)
{
    focus = focused;
    if (!focused) {
        unacquire();
        // Releases made while another window is in front never reach this one.
        sums.releaseButtons();
    }
}

void Win32Mouse::holdPointer(bool hold)
{
    if (window == nullptr)
        return;
    if (!hold) {
        ClipCursor(nullptr);
        return;
    }
    // Held inside the window, so that a click never lands on another program.
    RECT area{};
    GetClientRect(window, &area);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    ClipCursor(&area);
}
