// The committed pictures in assets/: their BMP form, the exact contents of the help panel and
// the three sprite sheets, and the overall character of the background photograph. The
// expected tables are written out here as data, independently of the tool that makes them.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Pixel {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Pixel&) const = default;
};

void PrintTo(const Pixel& p, std::ostream* os)
{
    *os << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

// A BMP file as stored: the header fields the program depends on, and the pixels top row first.
struct Bitmap {
    std::size_t fileSize = 0;
    std::uint32_t pixelOffset = 0;
    std::uint32_t infoSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<Pixel> pixels;

    Pixel at(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

std::uint32_t le16(const std::vector<std::uint8_t>& d, std::size_t at)
{
    return static_cast<std::uint32_t>(d[at] | (d[at + 1] << 8));
}
std::uint32_t le32(const std::vector<std::uint8_t>& d, std::size_t at)
{
    return le16(d, at) | (le16(d, at + 2) << 16);
}

// Reads the header of any BMP, and the pixels when they are 24-bit and uncompressed. Rows are
// taken as bottom-up when the height is positive, as the format defines.
::testing::AssertionResult readBitmap(const std::string& name, Bitmap& out)
{
    const std::string path = std::string(SPARKLER_ASSET_DIR) + "/" + name;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return ::testing::AssertionFailure() << "cannot open " << path;
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M')
        return ::testing::AssertionFailure() << path << " is not a BMP file";
    out.fileSize = data.size();
    out.pixelOffset = le32(data, 10);
    out.infoSize = le32(data, 14);
    out.width = static_cast<std::int32_t>(le32(data, 18));
    out.height = static_cast<std::int32_t>(le32(data, 22));
    out.planes = static_cast<std::uint16_t>(le16(data, 26));
    out.bitsPerPixel = static_cast<std::uint16_t>(le16(data, 28));
    out.compression = le32(data, 30);
    out.coloursUsed = le32(data, 46);
    if (out.bitsPerPixel != 24 || out.compression != 0 || out.width <= 0 || out.height == 0)
        return ::testing::AssertionSuccess(); // header only; the form test reports what is wrong
    const bool bottomUp = out.height > 0;
    const int rows = bottomUp ? out.height : -out.height;
    const std::size_t stride = (static_cast<std::size_t>(out.width) * 3 + 3) / 4 * 4;
    if (out.pixelOffset + stride * static_cast<std::size_t>(rows) > data.size())
        return ::testing::AssertionFailure() << path << " is shorter than its pixel rows";
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        const int y = bottomUp ? rows - 1 - row : row;
        const std::size_t start = out.pixelOffset + stride * static_cast<std::size_t>(row);
        for (int x = 0; x < out.width; ++x) {
            const std::size_t p = start + static_cast<std::size_t>(x) * 3;
            out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) + static_cast<std::size_t>(x)]
                = Pixel{data[p + 2], data[p + 1], data[p]};
        }
    }
    return ::testing::AssertionSuccess();
}

Bitmap load(const std::string& name)
{
    Bitmap bitmap;
    EXPECT_TRUE(readBitmap(name, bitmap));
    return bitmap;
}

constexpr Pixel kBlack{0, 0, 0};
constexpr Pixel kNearWhite{253, 253, 253};
constexpr Pixel kWhite{255, 255, 255};

struct Offset {
    int x;
    int y;
};

// Compares a whole picture with the expected one given as a function of (x, y), reporting at
// most a handful of differing pixels.
template <typename Expected> void expectPixels(const Bitmap& bitmap, Expected expected)
{
    int failures = 0;
    for (int y = 0; y < bitmap.height && failures < 8; ++y) {
        for (int x = 0; x < bitmap.width && failures < 8; ++x) {
            const Pixel want = expected(x, y);
            if (bitmap.at(x, y) != want) {
                ++failures;
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << ::testing::PrintToString(bitmap.at(x, y))
                              << ", expected " << ::testing::PrintToString(want);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------
// File form

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

struct Mean {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

Mean meanOf(const Bitmap& bitmap, int left, int top, int right, int bottom)
{
    Mean m;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const Pixel p = bitmap.at(x, y);
            m.r += p.r;
            m.g += p.g;
            m.b += p.b;
        }
    }
    const double n = static_cast<double>(right - left) * static_cast<double>(bottom - top);
    return {m.r / n, m.g / n, m.b / n};
}

class Background103 : public ::testing::Test {
protected:
    static void SetUpTestSuite() { picture_ = new Bitmap(load("Background103.bmp")); }
    static void TearDownTestSuite()
    {
        delete picture_;
        picture_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_EQ(picture_->width, 1024);
        ASSERT_EQ(picture_->height, 768);
    }
    static const Bitmap& picture() { return *picture_; }

private:
    static Bitmap* picture_;
};
Bitmap* Background103::picture_ = nullptr;

TEST_F(Background103, IsDarkOverallWithTheIntendedMeanColour)
{
    const Mean m = meanOf(picture(), 0, 0, 1024, 768);
    EXPECT_NEAR(m.r, 19.0, 4.0);
    EXPECT_NEAR(m.g, 31.0, 4.0);
    EXPECT_NEAR(m.b, 52.0, 4.0);
}

TEST_F(Background103, TopLeftBehindTheHelpPanelIsMidBlueSky)
{
    const Mean m = meanOf(picture(), 0, 0, 158, 200);
    EXPECT_NEAR(m.r, 37.0, 15.0);
    EXPECT_NEAR(m.g, 85.0, 15.0);
    EXPECT_NEAR(m.b, 130.0, 15.0);
    EXPECT_GT(m.b, m.g);
    EXPECT_GT(m.g, m.r);
}

TEST_F(Background103, SkyIsDarkestAtTheTopRight)
{
    const Mean topRight = meanOf(picture(), 964, 0, 1024, 40);
    const Mean topLeft = meanOf(picture(), 0, 0, 60, 40);
    EXPECT_NEAR(topRight.r, 14.0, 10.0);
    EXPECT_NEAR(topRight.g, 27.0, 10.0);
    EXPECT_NEAR(topRight.b, 75.0, 12.0);
    EXPECT_LT(topRight.r + topRight.g + topRight.b, topLeft.r + topLeft.g + topLeft.b);
}

TEST_F(Background103, FireworkIsABrightPinkBurstInTheUpperMiddle)
{
    const Mean burst = meanOf(picture(), 385, 40, 625, 290);
    const Mean skyBeside = meanOf(picture(), 700, 40, 940, 250);
    EXPECT_GT(burst.r, skyBeside.r + 25.0);
    EXPECT_GT(burst.r - skyBeside.r, burst.g - skyBeside.g) << "the light it adds is pink";
}

TEST_F(Background103, LowerThirdIsAnAlmostBlackBeach)
{
    const Mean m = meanOf(picture(), 0, 512, 1024, 768);
    EXPECT_LT(m.r, 12.0);
    EXPECT_LT(m.g, 12.0);
    EXPECT_LT(m.b, 16.0);
    // Textured sand and grain, not a flat fill.
    double spread = 0.0;
    for (int y = 512; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const double d = picture().at(x, y).b - m.b;
            spread += d * d;
        }
    }
    EXPECT_GT(spread / (1024.0 * 256.0), 1.0);
}

} // namespace
