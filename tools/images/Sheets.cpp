// The fixed tables: the spark and burst sheets (7 frames x 6 colours of 3 x 3 pixels), the smoke
// sheet (12 frames of 4 x 4 pixels) and the help panel (black inside a two-pixel grey frame).
// Black (0, 0, 0) is their colour key.
#include "images/Images.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace images {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kNearWhite{253, 253, 253};
constexpr Rgb kWhite{255, 255, 255};

// Rows: orange, violet, blue-violet, yellow, green, white; frames fade from a pale tint to a
// dark shade over a spark's life.
constexpr std::array<std::array<Rgb, 7>, 6> kSparkColours{{
    {{{255, 219, 183}, {255, 194, 135}, {255, 164, 67}, {255, 131, 9}, {197, 98, 1}, {143, 71, 1}, {92, 45, 0}}},
    {{{237, 195, 247},
      {228, 169, 245},
      {213, 130, 240},
      {187, 67, 231},
      {151, 24, 198},
      {114, 19, 149},
      {79, 13, 103}}},
    {{{217, 215, 237}, {164, 160, 210}, {122, 117, 191}, {99, 92, 188}, {74, 68, 154}, {57, 52, 116}, {41, 38, 82}}},
    {{{254, 255, 145}, {253, 255, 97}, {253, 255, 57}, {252, 255, 25}, {196, 198, 0}, {156, 158, 0}, {105, 106, 0}}},
    {{{206, 255, 121}, {190, 255, 77}, {169, 255, 19}, {135, 212, 0}, {104, 164, 0}, {74, 116, 0}, {46, 72, 0}}},
    {{{255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
}};

constexpr int kWhiteRow = 5;

} // namespace

Picture makeSparkSheet()
{
    Picture sheet(21, 18);
    for (int row = 0; row < 6; ++row) {
        for (int frame = 0; frame < 7; ++frame) {
            const Rgb fill = kSparkColours[static_cast<std::size_t>(row)][static_cast<std::size_t>(frame)];
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 3; ++x)
                    sheet.at(frame * 3 + x, row * 3 + y) = fill;
            }
            // A hot centre once the spark is under way; the white row has a solid start and
            // ends as a lone white dot on the transparent black.
            Rgb& centre = sheet.at(frame * 3 + 1, row * 3 + 1);
            if (row == kWhiteRow) {
                if (frame >= 4)
                    centre = kWhite;
            } else if (frame >= 2) {
                centre = kNearWhite;
            }
        }
    }
    return sheet;
}

// (column, row) offsets inside a cell.
struct Offset {
    int x;
    int y;
};
constexpr std::array<Offset, 5> kDiagonalCross{{{0, 0}, {2, 0}, {1, 1}, {0, 2}, {2, 2}}};
constexpr std::array<Offset, 5> kUprightCross{{{1, 0}, {0, 1}, {1, 1}, {2, 1}, {1, 2}}};
constexpr std::array<Offset, 3> kCheckerExtra{{{3, 1}, {1, 3}, {3, 3}}};

Picture makeBurstSheet()
{
    // Per row: the pale colour of the opening star and the colour the dot twinkles with.
    constexpr std::array<Rgb, 6> pale{
        {{255, 219, 183}, {237, 195, 247}, {217, 215, 237}, {253, 255, 57}, {206, 255, 121}, {255, 255, 255}}};
    constexpr std::array<Rgb, 6> centre{
        {{255, 219, 183}, {213, 130, 240}, {188, 185, 223}, {253, 255, 57}, {206, 255, 121}, {255, 255, 255}}};
    Picture sheet(21, 18); // all black
    for (int row = 0; row < 6; ++row) {
        const int top = row * 3;
        const auto r = static_cast<std::size_t>(row);
        for (const Offset& o : kDiagonalCross)
            sheet.at(o.x, top + o.y) = pale[r];
        for (const Offset& o : kUprightCross)
            sheet.at(3 + o.x, top + o.y) = pale[r];
        const Rgb flash = (row == 3 || row == 5) ? kWhite : kNearWhite;
        for (int frame = 2; frame < 7; ++frame)
            sheet.at(frame * 3 + 1, top + 1) = (frame % 2 == 0) ? centre[r] : flash;
    }
    return sheet;
}

Picture makeSmokeSheet()
{
    Picture sheet(48, 4); // all black
    auto grey = [](int level) {
        const auto v = static_cast<std::uint8_t>(level);
        return Rgb{v, v, v};
    };
    auto plot = [&](int frame, Offset o, int level) { sheet.at(frame * 4 + o.x, o.y) = grey(level); };
    // A puff darkens by 10 a frame from 162, spreads to a checkerboard in mid-life, then
    // shrinks to a single dot at 72.
    for (int frame = 0; frame < 10; ++frame) {
        for (const Offset& o : kDiagonalCross)
            plot(frame, o, 162 - 10 * frame);
    }
    for (const Offset& o : kCheckerExtra) {
        plot(5, o, 112);
        plot(6, o, 112);
        plot(7, o, 92);
    }
    for (const Offset& o : kUprightCross)
        plot(10, o, 72);
    plot(11, {1, 1}, 72);
    return sheet;
}

// The panel is black inside a two-pixel frame: an outer line of light grey (darker along the
// bottom) and an inner line of dark grey. Each of the eight corner pixels of the two lines is
// the rounded mean of its four neighbours on the straight edges, with pixels beyond the
// picture counted as black, which softens the corners into a slight rounding:
//   outer top corners    (229 + 229 + 0 + 0) / 4      = 114.5  -> 115
//   outer bottom corners (229 + 196 + 0 + 0) / 4      = 106.25 -> 106
//   inner top corners    (229 + 229 + 46 + 46) / 4    = 137.5  -> 138
//   inner bottom corners (229 + 196 + 46 + 46) / 4    = 129.25 -> 129
Picture makeHelpPanel()
{
    constexpr int w = 158;
    constexpr int h = 200;
    constexpr Rgb outer{229, 229, 229};
    constexpr Rgb outerBottom{196, 196, 196};
    constexpr Rgb inner{46, 46, 46};
    Picture panel(w, h); // all black
    for (int x = 0; x < w; ++x) {
        panel.at(x, 0) = outer;
        panel.at(x, h - 1) = outerBottom;
        panel.at(x, 1) = inner;
        panel.at(x, h - 2) = inner;
    }
    for (int y = 1; y < h - 1; ++y) {
        panel.at(0, y) = outer;
        panel.at(w - 1, y) = outer;
    }
    for (int y = 2; y < h - 2; ++y) {
        panel.at(1, y) = inner;
        panel.at(w - 2, y) = inner;
    }
    for (int x : {0, w - 1}) {
        panel.at(x, 0) = Rgb{115, 115, 115};
        panel.at(x, h - 1) = Rgb{106, 106, 106};
    }
    for (int x : {1, w - 2}) {
        panel.at(x, 1) = Rgb{138, 138, 138};
        panel.at(x, h - 2) = Rgb{129, 129, 129};
    }
    return panel;
}

} // namespace images
