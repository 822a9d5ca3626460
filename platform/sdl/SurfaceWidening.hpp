// Widening the program's RGB565 frames into a window surface of 32 bits a pixel: the whole
// frame, only the columns the caller says may have changed, or only the spans found to differ
// from the frame shown before. Each of the last two gives the rectangles it widened, one for
// each band of rows, for the window's update.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class ChangedBands;

// Widens `height` rows of `width` RGB565 pixels, `stride` pixels apart, into the rows of
// `target`, `pitch` bytes apart, in the layout's 8-bit channels. Each channel's top bits are
// repeated into its low ones, as the screenshots and the web page widen them, so full 5 or 6
// bits give 255.
void widenRows(const std::uint16_t* pixels, std::size_t stride, int width, int height, unsigned char* target,
               int pitch, const SDL_PixelFormat& layout);

// Widens each band's columns of `mayDiffer`, a frame of the bands' size, and nothing else.
void widenWhereHinted(const std::uint16_t* pixels, const ChangedBands& mayDiffer, unsigned char* target, int pitch,
                      const SDL_PixelFormat& layout, std::vector<SDL_Rect>& changed);

// Widens the 64-pixel spans of each row that differ from `before`, the frame the target holds.
void widenWhereChanged(const std::uint16_t* pixels, const std::uint16_t* before, int frameWidth, int frameHeight,
                       unsigned char* target, int pitch, const SDL_PixelFormat& layout, std::vector<SDL_Rect>& changed);
