// WideText: UTF-8 text as the UTF-16 the Windows interfaces take (titles, message boxes, font
// faces and the help panel's lines). Text that is empty or not valid UTF-8 gives an empty
// string.
#pragma once

#include <string>

std::wstring wideText(const char* text);
