// GlyphAtlas: composing lines from baked glyphs, and the atlas's byte form; see the header.
// Glyph coverages are combined by OR, as the native shaded text rendering combines them where
// two glyphs overlap.
#include "platform/GlyphAtlas.hpp"

#include <cstring>

namespace {

constexpr char kMagic[4] = {'S', 'P', 'K', 'A'};
constexpr std::uint32_t kVersion = 1;
// Bounds that keep a corrupt atlas from asking for absurd amounts of memory.
constexpr int kMaxCellHeight = 512;
constexpr int kMaxLineWidth = 8192;

class Writer {
public:
    void bytes(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        out.insert(out.end(), p, p + size);
    }
    void u16(std::uint32_t v)
    {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    std::vector<std::uint8_t> out;
};

class Reader {
public:
    Reader(const std::uint8_t* bytes, std::size_t count) : data(bytes), size(count) {}
    bool take(void* into, std::size_t count)
    {
        if (count > size - at)
            return false;
        std::memcpy(into, data + at, count);
        at += count;
        return true;
    }
    bool u16(int& v)
    {
        std::uint8_t b[2];
        if (!take(b, 2))
            return false;
        v = b[0] | (b[1] << 8);
        return true;
    }
    bool u32(std::uint32_t& v)
    {
        int low = 0;
        int high = 0;
        if (!u16(low) || !u16(high))
            return false;
        v = static_cast<std::uint32_t>(low) | (static_cast<std::uint32_t>(high) << 16);
        return true;
    }
    bool atEnd() const { return at == size; }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

bool readCoverage(Reader& in, int width, int height, std::vector<std::uint8_t>& values)
{
    values.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return in.take(values.data(), values.size());
}

} // namespace

int GlyphAtlas::step(int from, int to, bool spaced) const
{
    return steps[static_cast<std::size_t>(((from - kFirst) * kCount + (to - kFirst)) * 2 + (spaced ? 1 : 0))];
}

void GlyphAtlas::setStep(int from, int to, bool spaced, int value)
{
    steps[static_cast<std::size_t>(((from - kFirst) * kCount + (to - kFirst)) * 2 + (spaced ? 1 : 0))]
        = static_cast<std::int8_t>(value);
}

bool GlyphAtlas::composeFromGlyphs(const char* text, TextCoverage& out) const
{
    if (text == nullptr || cellHeight <= 0)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    if (*p <= kFirst || *p > kLast)
        return false;
    // First pass: the place of every visible glyph and the line's width.
    std::vector<std::pair<int, int>> placed; // (character, x)
    int x = 0;
    int width = 0;
    int previous = 0;
    bool spaced = false;
    for (; *p != 0; ++p) {
        const int c = *p;
        if (c < kFirst || c > kLast)
            return false;
        if (c == kFirst) {
            if (spaced)
                return false; // two spaces in a row: no step was baked for them
            spaced = true;
            continue;
        }
        if (previous != 0)
            x += step(previous, c, spaced);
        placed.emplace_back(c, x);
        const int right = x + glyphs[c - kFirst].width;
        if (right > width)
            width = right;
        previous = c;
        spaced = false;
    }
    if (spaced || width <= 0 || width > kMaxLineWidth)
        return false; // a trailing space widens the native line by an amount not baked
    out.width = width;
    out.height = cellHeight;
    out.values.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(cellHeight), 0);
    for (const auto& [c, left] : placed) {
        const Glyph& glyph = glyphs[c - kFirst];
        for (int row = 0; row < cellHeight; ++row) {
            const std::uint8_t* in
                = glyph.coverage.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(glyph.width);
            std::uint8_t* line = out.values.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
            for (int column = 0; column < glyph.width; ++column) {
                const int at = left + column;
                if (at >= 0 && at < width)
                    line[at] |= in[column];
            }
        }
    }
    return true;
}

bool GlyphAtlas::compose(const char* text, TextCoverage& out) const
{
    if (text == nullptr)
        return false;
    for (const auto& [kept, coverage] : lines) {
        if (kept == text) {
            out = coverage;
            return true;
        }
    }
    return composeFromGlyphs(text, out);
}

bool GlyphAtlas::draw(std::uint16_t* pixels, int width, int height, int x, int y, const char* text,
                      std::uint32_t background, std::uint32_t colour) const
{
    const std::uint16_t* shade = shadesFor(background, colour);
    TextCoverage line;
    if (pixels == nullptr || shade == nullptr || !compose(text, line))
        return false;
    for (int row = 0; row < line.height; ++row) {
        const int outRow = y + row;
        if (outRow < 0 || outRow >= height)
            continue;
        const std::uint8_t* in
            = line.values.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(line.width);
        std::uint16_t* out = pixels + static_cast<std::size_t>(outRow) * static_cast<std::size_t>(width);
        for (int column = 0; column < line.width; ++column) {
            const int outColumn = x + column;
            if (outColumn >= 0 && outColumn < width)
                out[outColumn] = shade[in[column]];
        }
    }
    return true;
}

const std::uint16_t* GlyphAtlas::shadesFor(std::uint32_t background, std::uint32_t colour) const
{
    for (const Shades& pair : shades) {
        if (pair.background == background && pair.colour == colour)
            return pair.pixels;
    }
    return nullptr;
}

std::vector<std::uint8_t> GlyphAtlas::serialize() const
{
    Writer out;
    out.bytes(kMagic, sizeof kMagic);
    out.u32(kVersion);
    out.u16(static_cast<std::uint32_t>(cellHeight));
    out.u16(static_cast<std::uint32_t>(fontPath.size()));
    out.bytes(fontPath.data(), fontPath.size());
    for (const Glyph& glyph : glyphs) {
        out.u16(static_cast<std::uint32_t>(glyph.width));
        out.bytes(glyph.coverage.data(), glyph.coverage.size());
    }
    out.bytes(steps.data(), steps.size());
    out.u16(static_cast<std::uint32_t>(shades.size()));
    for (const Shades& pair : shades) {
        out.u32(pair.background);
        out.u32(pair.colour);
        for (std::uint16_t pixel : pair.pixels)
            out.u16(pixel);
    }
    out.u16(static_cast<std::uint32_t>(lines.size()));
    for (const auto& [text, coverage] : lines) {
        out.u16(static_cast<std::uint32_t>(text.size()));
        out.bytes(text.data(), text.size());
        out.u16(static_cast<std::uint32_t>(coverage.width));
        out.u16(static_cast<std::uint32_t>(coverage.height));
        out.bytes(coverage.values.data(), coverage.values.size());
    }
    return out.out;
}

bool GlyphAtlas::parse(const std::uint8_t* data, std::size_t size, GlyphAtlas& out)
{
    if (data == nullptr)
        return false;
    Reader in(data, size);
    char magic[4];
    std::uint32_t version = 0;
    int pathLength = 0;
    GlyphAtlas atlas;
    if (!in.take(magic, 4) || std::memcmp(magic, kMagic, 4) != 0 || !in.u32(version) || version != kVersion)
        return false;
    if (!in.u16(atlas.cellHeight) || atlas.cellHeight <= 0 || atlas.cellHeight > kMaxCellHeight || !in.u16(pathLength))
        return false;
    atlas.fontPath.resize(static_cast<std::size_t>(pathLength));
    if (!in.take(atlas.fontPath.data(), atlas.fontPath.size()))
        return false;
    for (Glyph& glyph : atlas.glyphs) {
        if (!in.u16(glyph.width) || !readCoverage(in, glyph.width, atlas.cellHeight, glyph.coverage))
            return false;
    }
    int shadeCount = 0;
    if (!in.take(atlas.steps.data(), atlas.steps.size()) || !in.u16(shadeCount))
        return false;
    atlas.shades.resize(static_cast<std::size_t>(shadeCount));
    for (Shades& pair : atlas.shades) {
        if (!in.u32(pair.background) || !in.u32(pair.colour))
            return false;
        for (std::uint16_t& pixel : pair.pixels) {
            int value = 0;
            if (!in.u16(value))
                return false;
            pixel = static_cast<std::uint16_t>(value);
        }
    }
    int lineCount = 0;
    if (!in.u16(lineCount))
        return false;
    atlas.lines.resize(static_cast<std::size_t>(lineCount));
    for (auto& [text, coverage] : atlas.lines) {
        int textLength = 0;
        if (!in.u16(textLength))
            return false;
        text.resize(static_cast<std::size_t>(textLength));
        if (!in.take(text.data(), text.size()) || !in.u16(coverage.width) || !in.u16(coverage.height)
            || coverage.width > kMaxLineWidth || coverage.height > kMaxCellHeight
            || !readCoverage(in, coverage.width, coverage.height, coverage.values))
            return false;
    }
    if (!in.atEnd())
        return false;
    out = std::move(atlas);
    return true;
}
