// GlyphAtlas: a font baked into plain data, so that a build without the font library writes
// the same pixels as the native text path. It holds each printable ASCII glyph's coverage as
// rendered alone, the step from one visible glyph to the next (kerning included, with or
// without one space between), whole lines for texts the steps do not reproduce, and the 256
// shades of each colour pair. Byte layout: see serialize(); parse() refuses anything malformed.
#pragma once

#include "platform/Font.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class GlyphAtlas {
public:
    static constexpr int kFirst = 32; // the space
    static constexpr int kLast = 126; // the tilde
    static constexpr int kCount = kLast - kFirst + 1;

    struct Glyph {
        int width = 0;
        std::vector<std::uint8_t> coverage; // width x cellHeight
    };
    struct Shades {
        std::uint32_t background = 0;
        std::uint32_t colour = 0;
        std::uint16_t pixels[256] = {};
    };

    // Builds a line from glyphs and steps, or takes it from the whole lines kept for it.
    // False for an empty text, a character outside 33..126 at its start, one outside 32..126
    // anywhere, or two spaces in a row, none of which the atlas knows how to place.
    bool compose(const char* text, TextCoverage& out) const;
    // Composes from glyphs and steps only, ignoring the kept lines; what baking checks.
    bool composeFromGlyphs(const char* text, TextCoverage& out) const;
    // Writes `text` as the native font's draw() does: its box at (x, y) of a width x height
    // RGB565 buffer, clipped, coverage mapped through the colour pair's shades. False when the
    // text cannot be composed or the pair was not baked.
    bool draw(std::uint16_t* pixels, int width, int height, int x, int y, const char* text, std::uint32_t background,
              std::uint32_t colour) const;
    // The 256 RGB565 shades of a colour pair; null when the pair was not baked.
    const std::uint16_t* shadesFor(std::uint32_t background, std::uint32_t colour) const;

    // Where the next visible glyph `to` starts relative to the previous one `from`, with
    // `spaced` telling whether one space lies between them.
    int step(int from, int to, bool spaced) const;
    void setStep(int from, int to, bool spaced, int value);

    std::vector<std::uint8_t> serialize() const;
    static bool parse(const std::uint8_t* data, std::size_t size, GlyphAtlas& out);

    std::string fontPath;
    int cellHeight = 0;
    Glyph glyphs[kCount];
    std::vector<Shades> shades;
    std::vector<std::pair<std::string, TextCoverage>> lines;

private:
    std::vector<std::int8_t> steps = std::vector<std::int8_t>(static_cast<std::size_t>(kCount * kCount * 2), 0);
};
