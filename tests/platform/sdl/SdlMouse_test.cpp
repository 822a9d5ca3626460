// Tests of the SDL mouse device fed with made-up events, with no display: sums between
// reads, reset after a read, acquiring only with the focus, motion lost while not acquired,
// the wheel's units and direction, and the button bytes.
#include "platform/sdl/SdlMouse.hpp"

#include <gtest/gtest.h>

namespace {

SDL_Event motion(int dx, int dy)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.which = 0;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    return event;
}

SDL_Event wheel(int notches, bool flipped)
{
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = notches;
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    return event;
}

SDL_Event button(std::uint8_t which, bool down)
{
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = which;
    return event;
}

// A device that counts events only, with the window focused and the device acquired.
struct AcquiredMouse : ::testing::Test {
    SdlMouse mouse{false};
    MouseState state;
    void SetUp() override
    {
        mouse.setFocus(true);
        ASSERT_EQ(mouse.acquire(), DI_OK);
    }
};

} // namespace

TEST_F(AcquiredMouse, ReadReturnsTheSumOfMotionSinceThePreviousRead)
{
    mouse.onEvent(motion(5, -3));
    mouse.onEvent(motion(12, 7));
    mouse.onEvent(motion(-2, 1));
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.lX, 15);
    EXPECT_EQ(state.lY, 5);
    EXPECT_EQ(state.lZ, 0);

    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.lX, 0) << "a read must start new sums";
    EXPECT_EQ(state.lY, 0);

    mouse.onEvent(motion(-4, 9));
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.lX, -4);
    EXPECT_EQ(state.lY, 9);
}

TEST_F(AcquiredMouse, HugeBacklogIsClampedNotWrapped)
{
    for (int i = 0; i < 3; ++i)
        mouse.onEvent(motion(2'000'000'000, -2'000'000'000));
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.lX, 2147483647);
    EXPECT_EQ(state.lY, -2147483647 - 1);
}

TEST_F(AcquiredMouse, WheelCountsInUnitsOf120AwayFromTheUser)
{
    mouse.onEvent(wheel(2, false));
    mouse.onEvent(wheel(-1, false));
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.lZ, 120);
    // "Natural" scrolling reports the value turned round.
    mouse.onEvent(wheel(3, true));
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.lZ, -360);
}

TEST_F(AcquiredMouse, ButtonsHoldTheHighBitWhileDown)
{
    mouse.onEvent(button(SDL_BUTTON_LEFT, true));
    mouse.onEvent(button(SDL_BUTTON_MIDDLE, true));
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.rgbButtons[0], 0x80); // left
    EXPECT_EQ(state.rgbButtons[1], 0x00); // right
    EXPECT_EQ(state.rgbButtons[2], 0x80); // middle
    // Still held at the next read: buttons are state, not sums.
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    mouse.onEvent(button(SDL_BUTTON_LEFT, false));
    mouse.onEvent(button(SDL_BUTTON_RIGHT, true));
    mouse.onEvent(button(SDL_BUTTON_X1, true));
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.rgbButtons[0], 0x00);
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    EXPECT_EQ(state.rgbButtons[3], 0x80);
}

TEST_F(AcquiredMouse, TouchGeneratedEventsAreNotTheMouse)
{
    SDL_Event touch = motion(30, 30);
    touch.motion.which = SDL_TOUCH_MOUSEID;
    mouse.onEvent(touch);
    mouse.onEvent(motion(1, 2));
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.lX, 1);
    EXPECT_EQ(state.lY, 2);
}

TEST(SdlMouse, AcquiringNeedsTheFocus)
{
    SdlMouse mouse(false);
    EXPECT_EQ(mouse.acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_FALSE(mouse.isAcquired());
    mouse.setFocus(true);
    EXPECT_EQ(mouse.acquire(), DI_OK);
    EXPECT_EQ(mouse.acquire(), DI_OK) << "acquiring again while acquired succeeds";
    EXPECT_TRUE(mouse.isAcquired());
}

TEST(SdlMouse, ReadsFailWhileNotAcquiredAndLeaveTheStateAlone)
{
    SdlMouse mouse(false);
    MouseState state;
    state.lX = 77;
    state.lY = -5;
    EXPECT_EQ(mouse.getDeviceState(state), DIERR_NOTACQUIRED);
    mouse.setFocus(true); // focused but never acquired
    EXPECT_EQ(mouse.getDeviceState(state), DIERR_NOTACQUIRED);
    EXPECT_EQ(state.lX, 77);
    EXPECT_EQ(state.lY, -5);
}

TEST(SdlMouse, LosingTheFocusUnacquiresAndDropsPendingMotion)
{
    SdlMouse mouse(false);
    MouseState state;
    mouse.setFocus(true);
    ASSERT_EQ(mouse.acquire(), DI_OK);
    mouse.onEvent(motion(40, 40));
    mouse.setFocus(false);
    EXPECT_FALSE(mouse.isAcquired());
    EXPECT_EQ(mouse.getDeviceState(state), DIERR_NOTACQUIRED);
    EXPECT_EQ(mouse.acquire(), DIERR_OTHERAPPHASPRIO) << "no acquiring without the focus";

    // Motion while not acquired is lost, also after the focus comes back.
    mouse.onEvent(motion(100, -100));
    mouse.setFocus(true);
    mouse.onEvent(motion(100, -100));
    ASSERT_EQ(mouse.acquire(), DI_OK);
    mouse.onEvent(motion(3, 4));
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.lX, 3);
    EXPECT_EQ(state.lY, 4);
}

TEST(SdlMouse, UnacquireDropsPendingMotionAndReadsFail)
{
    SdlMouse mouse(false);
    MouseState state;
    mouse.setFocus(true);
    ASSERT_EQ(mouse.acquire(), DI_OK);
    mouse.onEvent(motion(8, 8));
    mouse.unacquire();
    EXPECT_EQ(mouse.getDeviceState(state), DIERR_NOTACQUIRED);
    ASSERT_EQ(mouse.acquire(), DI_OK);
    ASSERT_EQ(mouse.getDeviceState(state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
}
