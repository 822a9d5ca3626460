// Win32Clock: see the header.
#include "platform/win32/Win32Clock.hpp"

#include <windows.h>

#include <mmsystem.h>

#include <ctime>

Win32Clock::Win32Clock()
{
    timeBeginPeriod(1);
}

Win32Clock::~Win32Clock()
{
    timeEndPeriod(1);
}

std::uint32_t Win32Clock::milliseconds()
{
    return static_cast<std::uint32_t>(timeGetTime());
}

std::uint32_t Win32Clock::calendarSeconds()
{
    return static_cast<std::uint32_t>(std::time(nullptr));
}
