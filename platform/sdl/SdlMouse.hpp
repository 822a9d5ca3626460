// SdlMouse: the system mouse as a relative device, fed with the SDL mouse events that the
// window's event pump passes on. Motion, wheel and buttons are summed between reads; a read
// hands over the sums and starts new ones. The device can be acquired only while the window
// has the input focus; losing the focus gives it up, and motion while not acquired is lost.
// The focus is told to it by the window (setFocus), so it runs without a display in tests.
#pragma once

#include "platform/Mouse.hpp"
#include "platform/MouseSums.hpp"

#include <SDL_events.h>

#include <cstdint>

class SdlMouse : public Mouse {
public:
    // With controlSystemMouse the device switches SDL's relative mouse mode on while acquired
    // (the pointer is hidden and held, and motion is not stopped by the screen edge); without
    // it the device only counts the events it is given.
    explicit SdlMouse(bool controlSystemMouse);
    ~SdlMouse() override;
    SdlMouse(const SdlMouse&) = delete;
    SdlMouse& operator=(const SdlMouse&) = delete;

    // DI_OK when acquired or already acquired (then it costs nothing, so it may be called every
    // frame); DIERR_OTHERAPPHASPRIO while the window does not have the focus.
    int acquire() override;
    void unacquire() override;
    // The sums since the previous read: lX, lY in pixels of motion, lZ in wheel units of 120 per
    // notch (positive away from the user), rgbButtons with 0x80 while held (left, right,
    // middle, fourth). DIERR_NOTACQUIRED, and state untouched, while not acquired.
    int getDeviceState(MouseState& state) override;

    // One SDL event; anything but mouse motion, wheel and button events is ignored.
    void onEvent(const SDL_Event& event);
    // The window's input focus; losing it gives the device up.
    void setFocus(bool focused);

    bool isAcquired() const { return acquired; }

private:
    bool controlsSystemMouse;
    bool focus = false;
    bool acquired = false;
    MouseSums sums;
};
