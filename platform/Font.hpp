// Font: a text face found through fontconfig and rendered with SDL_ttf.
// draw() writes one line of antialiased text into an RGB565 pixel buffer with an opaque box of
// the background colour behind the glyphs, clipped to the buffer. Colours are 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// One line of text as glyph coverage: width x height bytes, top row first, 0 where the
// background shows and 255 where the text colour does.
struct TextCoverage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> values;
};

class Font {
public:
    // Finds `face` (for example "Arial") through fontconfig, falling back to sans-serif, and
    // opens it at the largest size whose cell height is at most cellHeight pixels.
    // Null when no font file can be found or opened.
    static std::unique_ptr<Font> create(const char* face, int cellHeight, bool bold);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Draws `text` with its top-left corner at (x, y) of a width x height buffer of RGB565
    // pixels. Returns false when nothing could be rendered.
    bool draw(std::uint16_t* pixels, int width, int height, int x, int y, const char* text,
              std::uint32_t backgroundColour, std::uint32_t textColour) const;
    // The coverage draw() maps to colours for `text`; false when nothing could be rendered.
    bool coverage(const char* text, TextCoverage& out) const;
    // The RGB565 pixel draw() writes for each coverage level of a colour pair; false when the
    // pair is not one this font can draw.
    bool shades(std::uint32_t backgroundColour, std::uint32_t textColour, std::uint16_t (&pixels)[256]) const;
    // The height of a text cell in pixels.
    int cellHeight() const;
    // The path of the font file in use.
    const char* filePath() const;

private:
    struct Impl;
    explicit Font(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl;
};
