// Mouse: the system mouse as a relative device, read once a frame.
// A read returns the motion since the previous read. Reads fail while the device is not
// acquired; acquiring succeeds only while the window has the focus.
#pragma once

#include <cstdint>

// The standard 16-byte mouse state: relative X (right), Y (down), wheel, four buttons.
struct MouseState {
    std::int32_t lX = 0;
    std::int32_t lY = 0;
    std::int32_t lZ = 0;
    std::uint8_t rgbButtons[4] = {};
};
static_assert(sizeof(MouseState) == 16);

constexpr int DI_OK = 0;
constexpr int DIERR_NOTACQUIRED = static_cast<int>(0x8007000Cu);
constexpr int DIERR_INPUTLOST = static_cast<int>(0x8007001Eu);
// Acquiring refused because another window has the input focus.
constexpr int DIERR_OTHERAPPHASPRIO = static_cast<int>(0x80070005u);

class Mouse {
public:
    virtual ~Mouse() = default;
    // DI_OK when the device is acquired (or already was), negative otherwise.
    virtual int acquire() = 0;
    // Gives up the device.
    virtual void unacquire() = 0;
    // Fills state with the motion since the previous read. DI_OK, or negative when the device
    // is not acquired or was lost; state is then left as it was.
    virtual int getDeviceState(MouseState& state) = 0;
};
