// WideText: UTF-8 to UTF-16 through MultiByteToWideChar; see the header.
#include "platform/win32/WideText.hpp"

#include <windows.h>

std::wstring wideText(const char* text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), size);
    out.pop_back(); // the terminating zero the count included
    return out;
}
