// YuvPicture: known colours to their studio-range BT.709 values, sharp enlargement into the
// three planes, and the colour samples of 4:2:0: one frame pixel each at an even scale, the
// mean of the pixels under the sample at an odd one.
#include "platform/YuvPicture.hpp"

#include "platform/PixelFormat.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

struct Planes {
    Planes(const YuvPicture& picture, int pad)
        : stride{picture.lumaWidth() + pad, picture.chromaWidth() + pad, picture.chromaWidth() + pad},
          y(static_cast<std::size_t>(stride[0]) * picture.lumaHeight(), 0xEE),
          u(static_cast<std::size_t>(stride[1]) * picture.chromaHeight(), 0xEE),
          v(static_cast<std::size_t>(stride[2]) * picture.chromaHeight(), 0xEE)
    {
    }
    void fill(const YuvPicture& picture, const std::vector<std::uint16_t>& frame)
    {
        picture.convert(frame.data(), {y.data(), u.data(), v.data()}, stride);
    }
    std::uint8_t at(const std::vector<std::uint8_t>& plane, int plain, int x, int row) const
    {
        return plane[static_cast<std::size_t>(row) * stride[plain] + x];
    }
    std::array<int, 3> stride;
    std::vector<std::uint8_t> y, u, v;
};

} // namespace

TEST(YuvPicture, KnownColoursGetTheirStudioRangeValues)
{
    const YuvPicture picture(1, 1, 1, true);
    using Yuv = std::array<std::uint8_t, 3>;
    EXPECT_EQ(picture.yuvOf(rgbToPixel(0, 0, 0)), (Yuv{16, 128, 128}));
    EXPECT_EQ(picture.yuvOf(rgbToPixel(255, 255, 255)), (Yuv{235, 128, 128}));
    // BT.709's primaries in studio range (ITU-R BT.709 colour bars).
    EXPECT_EQ(picture.yuvOf(rgbToPixel(255, 0, 0)), (Yuv{63, 102, 240}));
    EXPECT_EQ(picture.yuvOf(rgbToPixel(0, 255, 0)), (Yuv{173, 42, 26}));
    EXPECT_EQ(picture.yuvOf(rgbToPixel(0, 0, 255)), (Yuv{32, 240, 118}));
}

// Scale 2 in 4:2:0: every frame pixel a 2 x 2 block of its Y, and exactly one colour sample,
// its own; nothing is written past a row's end into the stride's padding.
TEST(YuvPicture, AtScaleTwoEachColourSampleIsOnePixel)
{
    const int width = 5, height = 3;
    std::vector<std::uint16_t> frame(width * height);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint16_t>(i * 4099 + 17);
    const YuvPicture picture(width, height, 2, false);
    ASSERT_EQ(picture.lumaWidth(), 10);
    ASSERT_EQ(picture.chromaWidth(), 5);
    ASSERT_EQ(picture.chromaHeight(), 3);
    Planes planes(picture, 3);
    planes.fill(picture, frame);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto yuv = picture.yuvOf(frame[y * width + x]);
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx)
                    EXPECT_EQ(planes.at(planes.y, 0, 2 * x + dx, 2 * y + dy), yuv[0]) << x << "," << y;
            }
            EXPECT_EQ(planes.at(planes.u, 1, x, y), yuv[1]);
            EXPECT_EQ(planes.at(planes.v, 2, x, y), yuv[2]);
        }
        for (int pad = 0; pad < 3; ++pad) {
            EXPECT_EQ(planes.at(planes.y, 0, 10 + pad, 2 * y), 0xEE);
            EXPECT_EQ(planes.at(planes.u, 1, 5 + pad, y), 0xEE);
        }
    }
}

// Scale 1 in 4:2:0: a colour sample is the rounded mean of the 2 x 2 pixels under it; at the
// odd right edge, of the column that is there.
TEST(YuvPicture, AtAnOddScaleAColourSampleIsTheMeanUnderIt)
{
    const std::vector<std::uint16_t> frame = {rgbToPixel(255, 0, 0), rgbToPixel(0, 0, 255), rgbToPixel(0, 0, 0),
                                              rgbToPixel(255, 255, 255), rgbToPixel(0, 255, 0), rgbToPixel(0, 0, 0)};
    const YuvPicture picture(3, 2, 1, false);
    ASSERT_EQ(picture.chromaWidth(), 2);
    ASSERT_EQ(picture.chromaHeight(), 1);
    Planes planes(picture, 0);
    planes.fill(picture, frame);
    EXPECT_EQ(planes.at(planes.u, 1, 0, 0), (102 + 240 + 128 + 42 + 2) / 4);
    EXPECT_EQ(planes.at(planes.v, 2, 0, 0), (240 + 118 + 128 + 26 + 2) / 4);
    EXPECT_EQ(planes.at(planes.u, 1, 1, 0), 128);
    EXPECT_EQ(planes.at(planes.y, 0, 0, 0), 63);
    EXPECT_EQ(planes.at(planes.y, 0, 1, 1), 173);
}

// Full colour at scale 3: U and V enlarged like Y, every sample its pixel's own.
TEST(YuvPicture, FullColourEnlargesEveryPlane)
{
    const std::vector<std::uint16_t> frame = {rgbToPixel(255, 0, 0), rgbToPixel(0, 0, 255)};
    const YuvPicture picture(2, 1, 3, true);
    ASSERT_EQ(picture.chromaWidth(), 6);
    ASSERT_EQ(picture.chromaHeight(), 3);
    Planes planes(picture, 2);
    planes.fill(picture, frame);
    for (int row = 0; row < 3; ++row) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(planes.at(planes.u, 1, x, row), x < 3 ? 102 : 240) << x << "," << row;
            EXPECT_EQ(planes.at(planes.v, 2, x, row), x < 3 ? 240 : 118) << x << "," << row;
            EXPECT_EQ(planes.at(planes.y, 0, x, row), x < 3 ? 63 : 32) << x << "," << row;
        }
    }
}
