// StrokeFont: a single-line stroke font, read from the text of a .jhf file (one glyph a line:
// a number, a count of coordinate pairs, the glyph's left and right edges, then its points as
// letter pairs, " R" lifting the pen). Glyphs stand in order from the space (32) to 126.
// Coordinates are font units, x to the right and y downwards from the glyph's middle.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

struct StrokePoint {
    int x = 0;
    int y = 0;
};

struct StrokeGlyph {
    bool present = false;
    int left = 0;
    int right = 0;
    // Each stroke is a line drawn without lifting the pen.
    std::vector<std::vector<StrokePoint>> strokes;
};

class StrokeFont {
public:
    // Reads the font; false with `error` saying where the text is malformed.
    bool read(std::string_view text, std::string& error);
    // The glyph for a character, or null when the font has none.
    const StrokeGlyph* glyph(char c) const;

    // The font built into the program (the simplex Roman of the Hershey fonts).
    static std::string_view embeddedText();

    static constexpr int kFirst = 32;
    static constexpr int kLast = 126;
    // From the top of a capital to the baseline, and from one line's baseline to the next.
    static constexpr int kCapHeight = 21;
    static constexpr int kLineSpacing = 32;

private:
    std::array<StrokeGlyph, kLast - kFirst + 1> glyphs{};
};
