// The baked font: an atlas baked from the native help font writes every panel line exactly as
// the native font does, survives its byte form, and refuses what it cannot place or parse.
#include "app/HelpTexts.hpp"
#include "platform/FontBaker.hpp"

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 16;

// A text drawn into a buffer prefilled with a pattern, so that a box drawn too small, too
// large or shifted shows.
std::vector<std::uint16_t> drawnBy(auto&& draw)
{
    std::vector<std::uint16_t> pixels(kWidth * kHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint16_t>(i * 2654435761u >> 7);
    draw(pixels.data());
    return pixels;
}

class BakedFont : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        font = Font::create(kHelpFontFace, kHelpFontCellHeight, kHelpFontBold).release();
        ASSERT_NE(font, nullptr) << "the help font is needed";
        GlyphAtlas baked;
        std::string error;
        ASSERT_TRUE(bakeGlyphAtlas(*font, helpPanelTexts(), kHelpBackground, baked, report, error)) << error;
        bytes = baked.serialize();
        atlas = new GlyphAtlas;
        ASSERT_TRUE(GlyphAtlas::parse(bytes.data(), bytes.size(), *atlas));
    }
    static void TearDownTestSuite()
    {
        delete font;
        delete atlas;
    }
    static inline Font* font = nullptr;
    static inline GlyphAtlas* atlas = nullptr;
    static inline FontBakeReport report;
    static inline std::vector<std::uint8_t> bytes;
};

} // namespace

TEST_F(BakedFont, WritesEveryPanelLineAsTheNativeFont)
{
    ASSERT_NE(atlas, nullptr);
    int x = 10;
    int y = 2;
    for (const auto& [text, colour] : helpPanelTexts()) {
        const auto native = drawnBy(
            [&](std::uint16_t* p) { font->draw(p, kWidth, kHeight, x, y, text.c_str(), kHelpBackground, colour); });
        const auto baked = drawnBy([&](std::uint16_t* p) {
            EXPECT_TRUE(atlas->draw(p, kWidth, kHeight, x, y, text.c_str(), kHelpBackground, colour)) << text;
        });
        ASSERT_EQ(native, baked) << "\"" << text << "\" at (" << x << ", " << y << ")";
        // Vary the place, clipping included, so that the box's placement is checked too.
        x = (x + 37) % 90 - 20;
        y = (y + 5) % 12 - 4;
    }
    EXPECT_EQ(report.checkedTexts, 2 * (kHelpLargestCount + 1) + 10);
}

TEST_F(BakedFont, ComposesNearlyEveryLineFromGlyphs)
{
    ASSERT_NE(atlas, nullptr);
    // The glyphs and steps carry the text; whole lines are the rare exception (a run of ones,
    // whose fractional kerning rounds differently), so the atlas stays small.
    EXPECT_LT(report.keptLines, 20);
    EXPECT_LT(bytes.size(), 64u * 1024u);
    TextCoverage composed;
    ASSERT_TRUE(atlas->composeFromGlyphs("Sparkler Particles: 1999", composed));
    TextCoverage native;
    ASSERT_TRUE(font->coverage("Sparkler Particles: 1999", native));
    EXPECT_EQ(composed.width, native.width);
    EXPECT_EQ(composed.values, native.values);
}

TEST_F(BakedFont, RefusesTextsItCannotPlace)
{
    ASSERT_NE(atlas, nullptr);
    TextCoverage out;
    EXPECT_FALSE(atlas->compose("", out));
    EXPECT_FALSE(atlas->compose(" HELP", out));
    EXPECT_FALSE(atlas->compose("HELP  ME", out));
    EXPECT_FALSE(atlas->compose("HELP ", out));
    EXPECT_FALSE(atlas->compose("caf\xe9", out));
    EXPECT_TRUE(atlas->compose("HELP ME", out));
    EXPECT_EQ(out.height, atlas->cellHeight);
    std::uint16_t pixels[kWidth * kHeight] = {};
    EXPECT_FALSE(atlas->draw(pixels, kWidth, kHeight, 0, 0, "HELP", 0, 0x123456)) << "a colour pair never baked";
    EXPECT_FALSE(atlas->draw(nullptr, kWidth, kHeight, 0, 0, "HELP", 0, kHelpWhite));
}

TEST_F(BakedFont, ParseRefusesDamagedBytes)
{
    GlyphAtlas out;
    for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{9}, bytes.size() / 2, bytes.size() - 1})
        EXPECT_FALSE(GlyphAtlas::parse(bytes.data(), cut, out)) << "cut at " << cut;
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(GlyphAtlas::parse(longer.data(), longer.size(), out));
    std::vector<std::uint8_t> badMagic = bytes;
    badMagic[0] = 'X';
    EXPECT_FALSE(GlyphAtlas::parse(badMagic.data(), badMagic.size(), out));
    std::vector<std::uint8_t> hugeCell = bytes;
    hugeCell[8] = 0xFF;
    hugeCell[9] = 0xFF;
    EXPECT_FALSE(GlyphAtlas::parse(hugeCell.data(), hugeCell.size(), out));
    EXPECT_FALSE(GlyphAtlas::parse(nullptr, 10, out));
    EXPECT_TRUE(GlyphAtlas::parse(bytes.data(), bytes.size(), out));
    EXPECT_EQ(out.serialize(), bytes);
}
