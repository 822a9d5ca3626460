// HeadlessMouse: scripted relative motion; see the header.
#include "platform/headless/HeadlessMouse.hpp"

int HeadlessMouse::acquire()
{
    ++acquireCalls;
    acquired = focus;
    return acquired ? DI_OK : DIERR_NOTACQUIRED;
}

int HeadlessMouse::getDeviceState(MouseState& state)
{
    ++readCalls;
    if (!acquired)
        return DIERR_NOTACQUIRED;
    state = pending;
    pending = MouseState{};
    return DI_OK;
}

void HeadlessMouse::move(std::int32_t dx, std::int32_t dy)
{
    pending.lX = static_cast<std::int32_t>(static_cast<std::uint32_t>(pending.lX) + static_cast<std::uint32_t>(dx));
    pending.lY = static_cast<std::int32_t>(static_cast<std::uint32_t>(pending.lY) + static_cast<std::uint32_t>(dy));
}
