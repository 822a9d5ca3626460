// The committed background: dark overall with the intended mean colour, the sky, the firework
// and the beach where the scene needs them.
#include "BitmapFile.hpp"

#include <gtest/gtest.h>

using namespace assettest;

namespace {

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
