// The committed sprite sheets and help panel: their file form, and every pixel against the
// tables they are drawn from.
#include "BitmapFile.hpp"

#include <gtest/gtest.h>

using namespace assettest;

namespace {

struct FormCase {
    const char* name;
    int width;
    int height;
};

void PrintTo(const FormCase& c, std::ostream* os)
{
    *os << c.name;
}

class ImageForm : public ::testing::TestWithParam<FormCase> {};

TEST_P(ImageForm, Is24BitUncompressedBottomUpWithoutColourTable)
{
    const FormCase& c = GetParam();
    const Bitmap bitmap = load(c.name);
    EXPECT_EQ(bitmap.infoSize, 40u);
    EXPECT_EQ(bitmap.width, c.width);
    EXPECT_EQ(bitmap.height, c.height) << "height must be positive: rows stored bottom-up";
    EXPECT_EQ(bitmap.planes, 1u);
    EXPECT_EQ(bitmap.bitsPerPixel, 24u);
    EXPECT_EQ(bitmap.compression, 0u) << "BI_RGB";
    EXPECT_EQ(bitmap.coloursUsed, 0u);
    EXPECT_EQ(bitmap.pixelOffset, 14u + 40u) << "no colour table between header and pixels";
    const std::size_t stride = (static_cast<std::size_t>(c.width) * 3 + 3) / 4 * 4;
    EXPECT_EQ(bitmap.fileSize, 54u + stride * static_cast<std::size_t>(c.height)) << "rows padded to 4 bytes";
}

INSTANTIATE_TEST_SUITE_P(Assets, ImageForm,
                         ::testing::Values(FormCase{"Background103.bmp", 1024, 768},
                                           FormCase{"HelpPanel112.bmp", 158, 200},
                                           FormCase{"SparkSheet113.bmp", 21, 18}, FormCase{"BurstSheet114.bmp", 21, 18},
                                           FormCase{"SmokeSheet115.bmp", 48, 4}),
                         [](const ::testing::TestParamInfo<FormCase>& param) {
                             std::string n = param.param.name;
                             return n.substr(0, n.find('.'));
                         });

// ---------------------------------------------------------------------------------------
// Sprite sheets

// Sheet 113: rows orange, violet, blue-violet, yellow, green, white; frames 0 to 6.
constexpr std::array<std::array<Pixel, 7>, 6> kSparkFill{{
    {{{255, 219, 183}, {255, 194, 135}, {255, 164, 67}, {255, 131, 9}, {197, 98, 1}, {143, 71, 1}, {92, 45, 0}}},
    {{{237, 195, 247},
      {228, 169, 245},
      {213, 130, 240},
      {187, 67, 231},
      {151, 24, 198},
      {114, 19, 149},
      {79, 13, 103}}},
    {{{217, 215, 237}, {164, 160, 210}, {122, 117, 191}, {99, 92, 188}, {74, 68, 154}, {57, 52, 116}, {41, 38, 82}}},
    {{{254, 255, 145}, {253, 255, 97}, {253, 255, 57}, {252, 255, 25}, {196, 198, 0}, {156, 158, 0}, {105, 106, 0}}},
    {{{206, 255, 121}, {190, 255, 77}, {169, 255, 19}, {135, 212, 0}, {104, 164, 0}, {74, 116, 0}, {46, 72, 0}}},
    {{{255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
}};

TEST(SparkSheet113, MatchesTheColourTablePixelForPixel)
{
    const Bitmap sheet = load("SparkSheet113.bmp");
    ASSERT_EQ(sheet.width, 21);
    ASSERT_EQ(sheet.height, 18);
    expectPixels(sheet, [](int x, int y) {
        const int frame = x / 3;
        const int row = y / 3;
        const bool centre = x % 3 == 1 && y % 3 == 1;
        if (centre && row == 5 && frame >= 4)
            return kWhite;
        if (centre && row < 5 && frame >= 2)
            return kNearWhite;
        return kSparkFill[static_cast<std::size_t>(row)][static_cast<std::size_t>(frame)];
    });
}

TEST(SparkSheet113, OrangeFrame3IsAnOrangeSquareWithNearWhiteCentre)
{
    const Bitmap sheet = load("SparkSheet113.bmp");
    ASSERT_EQ(sheet.width, 21);
    constexpr Pixel orange{255, 131, 9};
    for (int y = 0; y < 3; ++y) {
        for (int x = 9; x < 12; ++x)
            EXPECT_EQ(sheet.at(x, y), (x == 10 && y == 1) ? kNearWhite : orange) << x << ", " << y;
    }
}

// Sheet 114, per row: the pale colour of frames 0 and 1 and the centre colour of 2, 4 and 6.
constexpr std::array<Pixel, 6> kBurstPale{
    {{255, 219, 183}, {237, 195, 247}, {217, 215, 237}, {253, 255, 57}, {206, 255, 121}, {255, 255, 255}}};
constexpr std::array<Pixel, 6> kBurstCentre{
    {{255, 219, 183}, {213, 130, 240}, {188, 185, 223}, {253, 255, 57}, {206, 255, 121}, {255, 255, 255}}};

constexpr std::array<Offset, 5> kDiagonalCross{{{0, 0}, {2, 0}, {1, 1}, {0, 2}, {2, 2}}};
constexpr std::array<Offset, 5> kUprightCross{{{1, 0}, {0, 1}, {1, 1}, {2, 1}, {1, 2}}};

template <std::size_t N> bool contains(const std::array<Offset, N>& shape, int x, int y)
{
    for (const Offset& o : shape) {
        if (o.x == x && o.y == y)
            return true;
    }
    return false;
}

TEST(BurstSheet114, MatchesTheStarAndTwinkleTablePixelForPixel)
{
    const Bitmap sheet = load("BurstSheet114.bmp");
    ASSERT_EQ(sheet.width, 21);
    ASSERT_EQ(sheet.height, 18);
    expectPixels(sheet, [](int x, int y) {
        const int frame = x / 3;
        const auto row = static_cast<std::size_t>(y / 3);
        const int cx = x % 3;
        const int cy = y % 3;
        if (frame == 0)
            return contains(kDiagonalCross, cx, cy) ? kBurstPale[row] : kBlack;
        if (frame == 1)
            return contains(kUprightCross, cx, cy) ? kBurstPale[row] : kBlack;
        if (cx != 1 || cy != 1)
            return kBlack;
        if (frame % 2 == 0)
            return kBurstCentre[row];
        return (row == 3 || row == 5) ? kWhite : kNearWhite;
    });
}

// Sheet 115: per frame, the grey of the diagonal-cross pixels, of the three checkerboard
// pixels (0 when absent) and the shape.
enum class Shape { Diagonal, Checker, Upright, Dot };
struct SmokeFrame {
    int grey;
    int checkerGrey;
    Shape shape;
};
constexpr std::array<SmokeFrame, 12> kSmokeFrames{{
    {162, 0, Shape::Diagonal},
    {152, 0, Shape::Diagonal},
    {142, 0, Shape::Diagonal},
    {132, 0, Shape::Diagonal},
    {122, 0, Shape::Diagonal},
    {112, 112, Shape::Checker},
    {102, 112, Shape::Checker},
    {92, 92, Shape::Checker},
    {82, 0, Shape::Diagonal},
    {72, 0, Shape::Diagonal},
    {72, 0, Shape::Upright},
    {72, 0, Shape::Dot},
}};

TEST(SmokeSheet115, MatchesThePuffTablePixelForPixel)
{
    const Bitmap sheet = load("SmokeSheet115.bmp");
    ASSERT_EQ(sheet.width, 48);
    ASSERT_EQ(sheet.height, 4);
    constexpr std::array<Offset, 3> checkerExtra{{{3, 1}, {1, 3}, {3, 3}}};
    expectPixels(sheet, [&](int x, int y) {
        const SmokeFrame& f = kSmokeFrames[static_cast<std::size_t>(x / 4)];
        const int cx = x % 4;
        const int cy = y;
        auto grey = [](int v) { return Pixel{v, v, v}; };
        switch (f.shape) {
        case Shape::Diagonal:
            return contains(kDiagonalCross, cx, cy) ? grey(f.grey) : kBlack;
        case Shape::Checker:
            if (contains(kDiagonalCross, cx, cy))
                return grey(f.grey);
            return contains(checkerExtra, cx, cy) ? grey(f.checkerGrey) : kBlack;
        case Shape::Upright:
            return contains(kUprightCross, cx, cy) ? grey(f.grey) : kBlack;
        case Shape::Dot:
            return (cx == 1 && cy == 1) ? grey(f.grey) : kBlack;
        }
        return kBlack;
    });
}

// Under the black key, the last frames of sheets 113 (white row) and 115 each show one dot.
TEST(SpriteSheets, DyingFramesShowASingleDotUnderTheBlackKey)
{
    auto visible = [](const Bitmap& sheet, int left, int top, int size) {
        std::vector<Offset> shown;
        for (int y = top; y < top + size; ++y) {
            for (int x = left; x < left + size; ++x) {
                if (sheet.at(x, y) != kBlack)
                    shown.push_back({x - left, y - top});
            }
        }
        return shown;
    };
    const Bitmap sparks = load("SparkSheet113.bmp");
    ASSERT_EQ(sparks.width, 21);
    for (int frame = 4; frame < 7; ++frame) {
        const std::vector<Offset> shown = visible(sparks, frame * 3, 15, 3);
        ASSERT_EQ(shown.size(), 1u) << "white row, frame " << frame;
        EXPECT_EQ(shown[0].x, 1);
        EXPECT_EQ(shown[0].y, 1);
        EXPECT_EQ(sparks.at(frame * 3 + 1, 16), kWhite);
    }
    const Bitmap smoke = load("SmokeSheet115.bmp");
    ASSERT_EQ(smoke.width, 48);
    const std::vector<Offset> shown = visible(smoke, 44, 0, 4);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].x, 1);
    EXPECT_EQ(shown[0].y, 1);
}

// ---------------------------------------------------------------------------------------
// Help panel

TEST(HelpPanel112, IsATwoPixelFrameAroundPureBlack)
{
    const Bitmap panel = load("HelpPanel112.bmp");
    ASSERT_EQ(panel.width, 158);
    ASSERT_EQ(panel.height, 200);
    constexpr int right = 157;
    constexpr int bottom = 199;
    expectPixels(panel, [](int x, int y) {
        auto grey = [](int v) { return Pixel{v, v, v}; };
        const bool outerColumn = x == 0 || x == right;
        const bool innerColumn = x == 1 || x == right - 1;
        // Corners: soft intermediate greys, the mean of their four edge neighbours with the
        // outside counted as black.
        if (outerColumn && y == 0)
            return grey(115);
        if (outerColumn && y == bottom)
            return grey(106);
        if (innerColumn && y == 1)
            return grey(138);
        if (innerColumn && y == bottom - 1)
            return grey(129);
        if (y == bottom)
            return grey(196);
        if (y == 0 || outerColumn)
            return grey(229);
        if (y == 1 || y == bottom - 1 || innerColumn)
            return grey(46);
        return kBlack;
    });
}

TEST(HelpPanel112, CornerGreysLieBetweenTheLinesTheyJoin)
{
    const Bitmap panel = load("HelpPanel112.bmp");
    ASSERT_EQ(panel.width, 158);
    ASSERT_EQ(panel.height, 200);
    for (int x : {0, 157}) {
        for (int y : {0, 199}) {
            const Pixel p = panel.at(x, y);
            EXPECT_TRUE(p.r == p.g && p.g == p.b) << x << ", " << y;
            EXPECT_GT(p.r, 0) << x << ", " << y;
            EXPECT_LT(p.r, y == 0 ? 229 : 196) << x << ", " << y;
        }
    }
    for (int x : {1, 156}) {
        for (int y : {1, 198}) {
            const Pixel p = panel.at(x, y);
            EXPECT_TRUE(p.r == p.g && p.g == p.b) << x << ", " << y;
            EXPECT_GT(p.r, 46) << x << ", " << y;
            EXPECT_LT(p.r, 229) << x << ", " << y;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Background photograph: only its overall character is fixed.

} // namespace
