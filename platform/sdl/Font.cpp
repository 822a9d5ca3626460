// Font: fontconfig finds the file, SDL_ttf renders shaded (antialiased over an opaque
// background) text, and the result is reduced to RGB565 into the caller's buffer.
#include "platform/Font.hpp"

#include "platform/PixelFormat.hpp"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A line of text as last rendered, reduced to RGB565. The help panel draws the same lines every
// frame, so rendered lines are kept and reused; the least recently used one makes room.
struct RenderedLine {
    std::size_t hash = 0; // of the text, compared before the text itself
    std::string text;
    std::uint32_t background = 0;
    std::uint32_t colour = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> pixels;
    std::uint64_t lastUse = 0;
};

// The help panel's count lines take a new text most frames, but the counts keep coming back to
// values seen a moment before. With 256 kept lines (a few kilobytes each) most frames find
// both; fewer left one of the two rendered anew nearly every frame.
constexpr std::size_t kLineCacheSize = 256;

} // namespace

struct Font::Impl {
    TTF_Font* font = nullptr;
    std::string path;
    std::vector<RenderedLine> lines;
    std::uint64_t uses = 0;

    const RenderedLine* render(const char* text, std::uint32_t background, std::uint32_t colour);
    ~Impl()
    {
        if (font != nullptr)
            TTF_CloseFont(font);
        TTF_Quit(); // balances the TTF_Init of create()
    }
};

namespace {

std::string findFontFile(const char* face, bool bold)
{
    std::string found;
    if (FcInit() == FcFalse)
        return found;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return found;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
    // Without the named face, fontconfig's own substitutes lead to its sans-serif choice.
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr)
            found = reinterpret_cast<const char*>(file);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

SDL_Color sdlColour(std::uint32_t colour)
{
    return SDL_Color{static_cast<Uint8>(colour & 0xFF), static_cast<Uint8>((colour >> 8) & 0xFF),
                     static_cast<Uint8>((colour >> 16) & 0xFF), 255};
}

// Renders one line as 8-bit coverage levels over an opaque background, and gives the RGB565
// pixel of each level. Null when the text cannot be rendered.
SDL_Surface* renderShaded(TTF_Font* font, const char* text, std::uint32_t background, std::uint32_t colour,
                          std::uint16_t (&lookup)[256])
{
    const SDL_Color bg = sdlColour(background);
    // Texts are 8-bit characters; Latin-1 rendering reads them byte for byte.
    SDL_Surface* rendered = TTF_RenderText_Shaded(font, text, sdlColour(colour), bg);
    if (rendered == nullptr)
        return nullptr;
    const SDL_Palette* palette = rendered->format->palette;
    if (rendered->format->BytesPerPixel != 1 || palette == nullptr) {
        SDL_FreeSurface(rendered);
        return nullptr;
    }
    for (int i = 0; i < 256; ++i) {
        const SDL_Color c = i < palette->ncolors ? palette->colors[i] : bg;
        lookup[i] = rgbToPixel(c.r, c.g, c.b);
    }
    return rendered;
}

} // namespace

Font::Font(std::unique_ptr<Impl> fontImpl) : impl(std::move(fontImpl))
{}

Font::~Font() = default;

std::unique_ptr<Font> Font::create(const char* face, int cellHeight, bool bold)
{
    if (face == nullptr || cellHeight <= 0 || cellHeight > 512)
        return nullptr;
    const std::string path = findFontFile(face, bold);
    if (path.empty() || TTF_Init() != 0)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    // Measure the cell at 72 pixels to the em, then pick the resolution whose cell height is
    // the largest one not above the one asked for.
    impl->font = TTF_OpenFontDPI(path.c_str(), 72, 72, 72);
    if (impl->font == nullptr)
        return nullptr;
    const int reference = TTF_FontHeight(impl->font);
    if (reference <= 0)
        return nullptr;
    unsigned dpi = static_cast<unsigned>(72 * 72 / reference) + 1;
    for (; dpi > 1; --dpi) {
        if (TTF_SetFontSizeDPI(impl->font, cellHeight, dpi, dpi) != 0)
            return nullptr;
        if (TTF_FontHeight(impl->font) <= cellHeight)
            break;
    }
    if (bold && (TTF_GetFontStyle(impl->font) & TTF_STYLE_BOLD) == 0) {
        // A bold file is already bold; only a regular fallback face is emboldened.
        const char* style = TTF_FontFaceStyleName(impl->font);
        if (style == nullptr || std::string(style).find("Bold") == std::string::npos)
            TTF_SetFontStyle(impl->font, TTF_STYLE_BOLD);
    }
    return std::unique_ptr<Font>(new Font(std::move(impl)));
}

int Font::cellHeight() const
{
    return TTF_FontHeight(impl->font);
}

const char* Font::filePath() const
{
    return impl->path.c_str();
}

const RenderedLine* Font::Impl::render(const char* text, std::uint32_t background, std::uint32_t colour)
{
    ++uses;
    const std::size_t hash = std::hash<std::string_view>{}(text);
    for (RenderedLine& line : lines) {
        if (line.hash == hash && line.background == background && line.colour == colour && line.text == text) {
            line.lastUse = uses;
            return &line;
        }
    }
    std::uint16_t lookup[256];
    SDL_Surface* rendered = renderShaded(font, text, background, colour, lookup);
    if (rendered == nullptr)
        return nullptr;
    RenderedLine line;
    line.hash = hash;
    line.text = text;
    line.background = background;
    line.colour = colour;
    line.width = rendered->w;
    line.height = rendered->h;
    line.lastUse = uses;
    line.pixels.resize(static_cast<std::size_t>(rendered->w) * static_cast<std::size_t>(rendered->h));
    const auto* source = static_cast<const std::uint8_t*>(rendered->pixels);
    for (int row = 0; row < rendered->h; ++row) {
        const std::uint8_t* in = source + static_cast<std::size_t>(row) * static_cast<std::size_t>(rendered->pitch);
        std::uint16_t* out = line.pixels.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(rendered->w);
        for (int column = 0; column < rendered->w; ++column)
            out[column] = lookup[in[column]];
    }
    SDL_FreeSurface(rendered);

    if (lines.size() < kLineCacheSize) {
        lines.push_back(std::move(line));
        return &lines.back();
    }
    RenderedLine* oldest = &lines.front();
    for (RenderedLine& candidate : lines) {
        if (candidate.lastUse < oldest->lastUse)
            oldest = &candidate;
    }
    *oldest = std::move(line);
    return oldest;
}

bool Font::draw(std::uint16_t* pixels, int width, int height, int x, int y, const char* text,
                std::uint32_t backgroundColour, std::uint32_t textColour) const
{
    if (pixels == nullptr || text == nullptr || *text == '\0')
        return false;
    const RenderedLine* line = impl->render(text, backgroundColour, textColour);
    if (line == nullptr)
        return false;
    // The columns of the line that land inside the target, the same for every row.
    const int first = std::max(0, -x);
    const int last = std::min(line->width, width - x);
    if (first >= last)
        return true;
    const auto count = static_cast<std::size_t>(last - first);
    for (int row = 0; row < line->height; ++row) {
        const int outRow = y + row;
        if (outRow < 0 || outRow >= height)
            continue;
        const std::uint16_t* in
            = line->pixels.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(line->width);
        std::uint16_t* out = pixels + static_cast<std::size_t>(outRow) * static_cast<std::size_t>(width);
        std::memcpy(out + (x + first), in + first, count * sizeof(std::uint16_t));
    }
    return true;
}

bool Font::coverage(const char* text, TextCoverage& out) const
{
    if (text == nullptr || *text == '\0')
        return false;
    std::uint16_t lookup[256];
    SDL_Surface* rendered = renderShaded(impl->font, text, 0, 0xFFFFFF, lookup);
    if (rendered == nullptr)
        return false;
    // The shaded surface's pixel values are the coverage levels themselves.
    out.width = rendered->w;
    out.height = rendered->h;
    out.values.resize(static_cast<std::size_t>(rendered->w) * static_cast<std::size_t>(rendered->h));
    const auto* source = static_cast<const std::uint8_t*>(rendered->pixels);
    for (int row = 0; row < rendered->h; ++row) {
        const std::uint8_t* in = source + static_cast<std::size_t>(row) * static_cast<std::size_t>(rendered->pitch);
        std::copy(in, in + rendered->w, out.values.begin() + static_cast<std::ptrdiff_t>(row) * rendered->w);
    }
    SDL_FreeSurface(rendered);
    return true;
}

bool Font::shades(std::uint32_t backgroundColour, std::uint32_t textColour, std::uint16_t (&pixels)[256]) const
{
    SDL_Surface* rendered = renderShaded(impl->font, ".", backgroundColour, textColour, pixels);
    if (rendered == nullptr)
        return false;
    SDL_FreeSurface(rendered);
    return true;
}
