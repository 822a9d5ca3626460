// Tests of merging the window's update rectangles: neighbouring bands become one request, far
// apart ones stay apart, and whatever is merged still covers every pixel it was given, with
// no more extra pixels than the requests it saved are worth.
#include "platform/sdl/UpdateRects.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

bool covers(const std::vector<SDL_Rect>& rects, int x, int y)
{
    for (const SDL_Rect& r : rects)
        if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h)
            return true;
    return false;
}

void expectRect(const SDL_Rect& r, int x, int y, int w, int h)
{
    EXPECT_EQ((std::vector<int>{r.x, r.y, r.w, r.h}), (std::vector<int>{x, y, w, h}));
}

long areaOf(const std::vector<SDL_Rect>& rects)
{
    long sum = 0;
    for (const SDL_Rect& r : rects)
        sum += static_cast<long>(r.w) * r.h;
    return sum;
}

TEST(UpdateRects, NeighbouringBandsMergeAndDistantOnesStayApart)
{
    // Three bands of a spark cloud, columns drifting a little, then a band far below on the
    // other side of the screen, and an empty rectangle that must simply go.
    std::vector<SDL_Rect> rects{{400, 320, 100, 16}, {396, 336, 110, 16}, {402, 352, 96, 16},
                                {0, 352, 0, 16},     {900, 700, 40, 16}};
    mergeUpdateRects(rects);
    ASSERT_EQ(rects.size(), 2u);
    expectRect(rects[0], 396, 320, 110, 48);
    expectRect(rects[1], 900, 700, 40, 16);

    // Two full-width bands with an empty band between them: the gap alone is 16,384 pixels,
    // more than a request is worth.
    std::vector<SDL_Rect> apart{{0, 0, 1024, 16}, {0, 32, 1024, 16}};
    mergeUpdateRects(apart);
    EXPECT_EQ(apart.size(), 2u);
}

TEST(UpdateRects, MergedRectanglesCoverEveryPixelGivenAtBoundedCost)
{
    std::uint32_t state = 7;
    auto next = [&](int range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(range));
    };
    for (int trial = 0; trial < 200; ++trial) {
        // A frame of 256 x 192 in bands of 16 rows; each band may hold one range of columns.
        std::vector<SDL_Rect> given;
        for (int top = 0; top < 192; top += 16) {
            if (next(3) == 0)
                continue;
            const int left = next(256);
            given.push_back(SDL_Rect{left, top, 1 + next(256 - left), 16});
        }
        std::vector<SDL_Rect> merged = given;
        mergeUpdateRects(merged);
        ASSERT_LE(merged.size(), given.size());
        const long saved = static_cast<long>(given.size() - merged.size());
        EXPECT_LE(areaOf(merged), areaOf(given) + saved * updateRequestPixels) << "trial " << trial;
        for (const SDL_Rect& r : given)
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x)
                    ASSERT_TRUE(covers(merged, x, y)) << "trial " << trial << " lost " << x << "," << y;
    }
}

} // namespace
