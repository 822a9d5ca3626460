// The icon: its colours come from the program's own pictures, it is see-through outside its
// rounded tile, its burning head is the brightest spot, and its rays survive at 16 pixels.
#include "gfx/Icon.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Pixel {
    int r, g, b, a;
};

Pixel at(const std::vector<std::uint8_t>& rgba, int size, double ux, double uy)
{
    const int x = static_cast<int>(ux * size);
    const int y = static_cast<int>(uy * size);
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)) * 4;
    return Pixel{rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}

IconColours pictureColours()
{
    IconColours colours;
    EXPECT_TRUE(iconColoursFromImages(colours));
    return colours;
}

void expectRgb(const IconRgb& c, double r, double g, double b)
{
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
}

} // namespace

TEST(Icon, ColoursAreTheSparkSheetsOrangeRowTheSmokesGreyAndTheNightSky)
{
    const IconColours c = pictureColours();
    expectRgb(c.spark[0], 255, 219, 183);
    expectRgb(c.spark[3], 255, 131, 9);
    expectRgb(c.spark[6], 92, 45, 0);
    expectRgb(c.hot, 253, 253, 253);
    expectRgb(c.wire, 162, 162, 162);
    // The sky is blue and darker at the top than near the horizon.
    EXPECT_GT(c.skyTop.b, c.skyTop.r);
    EXPECT_GT(c.skyLow.b, c.skyLow.r);
    EXPECT_LT(c.skyTop.r + c.skyTop.g + c.skyTop.b, c.skyLow.r + c.skyLow.g + c.skyLow.b);
}

TEST(Icon, EverySizeIsClearOutsideTheTileAndOpaqueSkyInside)
{
    const std::vector<IconShape> shapes = iconShapes(pictureColours());
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> icon = drawIcon(shapes, size);
        ASSERT_EQ(icon.size(), static_cast<std::size_t>(size * size * 4));
        // The corners are cut by the tile's rounding.
        EXPECT_EQ(at(icon, size, 0.0, 0.0).a, 0);
        EXPECT_EQ(at(icon, size, 0.99, 0.99).a, 0);
        EXPECT_EQ(at(icon, size, 0.99, 0.0).a, 0);
        // Low on the right there is only sky: opaque and blue.
        const Pixel sky = at(icon, size, 0.80, 0.85);
        EXPECT_EQ(sky.a, 255);
        EXPECT_GT(sky.b, sky.r + 30);
    }
}

TEST(Icon, TheHeadIsNearWhiteAndTheRaysOrangeEvenAtSixteenPixels)
{
    const std::vector<IconShape> shapes = iconShapes(pictureColours());
    for (int size : {16, 64, 256}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> icon = drawIcon(shapes, size);
        const Pixel head = at(icon, size, 0.57, 0.42);
        EXPECT_GT(head.r, 230);
        EXPECT_GT(head.g, 200);
        EXPECT_GT(head.b, 170);
        // Halfway out along the longest horizontal ray: orange over the sky, red well above blue.
        const Pixel ray = at(icon, size, 0.57 + 0.13, 0.42);
        EXPECT_GT(ray.r, ray.b + 80) << ray.r << "," << ray.g << "," << ray.b;
    }
}

TEST(Icon, AGlowFadesFromItsCentreToNothingAtItsEdge)
{
    IconShape glow{IconShape::Glow, 0.5, 0.5, 0.0, 0.0, 0.5, 0.0,
                   {IconStop{0.0, IconRgb{255, 255, 255}, 1.0}, IconStop{1.0, IconRgb{255, 0, 0}, 0.0}}};
    const std::vector<std::uint8_t> icon = drawIcon({glow}, 32);
    const Pixel centre = at(icon, 32, 0.5, 0.5);
    const Pixel halfway = at(icon, 32, 0.75, 0.5);
    const Pixel edge = at(icon, 32, 0.99, 0.5);
    EXPECT_GT(centre.a, 240);
    EXPECT_GT(centre.b, 240);
    EXPECT_GT(halfway.a, 90);
    EXPECT_LT(halfway.a, 170);
    EXPECT_LT(halfway.b, centre.b); // redder away from the centre
    EXPECT_LT(edge.a, 20);
    EXPECT_EQ(at(icon, 32, 0.0, 0.0).a, 0); // beyond the radius
}

TEST(Icon, AThinStrokeStaysOnePixelWideWhenDrawnSmall)
{
    // A stroke a tenth of a pixel across at 16 pixels still covers its pixel row.
    IconShape line{IconShape::Stroke, 0.1, 0.5, 0.9, 0.5, 0.006, 0.0, {IconStop{0.0, IconRgb{255, 255, 255}, 1.0}}};
    const std::vector<std::uint8_t> small = drawIcon({line}, 16);
    EXPECT_GT(at(small, 16, 0.5, 0.5).a, 100);
    // At 256 pixels it is drawn as wide as it is: under two pixels, so a row away is clear.
    const std::vector<std::uint8_t> large = drawIcon({line}, 256);
    EXPECT_GT(at(large, 256, 0.5, 0.5).a, 100);
    EXPECT_EQ(at(large, 256, 0.5, 0.5 + 3.0 / 256).a, 0);
}

TEST(Icon, NoSizeGivesNoPixels)
{
    EXPECT_TRUE(drawIcon(iconShapes(pictureColours()), 0).empty());
    EXPECT_TRUE(drawIcon(iconShapes(pictureColours()), -4).empty());
}
