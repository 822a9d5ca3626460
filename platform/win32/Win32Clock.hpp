// Win32Clock: the real clock: timeGetTime's millisecond count (with the timer's resolution
// raised to 1 ms while the clock lives), which wraps every 2^32 ms as the frame timing
// expects, and the calendar time in whole seconds.
#pragma once

#include "platform/Clock.hpp"

class Win32Clock : public Clock {
public:
    Win32Clock();
    ~Win32Clock() override;
    Win32Clock(const Win32Clock&) = delete;
    Win32Clock& operator=(const Win32Clock&) = delete;

    std::uint32_t milliseconds() override;
    std::uint32_t calendarSeconds() override;
};
