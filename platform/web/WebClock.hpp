// WebClock: the page's millisecond clock (performance.now(), cut to 32 bits like the native
// counter) and the calendar time that seeds a run.
#pragma once

#include "platform/Clock.hpp"

class WebClock : public Clock {
public:
    std::uint32_t milliseconds() override;
    std::uint32_t calendarSeconds() override;
};
