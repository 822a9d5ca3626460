// FontBaker: glyphs, steps, shades and kept lines from the native font; see the header.
// A step is found by rendering the pair and searching the offset at which the second glyph,
// ORed over the first, gives the pair's pixels; a space between them is baked as its own case.
#include "platform/FontBaker.hpp"

#include <algorithm>

namespace {

// Whether `first` with `second` ORed in at `offset` gives exactly `pair`.
bool matchesAt(const TextCoverage& first, const TextCoverage& second, int offset, const TextCoverage& pair)
{
    if (pair.height != first.height || second.height != first.height
        || std::max(first.width, offset + second.width) != pair.width)
        return false;
    for (int row = 0; row < pair.height; ++row) {
        for (int x = 0; x < pair.width; ++x) {
            int value = x < first.width ? first.values[static_cast<std::size_t>(row * first.width + x)] : 0;
            const int inSecond = x - offset;
            if (inSecond >= 0 && inSecond < second.width)
                value |= second.values[static_cast<std::size_t>(row * second.width + inSecond)];
            if (value != pair.values[static_cast<std::size_t>(row * pair.width + x)])
                return false;
        }
    }
    return true;
}

bool sameCoverage(const TextCoverage& a, const TextCoverage& b)
{
    return a.width == b.width && a.height == b.height && a.values == b.values;
}

} // namespace

bool bakeGlyphAtlas(const Font& font, const std::vector<std::pair<std::string, std::uint32_t>>& texts,
                    std::uint32_t background, GlyphAtlas& atlas, FontBakeReport& report, std::string& error)
{
    atlas = GlyphAtlas{};
    atlas.fontPath = font.filePath();
    atlas.cellHeight = font.cellHeight();
    TextCoverage rendered[GlyphAtlas::kCount];
    for (int c = GlyphAtlas::kFirst; c <= GlyphAtlas::kLast; ++c) {
        const char text[2] = {static_cast<char>(c), 0};
        TextCoverage& glyph = rendered[c - GlyphAtlas::kFirst];
        if (!font.coverage(text, glyph) || glyph.height != atlas.cellHeight) {
            error = "glyph " + std::to_string(c) + " cannot be rendered at the cell height";
            return false;
        }
        atlas.glyphs[c - GlyphAtlas::kFirst].width = glyph.width;
        atlas.glyphs[c - GlyphAtlas::kFirst].coverage = glyph.values;
    }
    for (int a = GlyphAtlas::kFirst + 1; a <= GlyphAtlas::kLast; ++a) {
        for (int b = GlyphAtlas::kFirst + 1; b <= GlyphAtlas::kLast; ++b) {
            for (bool spaced : {false, true}) {
                const std::string text
                    = std::string(1, static_cast<char>(a)) + (spaced ? " " : "") + static_cast<char>(b);
                TextCoverage pair;
                if (!font.coverage(text.c_str(), pair))
                    continue;
                const TextCoverage& first = rendered[a - GlyphAtlas::kFirst];
                const TextCoverage& second = rendered[b - GlyphAtlas::kFirst];
                // Steps are small: kerning moves a glyph by a few pixels at most.
                for (int offset = -atlas.cellHeight; offset <= pair.width && offset < 127; ++offset) {
                    if (matchesAt(first, second, offset, pair)) {
                        atlas.setStep(a, b, spaced, offset);
                        break;
                    }
                }
            }
        }
    }

    report = FontBakeReport{};
    for (const auto& [text, colour] : texts) {
        ++report.checkedTexts;
        if (atlas.shadesFor(background, colour) == nullptr) {
            GlyphAtlas::Shades pair;
            pair.background = background;
            pair.colour = colour;
            if (!font.shades(background, colour, pair.pixels)) {
                error = "the shades of a colour pair cannot be rendered";
                return false;
            }
            atlas.shades.push_back(pair);
        }
        TextCoverage native;
        if (!font.coverage(text.c_str(), native)) {
            error = "\"" + text + "\" cannot be rendered";
            return false;
        }
        TextCoverage composed;
        if (!atlas.composeFromGlyphs(text.c_str(), composed) || !sameCoverage(composed, native)) {
            atlas.lines.emplace_back(text, native);
            ++report.keptLines;
        }
    }
    return true;
}
