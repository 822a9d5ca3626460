// SdlMouse: relative mouse sums from SDL events; see the header.
// SDL must be told not to emulate relative mode by warping the pointer back to the window's
// centre (SDL_HINT_MOUSE_RELATIVE_MODE_WARP "0"), which drops motion; the window sets that
// hint before it starts SDL's video.
#include "platform/sdl/SdlMouse.hpp"

#include <SDL_mouse.h>
#include <SDL_touch.h>

namespace {

// Wheel units per notch, the unit relative wheel motion has always been counted in.
constexpr std::int64_t wheelDelta = 120;

// The state byte of an SDL button number: left, right, middle, fourth; -1 for the others.
int buttonIndex(std::uint8_t sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    case SDL_BUTTON_X1:
        return 3;
    default:
        return -1;
    }
}

} // namespace

SdlMouse::SdlMouse(bool controlSystemMouse) : controlsSystemMouse(controlSystemMouse)
{}

SdlMouse::~SdlMouse()
{
    unacquire();
}

int SdlMouse::acquire()
{
    if (acquired)
        return DI_OK;
    if (!focus)
        return DIERR_OTHERAPPHASPRIO;
    // Should SDL refuse relative mode, the motion events still carry relative motion, only
    // the screen edge stops it; the device is acquired all the same.
    if (controlsSystemMouse)
        SDL_SetRelativeMouseMode(SDL_TRUE);
    sums.clearMotion();
    acquired = true;
    return DI_OK;
}

void SdlMouse::unacquire()
{
    if (!acquired)
        return;
    if (controlsSystemMouse)
        SDL_SetRelativeMouseMode(SDL_FALSE);
    acquired = false;
    sums.clearMotion();
}

int SdlMouse::getDeviceState(MouseState& state)
{
    if (!acquired)
        return DIERR_NOTACQUIRED;
    sums.handOver(state);
    return DI_OK;
}

void SdlMouse::onEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_MOUSEMOTION:
        // Touch screens also make mouse events; the device is the mouse alone.
        if (!acquired || event.motion.which == SDL_TOUCH_MOUSEID)
            return;
        sums.x += event.motion.xrel;
        sums.y += event.motion.yrel;
        return;
    case SDL_MOUSEWHEEL: {
        if (!acquired || event.wheel.which == SDL_TOUCH_MOUSEID)
            return;
        // "Natural" scrolling reports turned-round values; undo it so that positive is away
        // from the user, as the device counts.
        const std::int64_t notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -std::int64_t{event.wheel.y}
                                                                                     : std::int64_t{event.wheel.y};
        sums.z += notches * wheelDelta;
        return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (event.button.which == SDL_TOUCH_MOUSEID)
            return;
        // Buttons are state, not motion: they are followed while not acquired too, so a
        // button held at the moment of acquiring reads as held.
        const int index = buttonIndex(event.button.button);
        if (index >= 0)
            sums.buttons[index] = event.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0x00;
        return;
    }
    default:
        return;
    }
}

void SdlMouse::setFocus(bool focused)
{
    focus = focused;
    if (!focused) {
        unacquire();
        // Releases made elsewhere never reach this window.
        sums.releaseButtons();
    }
}
