// The rectangles of the window surface that a present puts on screen. Each one is a request
// to the X server, and a request costs it about as much as copying a few thousand more pixels;
// so neighbouring rectangles are merged into the box around both wherever that box adds fewer
// pixels than a request costs.
#pragma once

#include <SDL.h>

#include <vector>

// A request's cost in pixels: under Xvfb, a rectangle put on screen costs the server about
// 2.2 us more than its pixels, and a pixel about 0.75 ns.
constexpr long updateRequestPixels = 4096;

// Merges each rectangle into the one kept before it (the rectangles come band by band, top to
// bottom) when their bounding box holds at most updateRequestPixels pixels more than the two.
// The result covers every pixel of the given rectangles.
void mergeUpdateRects(std::vector<SDL_Rect>& rects);
