// Merging the window's update rectangles, so that fewer and larger requests reach the server.
#include "platform/sdl/UpdateRects.hpp"

#include <algorithm>

namespace {

long area(const SDL_Rect& r)
{
    return static_cast<long>(r.w) * static_cast<long>(r.h);
}

SDL_Rect boundingBox(const SDL_Rect& a, const SDL_Rect& b)
{
    const int left = std::min(a.x, b.x);
    const int top = std::min(a.y, b.y);
    const int right = std::max(a.x + a.w, b.x + b.w);
    const int bottom = std::max(a.y + a.h, b.y + b.h);
    return SDL_Rect{left, top, right - left, bottom - top};
}

} // namespace

void mergeUpdateRects(std::vector<SDL_Rect>& rects)
{
    std::size_t kept = 0;
    for (const SDL_Rect& next : rects) {
        if (next.w <= 0 || next.h <= 0)
            continue;
        if (kept > 0) {
            SDL_Rect& last = rects[kept - 1];
            const SDL_Rect box = boundingBox(last, next);
            // Overlapping rectangles give a negative excess: merging them pushes less.
            if (area(box) - area(last) - area(next) <= updateRequestPixels) {
                last = box;
                continue;
            }
        }
        rects[kept++] = next;
    }
    rects.resize(kept);
}
