// Result codes of the graphics layer: zero or positive is success, negative is failure.
// The values are those the rest of the system has always compared against.
#pragma once

#include <cstdint>

using Result = std::int32_t;

constexpr Result S_OK = 0;
constexpr Result DD_OK = 0;
constexpr Result E_POINTER = static_cast<Result>(0x80004003u);
constexpr Result E_INVALIDARG = static_cast<Result>(0x80070057u);
constexpr Result E_FAIL = static_cast<Result>(0x80004005u);
constexpr Result E_NOTIMPL = static_cast<Result>(0x80004001u);
constexpr Result DDERR_SURFACELOST = static_cast<Result>(0x887601C2u);
constexpr Result DDERR_WASSTILLDRAWING = static_cast<Result>(0x8876021Cu);
// A blit whose source or destination rectangle does not lie wholly inside its surface.
constexpr Result DDERR_INVALIDRECT = static_cast<Result>(0x88760096u);
