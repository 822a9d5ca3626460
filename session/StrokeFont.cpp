// StrokeFont: the .jhf reader; see the header.
#include "session/StrokeFont.hpp"

namespace {

bool isDigitOrSpace(char c)
{
    return c == ' ' || (c >= '0' && c <= '9');
}

// The number in a fixed field of digits padded with spaces; -1 when it holds anything else.
int field(std::string_view text)
{
    int value = 0;
    bool any = false;
    for (char c : text) {
        if (!isDigitOrSpace(c))
            return -1;
        if (c != ' ') {
            value = value * 10 + (c - '0');
            any = true;
            if (value > 100000)
                return -1;
        }
    }
    return any ? value : -1;
}

} // namespace

bool StrokeFont::read(std::string_view text, std::string& error)
{
    glyphs = {};
    int index = 0;
    int lineNumber = 0;
    std::size_t at = 0;
    while (at < text.size() && index < static_cast<int>(glyphs.size())) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(at, end - at));
        at = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const std::string where = "line " + std::to_string(lineNumber);
        const int pairs = line.size() >= 8 ? field(std::string_view(line).substr(5, 3)) : -1;
        if (pairs < 1) {
            error = where + ": no glyph header";
            return false;
        }
        // A long glyph goes on over the next lines until all its pairs are there.
        const std::size_t needed = 8 + 2 * static_cast<std::size_t>(pairs);
        while (line.size() < needed && at < text.size()) {
            end = text.find('\n', at);
            if (end == std::string_view::npos)
                end = text.size();
            std::string more(text.substr(at, end - at));
            if (!more.empty() && more.back() == '\r')
                more.pop_back();
            line += more;
            at = end + 1;
            ++lineNumber;
        }
        if (line.size() < needed) {
            error = where + ": the glyph ends before its " + std::to_string(pairs) + " pairs";
            return false;
        }
        StrokeGlyph& g = glyphs[static_cast<std::size_t>(index++)];
        g.present = true;
        g.left = line[8] - 'R';
        g.right = line[9] - 'R';
        std::vector<StrokePoint> stroke;
        for (int i = 1; i < pairs; ++i) {
            const char a = line[8 + 2 * static_cast<std::size_t>(i)];
            const char b = line[9 + 2 * static_cast<std::size_t>(i)];
            if (a < ' ' || a > '~' || b < ' ' || b > '~') {
                error = where + ": a coordinate is not a printable letter";
                return false;
            }
            if (a == ' ' && b == 'R') {
                if (!stroke.empty())
                    g.strokes.push_back(std::move(stroke));
                stroke.clear();
                continue;
            }
            stroke.push_back(StrokePoint{a - 'R', b - 'R'});
        }
        if (!stroke.empty())
            g.strokes.push_back(std::move(stroke));
    }
    if (index == 0) {
        error = "the font holds no glyph";
        return false;
    }
    return true;
}

const StrokeGlyph* StrokeFont::glyph(char c) const
{
    const int code = static_cast<unsigned char>(c);
    if (code < kFirst || code > kLast)
        return nullptr;
    const StrokeGlyph& g = glyphs[static_cast<std::size_t>(code - kFirst)];
    return g.present ? &g : nullptr;
}
