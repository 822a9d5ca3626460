// Font for the browser build: the help font as baked at build time from the native font (see
// tools/bake_font.cpp), drawn from its glyph atlas, so every panel line comes out pixel for
// pixel as natively. There is one face: create() gives it for the baked cell height only, and
// draw() writes only colour pairs and texts the atlas knows.
#include "platform/Font.hpp"

#include "platform/GlyphAtlas.hpp"

#include <cstring>

extern const std::uint8_t kBakedFont[];
extern const std::size_t kBakedFontSize;

struct Font::Impl {
    GlyphAtlas atlas;
};

Font::Font(std::unique_ptr<Impl> fontImpl) : impl(std::move(fontImpl))
{}

Font::~Font() = default;

std::unique_ptr<Font> Font::create(const char* face, int cellHeight, bool)
{
    if (face == nullptr || cellHeight <= 0)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    if (!GlyphAtlas::parse(kBakedFont, kBakedFontSize, impl->atlas) || impl->atlas.cellHeight != cellHeight)
        return nullptr;
    return std::unique_ptr<Font>(new Font(std::move(impl)));
}

bool Font::draw(std::uint16_t* pixels, int width, int height, int x, int y, const char* text,
                std::uint32_t backgroundColour, std::uint32_t textColour) const
{
    if (text == nullptr || *text == '\0')
        return false;
    return impl->atlas.draw(pixels, width, height, x, y, text, backgroundColour, textColour);
}

bool Font::coverage(const char* text, TextCoverage& out) const
{
    return impl->atlas.compose(text, out);
}

bool Font::shades(std::uint32_t backgroundColour, std::uint32_t textColour, std::uint16_t (&pixels)[256]) const
{
    const std::uint16_t* found = impl->atlas.shadesFor(backgroundColour, textColour);
    if (found == nullptr)
        return false;
    std::memcpy(pixels, found, sizeof pixels);
    return true;
}

int Font::cellHeight() const
{
    return impl->atlas.cellHeight;
}

const char* Font::filePath() const
{
    return impl->atlas.fontPath.c_str();
}
