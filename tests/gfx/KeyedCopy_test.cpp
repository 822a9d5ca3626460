// The keyed pixel loops: the 3- and 4-pixel cells and the run copy give what a plain
// pixel-by-pixel keyed copy gives, on random pictures, and touch nothing outside the rectangle.
// The screen device's blit and the copier that the render walk uses must agree on every
// rectangle and position, the refused ones included.
#include "gfx/KeyedCopy.hpp"

#include "gfx/ScreenDevice.hpp"
#include "support/Scene.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// The reference: every pixel tested on its own.
void plainKeyedCopy(const std::uint16_t* in, std::size_t inStride, std::uint16_t* out, std::size_t outStride, int width,
                    int height, std::uint16_t key)
{
    for (int row = 0; row < height; ++row)
        for (int i = 0; i < width; ++i)
            if (in[row * inStride + i] != key)
                out[row * outStride + i] = in[row * inStride + i];
}

// Pixels drawn from a few values, so that runs of the key and of other pixels both occur.
std::vector<std::uint16_t> randomPixels(std::mt19937& random, std::size_t count, std::uint16_t key)
{
    const std::uint16_t values[] = {key, key, 0x0000, 0xFFFF, 0x1234, 0x8001, static_cast<std::uint16_t>(key ^ 1)};
    std::uniform_int_distribution<int> pick(0, 6);
    std::vector<std::uint16_t> pixels(count);
    for (std::uint16_t& p : pixels)
        p = values[pick(random)];
    return pixels;
}

// Pixels in runs of 1 to 12 of the key or of one other value, as a panel picture has them.
std::vector<std::uint16_t> runPixels(std::mt19937& random, std::size_t count, std::uint16_t key)
{
    std::uniform_int_distribution<int> length(1, 12);
    std::vector<std::uint16_t> pixels;
    bool keyRun = random() % 2 == 0;
    while (pixels.size() < count) {
        auto value = static_cast<std::uint16_t>(random());
        if (keyRun)
            value = key;
        else if (value == key)
            value ^= 2;
        pixels.insert(pixels.end(), static_cast<std::size_t>(length(random)), value);
        keyRun = !keyRun;
    }
    pixels.resize(count);
    return pixels;
}

} // namespace

TEST(KeyedCopy, RunsOfKeyAndPictureMatchThePlainCopy)
{
    std::mt19937 random(424242);
    constexpr int stride = 161;
    for (int trial = 0; trial < 300; ++trial) {
        const std::uint16_t key = trial % 2 == 0 ? 0 : static_cast<std::uint16_t>(random());
        const int height = 1 + trial % 4;
        const int width = 1 + trial % 158;
        const auto in = runPixels(random, stride * height, key);
        const auto start = randomPixels(random, stride * (height + 2), key);
        std::vector<std::uint16_t> expected = start;
        std::vector<std::uint16_t> got = start;
        plainKeyedCopy(in.data(), stride, expected.data() + stride + 1, stride, width, height, key);
        keyed::keyedRows(in.data(), stride, got.data() + stride + 1, stride, width, height, key);
        ASSERT_EQ(got, expected) << "width " << width << " trial " << trial;
    }
}

TEST(KeyedCopy, CellsAndRunsMatchThePlainCopyOnRandomPictures)
{
    std::mt19937 random(20261208);
    constexpr int stride = 23; // wider than any copy, so the margins show stray writes
    for (int trial = 0; trial < 400; ++trial) {
        const std::uint16_t key = trial % 3 == 0 ? 0 : static_cast<std::uint16_t>(random());
        const int height = 1 + trial % 5;
        const auto in = randomPixels(random, stride * height, key);
        const auto start = randomPixels(random, stride * (height + 2), key);
        for (int width : {3, 4, 1, 7, 20}) {
            std::vector<std::uint16_t> expected = start;
            std::vector<std::uint16_t> got = start;
            // One row of margin above, one below, one column left.
            plainKeyedCopy(in.data(), stride, expected.data() + stride + 1, stride, width, height, key);
            if (width == 3)
                keyed::keyedCell<3>(in.data(), stride, got.data() + stride + 1, stride, height, key);
            else if (width == 4)
                keyed::keyedCell<4>(in.data(), stride, got.data() + stride + 1, stride, height, key);
            else
                keyed::keyedRows(in.data(), stride, got.data() + stride + 1, stride, width, height, key);
            ASSERT_EQ(got, expected) << "width " << width << " height " << height << " trial " << trial;
            if (width <= 4) {
                std::vector<std::uint16_t> runs = start;
                keyed::keyedRows(in.data(), stride, runs.data() + stride + 1, stride, width, height, key);
                ASSERT_EQ(runs, expected) << "runs of width " << width;
            }
        }
    }
}

TEST(KeyedCopy, CopierAgreesWithBlitEverywhereIncludingTheEdges)
{
    std::mt19937 random(7);
    HeadlessScreen reference;
    HeadlessScreen walked;
    auto sheet = std::make_unique<BitmapSurface>();
    ASSERT_EQ(sheet->create(&reference.display, SurfaceDesc{21, 18}), S_OK);
    sheet->surface->pixels = randomPixels(random, 21 * 18, 0);
    for (bool withKey : {false, true}) {
        if (withKey)
            sheet->setColourKey(0);
        reference.device.clear(0x5555);
        walked.device.clear(0x5555);
        const SheetCopier copier = walked.device.copierFor(sheet.get());
        ASSERT_TRUE(copier.ready());
        std::uniform_int_distribution<int> column(-5, 1030);
        std::uniform_int_distribution<int> row(-5, 772);
        std::uniform_int_distribution<int> cell(-1, 7);
        for (int i = 0; i < 5000; ++i) {
            // Mostly sprite cells, some other rectangles, some outside the sheet; positions
            // over and just past every edge of the screen.
            const int w = i % 5 == 0 ? 1 + i % 9 : 3 + i % 2;
            const int left = cell(random) * 3;
            const int top = cell(random) * 3;
            const Rect r{left, top, left + w, top + w};
            const auto x = static_cast<std::uint32_t>(i % 7 == 0 ? 1024 - w + i % 3 : column(random));
            const auto y = static_cast<std::uint32_t>(i % 11 == 0 ? 768 - w + i % 3 : row(random));
            ASSERT_EQ(copier.copy(x, y, r), reference.device.blit(x, y, sheet.get(), r)) << x << "," << y;
        }
        EXPECT_EQ(walked.device.backBuffer->pixels, reference.device.backBuffer->pixels);
    }
}

TEST(KeyedCopy, CellInTheLastCornerOfTheScreenIsDrawnWhole)
{
    HeadlessScreen screen;
    auto sheet = std::make_unique<BitmapSurface>();
    ASSERT_EQ(sheet->create(&screen.display, SurfaceDesc{4, 4}), S_OK);
    std::fill(sheet->surface->pixels.begin(), sheet->surface->pixels.end(), 0x00FF);
    sheet->surface->pixels[15] = 0; // the key in the corner pixel
    sheet->setColourKey(0);
    screen.device.clear(0x1111);
    EXPECT_EQ(screen.device.blit(1020, 764, sheet.get(), Rect{0, 0, 4, 4}), DD_OK);
    const Surface& back = *screen.device.backBuffer;
    EXPECT_EQ(back.row(764)[1020], 0x00FF);
    EXPECT_EQ(back.row(767)[1022], 0x00FF);
    EXPECT_EQ(back.row(767)[1023], 0x1111); // keyed: left as it was
    EXPECT_EQ(back.row(763)[1023], 0x1111);
    EXPECT_EQ(back.row(764)[1019], 0x1111);
}
