// Bitmap surfaces: making them from the image table, colours, keys and text.
#include "gfx/BitmapSurface.hpp"

#include "gfx/ImageTable.hpp"
#include "platform/BitmapLoader.hpp"
#include "platform/Font.hpp"
#include "support/Scene.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

TEST(BitmapSurface, EmptySurfaceRefusesWithoutTouchingAnything)
{
    BitmapSurface empty;
    EXPECT_EQ(empty.convertColour(0xFFFFFF), 0u);
    EXPECT_EQ(empty.setColourKey(0), E_POINTER);
    EXPECT_EQ(empty.hasColourKey, 0);
    EXPECT_EQ(empty.drawText(nullptr, "x", 0, 0, 0, 0), E_INVALIDARG);
    EXPECT_EQ(empty.drawBitmap(nullptr, 0, 0, 0, 0), E_INVALIDARG);
    EXPECT_EQ(empty.destroy(), S_OK);
}

TEST(BitmapSurface, ConvertColourGivesTheStoredValueAndKeepsTheTopLeftPixel)
{
    HeadlessDisplay display;
    BitmapSurface surface;
    ASSERT_EQ(surface.create(&display, SurfaceDesc{4, 4}), S_OK);
    surface.surface->pixels[0] = 0xABCD;
    EXPECT_EQ(surface.convertColour(0xFFFFFF), 0xFFFFu);
    EXPECT_EQ(surface.convertColour(0), 0u);
    EXPECT_EQ(surface.convertColour(0xC8C8C8), 0xCE59u);
    EXPECT_EQ(surface.convertColour(0x0000FF), 0xF800u); // red is the low byte of the colour
    EXPECT_EQ(surface.surface->pixels[0], 0xABCD);
}

TEST(BitmapSurface, DestroyKeepsTheKeyFlag)
{
    HeadlessDisplay display;
    BitmapSurface surface;
    ASSERT_EQ(surface.create(&display, SurfaceDesc{2, 2}), S_OK);
    EXPECT_EQ(surface.setColourKey(0), S_OK);
    EXPECT_EQ(surface.hasColourKey, 1);
    EXPECT_EQ(surface.destroy(), S_OK);
    EXPECT_EQ(surface.surface, nullptr);
    EXPECT_EQ(surface.hasColourKey, 1);
}

TEST(BitmapSurface, DrawTextWritesGlyphsOverAnOpaqueBox)
{
    HeadlessDisplay display;
    BitmapSurface surface;
    ASSERT_EQ(surface.create(&display, SurfaceDesc{158, 40}), S_OK);
    std::fill(surface.surface->pixels.begin(), surface.surface->pixels.end(), 0x1111);
    EXPECT_EQ(surface.drawText(nullptr, nullptr, 0, 0, 0, 0xFFFFFF), E_INVALIDARG);

    auto font = Font::create("Arial", 12, true);
    if (font == nullptr)
        GTEST_SKIP() << "no font on this machine";
    EXPECT_LE(font->cellHeight(), 12);
    EXPECT_GE(font->cellHeight(), 10);
    EXPECT_EQ(surface.drawText(font.get(), "HELP", 10, 10, 0, 0xFFFFFF), S_OK);
    int white = 0;
    int black = 0;
    int untouchedInside = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 158; ++x) {
            const std::uint16_t p = surface.surface->row(y)[x];
            const bool inside = x >= 10 && x < 40 && y >= 10 && y < 10 + font->cellHeight();
            if (!inside) {
                EXPECT_EQ(p, 0x1111) << x << "," << y;
                continue;
            }
            white += p == 0xFFFF ? 1 : 0;
            black += p == 0 ? 1 : 0;
            untouchedInside += p == 0x1111 ? 1 : 0;
        }
    }
    EXPECT_GT(white, 20); // solid glyph strokes
    EXPECT_GT(black, 100); // the box behind them
    // The text's own box starts at (10, 10).
    EXPECT_NE(surface.surface->row(10)[10], 0x1111);
}

TEST(BitmapSurface, DrawTextCutsTheLineOffAtEveryEdge)
{
    HeadlessDisplay display;
    auto font = Font::create("Arial", 12, true);
    if (font == nullptr)
        GTEST_SKIP() << "no font on this machine";
    // The whole line, at the top-left corner of a surface wide enough for it.
    BitmapSurface whole;
    ASSERT_EQ(whole.create(&display, SurfaceDesc{200, 20}), S_OK);
    std::fill(whole.surface->pixels.begin(), whole.surface->pixels.end(), 0x1111);
    ASSERT_EQ(whole.drawText(font.get(), "HELP 42", 0, 0, 0, 0xFFFFFF), S_OK);
    int lineWidth = 0;
    while (lineWidth < 200 && whole.surface->row(0)[lineWidth] != 0x1111)
        ++lineWidth;
    const int lineHeight = font->cellHeight();
    ASSERT_GT(lineWidth, 20);

    // A small surface, the line put across each of its edges in turn and wholly off it.
    for (const auto& [ox, oy] : {std::pair{-5, -3}, {10, 4}, {-lineWidth + 2, 0}, {3, -lineHeight + 1}, {30, 0}}) {
        BitmapSurface small;
        ASSERT_EQ(small.create(&display, SurfaceDesc{24, 8}), S_OK);
        std::fill(small.surface->pixels.begin(), small.surface->pixels.end(), 0x2222);
        small.drawText(font.get(), "HELP 42", ox, oy, 0, 0xFFFFFF);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 24; ++x) {
                const int lx = x - ox;
                const int ly = y - oy;
                const bool onLine = lx >= 0 && lx < lineWidth && ly >= 0 && ly < lineHeight;
                ASSERT_EQ(small.surface->row(y)[x], onLine ? whole.surface->row(ly)[lx] : 0x2222)
                    << "line at " << ox << "," << oy << ", pixel " << x << "," << y;
            }
    }
}

TEST(BitmapSurface, KeptTextLinesDrawAsFreshOnesAndKeepTheirColours)
{
    HeadlessDisplay display;
    auto font = Font::create("Arial", 12, true);
    if (font == nullptr)
        GTEST_SKIP() << "no font on this machine";
    BitmapSurface surface;
    ASSERT_EQ(surface.create(&display, SurfaceDesc{158, 20}), S_OK);
    auto draw = [&](int count, std::uint32_t colour) {
        std::fill(surface.surface->pixels.begin(), surface.surface->pixels.end(), 0x1111);
        const std::string text = "Sparks: " + std::to_string(count);
        EXPECT_EQ(surface.drawText(font.get(), text.c_str(), 2, 3, 0, colour), S_OK);
        return surface.surface->pixels;
    };
    const auto first = draw(1000, 0xFFFFFF);
    const auto firstAgain = draw(1000, 0xFFFFFF); // kept
    EXPECT_EQ(firstAgain, first);
    EXPECT_NE(draw(1000, 0xFF8000), first); // the same text in another colour is another line
    // More lines than are kept: the first one is rendered anew, the last one is kept.
    std::vector<std::uint16_t> last;
    for (int count = 1001; count < 1400; ++count)
        last = draw(count, 0xFFFFFF);
    EXPECT_EQ(draw(1000, 0xFFFFFF), first);
    EXPECT_EQ(draw(1399, 0xFFFFFF), last);
    EXPECT_NE(last, first);
}

TEST(CreateSurfaceFromBitmap, UnknownImagesFailWithNullOut)
{
    HeadlessScreen screen;
    auto out = std::make_unique<BitmapSurface>();
    EXPECT_EQ(screen.device.createSurfaceFromBitmap(&out, ImageName{999, nullptr}, 10, 10), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(screen.device.createSurfaceFromBitmap(&out, ImageName{0, "/nonexistent/picture.bmp"}, 10, 10), E_FAIL);
    EXPECT_EQ(screen.device.createSurfaceFromBitmap(&out, ImageName{0, nullptr}, 10, 10), E_INVALIDARG);
    EXPECT_EQ(screen.device.createSurfaceFromBitmap(nullptr, ImageName{113, nullptr}, 21, 18), E_INVALIDARG);
}

TEST(CreateSurfaceFromBitmap, BadFilesAreRefusedNotCrashedOn)
{
    HeadlessScreen screen;
    const std::string dir = SPARKLER_TEST_OUTPUT;
    const char* contents[] = {"", "BM", "BM\x10\x00\x00\x00garbage that is not a bitmap at all", "not a bitmap"};
    int i = 0;
    for (const char* text : contents) {
        const std::string path = dir + "/bad" + std::to_string(i++) + ".bmp";
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text, 1, std::strlen(text), f);
        std::fclose(f);
        std::unique_ptr<BitmapSurface> out;
        EXPECT_EQ(screen.device.createSurfaceFromBitmap(&out, ImageName{0, path.c_str()}, 0, 0), E_FAIL) << path;
        EXPECT_EQ(out, nullptr);
    }
}

TEST(CreateSurfaceFromBitmap, SheetHoldsThePicturePixelForPixelAndScalesOnRequest)
{
    HeadlessScreen screen;
    std::unique_ptr<BitmapSurface> sheet;
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&sheet, ImageName{113, nullptr}, 21, 18), S_OK);
    ASSERT_NE(sheet->surface, nullptr);
    EXPECT_EQ(sheet->surface->width, 21);
    EXPECT_EQ(sheet->surface->height, 18);
    EXPECT_EQ(sheet->hasColourKey, 0);
    // Row 0, frame 3: (255, 131, 9) with a near-white centre.
    EXPECT_EQ(sheet->surface->row(0)[9], rgbToPixel(255, 131, 9));
    EXPECT_EQ(sheet->surface->row(1)[10], rgbToPixel(253, 253, 253));

    std::unique_ptr<BitmapSurface> doubled;
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&doubled, ImageName{113, nullptr}, 42, 36), S_OK);
    EXPECT_EQ(doubled->surface->width, 42);
    EXPECT_EQ(doubled->surface->row(0)[18], rgbToPixel(255, 131, 9));
}

TEST(CreateSurfaceFromBitmap, SparkFrameDrawsAsOrangeSquareWithNearWhiteCentre)
{
    HeadlessScreen screen;
    std::unique_ptr<BitmapSurface> sheet;
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&sheet, ImageName{113, nullptr}, 21, 18), S_OK);
    sheet->setColourKey(0);
    screen.device.clear(0x0841);
    ASSERT_EQ(screen.device.blit(500, 300, sheet.get(), Rect{9, 0, 12, 3}), DD_OK);
    const Surface& back = *screen.device.backBuffer;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            const std::uint16_t expected = x == 1 && y == 1 ? rgbToPixel(253, 253, 253) : rgbToPixel(255, 131, 9);
            EXPECT_EQ(back.row(300 + y)[500 + x], expected);
        }
    }
    EXPECT_EQ(back.row(299)[500], 0x0841);
    EXPECT_EQ(back.row(300)[503], 0x0841);
}

TEST(CreateSurfaceFromBitmap, KeyedFramesChangeOnlyTheirShownPixels)
{
    HeadlessScreen screen;
    std::unique_ptr<BitmapSurface> sparks;
    std::unique_ptr<BitmapSurface> smoke;
    std::unique_ptr<BitmapSurface> panel;
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&sparks, ImageName{113, nullptr}, 21, 18), S_OK);
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&smoke, ImageName{115, nullptr}, 48, 4), S_OK);
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&panel, ImageName{112, nullptr}, 158, 200), S_OK);
    sparks->setColourKey(0);
    smoke->setColourKey(0);
    panel->setColourKey(0);
    const std::uint16_t scene = 0x0841;
    auto changed = [&] {
        int count = 0;
        for (std::uint16_t p : screen.device.backBuffer->pixels)
            count += p != scene ? 1 : 0;
        return count;
    };

    // Frame 5 of row 5 of the spark sheet: one white dot.
    screen.device.clear(scene);
    screen.device.blit(100, 100, sparks.get(), Rect{15, 15, 18, 18});
    EXPECT_EQ(changed(), 1);
    EXPECT_EQ(screen.device.backBuffer->row(101)[101], 0xFFFF);

    // Frame 11 of the smoke sheet: one pixel, a column right of and a row below the point.
    screen.device.clear(scene);
    screen.device.blit(200, 50, smoke.get(), Rect{44, 0, 48, 4});
    EXPECT_EQ(changed(), 1);
    EXPECT_NE(screen.device.backBuffer->row(51)[201], scene);

    // The help panel: only its two-pixel frame shows.
    screen.device.clear(scene);
    screen.device.blit(0, 0, panel.get(), Rect{0, 0, 158, 200});
    EXPECT_EQ(changed(), 158 * 200 - 154 * 196);
}

namespace {

// The image table's picture `id` decoded and drawn on a surface of its own, as a surface made
// from it without any kept copy holds it; empty when it cannot be.
std::vector<std::uint16_t> drawnFromItsDecoding(HeadlessScreen& screen, int id, int width, int height)
{
    const ImageResource* resource = findImage(id);
    Image decoded;
    BitmapSurface drawn;
    if (resource == nullptr || !decodeBitmap(resource->data, resource->size, 0, 0, decoded)
        || drawn.create(&screen.display, SurfaceDesc{width, height}) < 0 || drawn.drawBitmap(&decoded, 0, 0, 0, 0) < 0)
        return {};
    return drawn.surface->pixels;
}

} // namespace

TEST(CreateSurfaceFromBitmap, KeptConversionGivesEverySurfaceItsOwnFreshPicture)
{
    HeadlessScreen screen;
    std::unique_ptr<BitmapSurface> first;
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&first, ImageName{112, nullptr}, 158, 200), S_OK);
    const std::vector<std::uint16_t> original = first->surface->pixels;
    // Drawing over one surface must not reach the next one made from the same picture.
    std::fill(first->surface->pixels.begin(), first->surface->pixels.end(), 0x07E0);
    std::unique_ptr<BitmapSurface> second;
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&second, ImageName{112, nullptr}, 158, 200), S_OK);
    EXPECT_EQ(second->surface->pixels, original);
    EXPECT_NE(second->surface.get(), first->surface.get());
    // The kept copy is the picture drawn afresh from its decoding, pixel for pixel.
    EXPECT_EQ(second->surface->pixels, drawnFromItsDecoding(screen, 112, 158, 200));
    // Another size is still scaled on request, not taken from the kept copy.
    std::unique_ptr<BitmapSurface> half;
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&half, ImageName{112, nullptr}, 79, 100), S_OK);
    EXPECT_EQ(half->surface->width, 79);
}

TEST(CreateSurfaceFromBitmap, PictureKeptAheadGivesTheSurfaceItsPicture)
{
    EXPECT_FALSE(ScreenDevice::keepPicture(999));
    EXPECT_FALSE(ScreenDevice::keepPicture(0));
    EXPECT_FALSE(ScreenDevice::keepPicture(0x10000 + 103)); // numbers are 16-bit: no wrapping onto 103
    ASSERT_TRUE(ScreenDevice::keepPicture(103));
    ASSERT_TRUE(ScreenDevice::keepPicture(103)); // kept once, found again
    HeadlessScreen screen;
    std::unique_ptr<BitmapSurface> made;
    ASSERT_EQ(screen.device.createSurfaceFromBitmap(&made, ImageName{103, nullptr}, 1024, 768), S_OK);
    EXPECT_EQ(made->surface->pixels, drawnFromItsDecoding(screen, 103, 1024, 768));
}
