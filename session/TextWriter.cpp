// TextWriter: the layout of the words and the pen's path through them; see the header.
#include "session/TextWriter.hpp"

#include "platform/VirtualKeys.hpp"
#include "session/PilotMath.hpp"
#include "sim/ScreenSize.hpp"

#include <algorithm>
#include <cmath>

namespace {

// The words keep this far from the scene's edges, in pixels.
constexpr double kMarginX = 64.0;
constexpr double kMarginY = 64.0;
// The largest scale: a line at most 10 pixels a font unit (a capital about 210 pixels high).
constexpr double kLargestScale = 10.0;
// At most this many lines, whatever the text.
constexpr std::size_t kMostLines = 6;
// A turn sharper than this (its cosine below) is a corner the pen halts on.
constexpr double kCornerCosine = 0.94;

struct Word {
    std::string text;
    int width = 0; // font units
};

int advanceOf(const StrokeGlyph& g)
{
    return g.right - g.left;
}

// The text split into lines: hard breaks from the text, and within each the words balanced
// over as many lines as `lines` asks (1 leaves each hard line whole).
std::vector<std::vector<Word>> breakLines(const std::vector<std::vector<Word>>& hard, std::size_t extra,
                                          int spaceWidth)
{
    std::vector<std::vector<Word>> out;
    for (const std::vector<Word>& line : hard) {
        int total = 0;
        for (const Word& w : line)
            total += w.width + spaceWidth;
        const std::size_t parts = std::min(line.size(), extra + 1);
        const int target = parts > 0 ? total / static_cast<int>(parts) : 0;
        std::vector<Word> current;
        int width = 0;
        for (const Word& w : line) {
            if (!current.empty() && width + w.width / 2 > target && out.size() + 1 < kMostLines) {
                out.push_back(current);
                current.clear();
                width = 0;
            }
            current.push_back(w);
            width += w.width + spaceWidth;
        }
        out.push_back(current);
    }
    return out;
}

} // namespace

bool TextWriter::layOut(const StrokeFont& font, std::string_view text, std::string& skipped, std::string& error)
{
    strokes.clear();
    skipped.clear();
    const StrokeGlyph* space = font.glyph(' ');
    const int spaceWidth = space != nullptr ? advanceOf(*space) : 16;

    // Hard lines of words, each word of glyphs the font has.
    std::vector<std::vector<Word>> hard(1);
    Word word;
    auto endWord = [&]() {
        if (!word.text.empty())
            hard.back().push_back(word);
        word = Word{};
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || (c == '\\' && i + 1 < text.size() && text[i + 1] == 'n')) {
            endWord();
            hard.emplace_back();
            if (c == '\\')
                ++i;
            continue;
        }
        if (c == ' ' || c == '\t') {
            endWord();
            continue;
        }
        const StrokeGlyph* g = font.glyph(c);
        if (g == nullptr) {
            // A character the font lacks, whole: a UTF-8 sequence is one character.
            std::size_t length = 1;
            const auto lead = static_cast<unsigned char>(c);
            if (lead >= 0xF0)
                length = 4;
            else if (lead >= 0xE0)
                length = 3;
            else if (lead >= 0xC0)
                length = 2;
            const std::string character(text.substr(i, length));
            if (skipped.find(character) == std::string::npos)
                skipped += (skipped.empty() ? "" : " ") + character;
            i += length - 1;
            continue;
        }
        word.text += c;
        word.width += advanceOf(*g);
    }
    endWord();
    hard.erase(std::remove_if(hard.begin(), hard.end(), [](const std::vector<Word>& l) { return l.empty(); }),
               hard.end());
    if (hard.empty()) {
        error = "nothing in the text can be written";
        return false;
    }

    // The largest scale over the ways of breaking the lines further.
    const double usableW = screenWidth - 2.0 * kMarginX;
    const double usableH = screenHeight - 2.0 * kMarginY;
    std::vector<std::vector<Word>> best;
    double scale = 0.0;
    for (std::size_t extra = 0; extra < kMostLines; ++extra) {
        std::vector<std::vector<Word>> lines = breakLines(hard, extra, spaceWidth);
        if (lines.size() > kMostLines)
            break;
        int widest = 1;
        for (const std::vector<Word>& line : lines) {
            int width = 0;
            for (const Word& w : line)
                width += w.width;
            width += spaceWidth * static_cast<int>(line.size() - 1);
            widest = std::max(widest, width);
        }
        const double s = std::min({usableW / widest,
                                   usableH / (static_cast<double>(lines.size()) * StrokeFont::kLineSpacing),
                                   kLargestScale});
        if (s > scale * 1.05) {
            scale = s;
            best = lines;
        }
    }

    // Lines from the top, each centred; font y grows downwards, the scene's upwards.
    const double blockHeight = static_cast<double>(best.size()) * StrokeFont::kLineSpacing * scale;
    double lineMiddle = screenHeight / 2.0 + blockHeight / 2.0 - StrokeFont::kLineSpacing * scale / 2.0;
    for (const std::vector<Word>& line : best) {
        int width = spaceWidth * static_cast<int>(line.size() - 1);
        for (const Word& w : line)
            width += w.width;
        double penX = screenWidth / 2.0 - width * scale / 2.0;
        for (std::size_t k = 0; k < line.size(); ++k) {
            for (char c : line[k].text) {
                const StrokeGlyph& g = *font.glyph(c);
                for (const std::vector<StrokePoint>& s : g.strokes) {
                    std::vector<Point> points;
                    for (const StrokePoint& p : s)
                        points.push_back(Point{penX + (p.x - g.left) * scale, lineMiddle - (p.y + 2.5) * scale});
                    strokes.push_back(points);
                }
                penX += advanceOf(g) * scale;
            }
            penX += spaceWidth * scale;
        }
        lineMiddle -= StrokeFont::kLineSpacing * scale;
    }
    // A steady hand: bigger letters are drawn a little faster.
    penSpeed = std::clamp(scale * StrokeFont::kCapHeight * 4.0, 380.0, 900.0);
    phase = strokes.empty() ? Phase::Finished : Phase::Start;
    return true;
}

void TextWriter::moveTo(double x, double y, FrameInput& input)
{
    const std::int32_t nx = static_cast<std::int32_t>(std::floor(x + 0.5));
    const std::int32_t ny = static_cast<std::int32_t>(std::floor(y + 0.5));
    input.dx += nx - posX;
    input.dy += posY - ny; // a mouse counts downwards
    posX = nx;
    posY = ny;
}

TextWriter::Point TextWriter::travelTarget() const
{
    if (stroke < strokes.size())
        return strokes[stroke][0];
    return Point{screenWidth - kMarginX, kMarginY / 2.0};
}

void TextWriter::nextFrame(std::uint32_t stepMs, FrameInput& input)
{
    if (!helpHidden) {
        // The words need the whole scene: the help panel slides away first.
        helpHidden = true;
        input.keys.push_back('H');
    }
    const double seconds = std::min(static_cast<double>(stepMs) * 0.001, 0.25);
    switch (phase) {
    case Phase::Finished:
        return;
    case Phase::Lift:
        input.pen.push_back(Pen::Up);
        ++stroke;
        [[fallthrough]];
    case Phase::Start: {
        // Off to the next stroke's start, quickly, easing in and out; after the last stroke,
        // down to a corner below the words, so that the sparks leave them to be read.
        fromX = posX;
        fromY = posY;
        const Point to = travelTarget();
        const double dx = to.x - fromX;
        const double dy = to.y - fromY;
        travelLength = std::max(0.08, 1.5 * std::sqrt(dx * dx + dy * dy) / kTravelSpeed);
        travelTime = 0.0;
        phase = Phase::Travel;
        [[fallthrough]];
    }
    case Phase::Travel: {
        travelTime += seconds;
        const Point to = travelTarget();
        if (travelTime < travelLength) {
            const double s = pilot::smoothStep(travelTime / travelLength);
            moveTo(fromX + (to.x - fromX) * s, fromY + (to.y - fromY) * s, input);
            return;
        }
        moveTo(to.x, to.y, input);
        if (stroke >= strokes.size()) {
            input.pen.push_back(Pen::Done);
            phase = Phase::Finished;
            finished = true;
            return;
        }
        // Arrived: the pen goes down on the stroke's start; tracing begins next frame.
        input.pen.push_back(Pen::Down);
        vertex = 0;
        along = 0.0;
        phase = Phase::Trace;
        return;
    }
    case Phase::Trace: {
        const std::vector<Point>& points = strokes[stroke];
        double budget = seconds * penSpeed;
        while (budget > 0.0 && vertex + 1 < points.size()) {
            const Point& a = points[vertex];
            const Point& b = points[vertex + 1];
            const double length = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
            if (along + budget < length) {
                along += budget;
                budget = 0.0;
                break;
            }
            budget -= length - along;
            along = 0.0;
            ++vertex;
            // A sharp corner: the pen halts on it for the rest of this frame.
            if (vertex + 1 < points.size()) {
                const Point& c = points[vertex + 1];
                const double ux = b.x - a.x;
                const double uy = b.y - a.y;
                const double vx = c.x - b.x;
                const double vy = c.y - b.y;
                const double norms = std::sqrt((ux * ux + uy * uy) * (vx * vx + vy * vy));
                if (norms > 0.0 && (ux * vx + uy * vy) < kCornerCosine * norms)
                    break;
            }
        }
        if (vertex + 1 >= points.size()) {
            moveTo(points.back().x, points.back().y, input);
            phase = Phase::Lift;
            return;
        }
        const Point& a = points[vertex];
        const Point& b = points[vertex + 1];
        const double length = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
        const double t = length > 0.0 ? along / length : 0.0;
        moveTo(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, input);
        return;
    }
    }
}
