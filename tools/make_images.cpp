// make_images: writes the program's five pictures as BMP files into a directory.
//
//   build/tools/make_images assets
//
// Output (24 bits per pixel, BI_RGB, 40-byte info header, no colour table, bottom-up rows
// padded to 4 bytes):
//   Background103.bmp  1024 x 768  night photograph of a lakeside firework at dusk
//   HelpPanel112.bmp    158 x 200  black panel inside a two-pixel grey frame
//   SparkSheet113.bmp    21 x 18   spark sprites, 7 frames x 6 colours of 3 x 3 pixels
//   BurstSheet114.bmp    21 x 18   burst spark sprites, same layout
//   SmokeSheet115.bmp    48 x 4    smoke puff sprites, 12 frames of 4 x 4 pixels
//
// The sprite sheets and the panel are fixed tables. The background is synthesised from
// hash-based noise and a fixed-seed generator, and uses only +, -, *, / and sqrt on doubles
// (exp and sin are computed here from those), so every run and every build writes
// byte-identical files. Black (0, 0, 0) is the colour key of the panel and the sheets.
#include "SplitMix64.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

struct Picture {
    int width;
    int height;
    std::vector<Rgb> pixels; // top row first

    Picture(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
    Rgb& at(int x, int y)
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

void putLe16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFFu));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFFu));
}

void putLe32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    putLe16(out, v & 0xFFFFu);
    putLe16(out, v >> 16);
}

// File header, BITMAPINFOHEADER, then the rows from the bottom up in B, G, R order.
bool writeBmp(const std::string& path, Picture& picture)
{
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(picture.width) * 3u + 3u) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(picture.height);
    const std::uint32_t headerBytes = 14u + 40u;
    std::vector<std::uint8_t> out;
    out.reserve(headerBytes + imageBytes);
    out.push_back('B');
    out.push_back('M');
    putLe32(out, headerBytes + imageBytes);
    putLe32(out, 0); // two reserved words
    putLe32(out, headerBytes);
    putLe32(out, 40);
    putLe32(out, static_cast<std::uint32_t>(picture.width));
    putLe32(out, static_cast<std::uint32_t>(picture.height)); // positive: bottom-up
    putLe16(out, 1); // planes
    putLe16(out, 24); // bits per pixel
    putLe32(out, 0); // BI_RGB
    putLe32(out, imageBytes);
    putLe32(out, 2835); // 72 dpi
    putLe32(out, 2835);
    putLe32(out, 0); // colours used: no table
    putLe32(out, 0);
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgb& p = picture.at(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(picture.width) * 3u; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

// ---------------------------------------------------------------------------------------
// Sprite sheets and help panel

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

// ---------------------------------------------------------------------------------------
// Deterministic arithmetic for the background

constexpr double kPi = 3.14159265358979323846;

double clamp01(double v)
{
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}
double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}
double smoothstep(double e0, double e1, double v)
{
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

// e^x for x <= 0: a Taylor polynomial on x / 64, squared six times. Relative error below 1e-5,
// and the same bits on every platform since no library call is involved.
double expNeg(double x)
{
    if (x >= 0.0)
        return 1.0;
    if (x < -60.0)
        return 0.0;
    const double y = x / 64.0;
    double e = 1.0
        + y * (1.0 + y * (1.0 / 2.0 + y * (1.0 / 6.0 + y * (1.0 / 24.0 + y * (1.0 / 120.0 + y * (1.0 / 720.0))))));
    for (int i = 0; i < 6; ++i)
        e *= e;
    return e;
}

double gaussian(double d2, double sigma)
{
    return expNeg(-d2 / (2.0 * sigma * sigma));
}

// sin by reduction to [-pi/2, pi/2] and an odd Taylor polynomial of degree 11.
double sine(double x)
{
    x -= 2.0 * kPi * std::floor((x + kPi) / (2.0 * kPi));
    if (x > kPi / 2.0)
        x = kPi - x;
    else if (x < -kPi / 2.0)
        x = -kPi - x;
    const double x2 = x * x;
    return x * (1.0 - x2 / 6.0 * (1.0 - x2 / 20.0 * (1.0 - x2 / 42.0 * (1.0 - x2 / 72.0 * (1.0 - x2 / 110.0)))));
}
double cosine(double x)
{
    return sine(x + kPi / 2.0);
}

// Placing trees, lights, stars and streaks draws from a fixed-seed generator.
using Random = SplitMix64;

std::uint32_t hash3(std::int64_t x, std::int64_t y, std::uint32_t seed)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ static_cast<std::uint32_t>(y) * 0xD8163841u
        ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double hashUnit(std::int64_t x, std::int64_t y, std::uint32_t seed)
{
    return static_cast<double>(hash3(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

// Smooth value noise in [0, 1).
double valueNoise(double x, double y, std::uint32_t seed)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx);
    const auto iy = static_cast<std::int64_t>(fy);
    double tx = x - fx;
    double ty = y - fy;
    tx = tx * tx * (3.0 - 2.0 * tx);
    ty = ty * ty * (3.0 - 2.0 * ty);
    const double a = hashUnit(ix, iy, seed);
    const double b = hashUnit(ix + 1, iy, seed);
    const double c = hashUnit(ix, iy + 1, seed);
    const double d = hashUnit(ix + 1, iy + 1, seed);
    return lerp(lerp(a, b, tx), lerp(c, d, tx), ty);
}

// Fractal sum of value noise, in [0, 1).
double fbm(double x, double y, std::uint32_t seed, int octaves)
{
    double sum = 0.0;
    double amplitude = 0.5;
    double total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(x, y, seed + static_cast<std::uint32_t>(i) * 101u);
        total += amplitude;
        x = x * 2.03 + 17.1;
        y = y * 2.03 + 5.3;
        amplitude *= 0.5;
    }
    return sum / total;
}

struct Colour {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};
Colour operator+(Colour a, Colour b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Colour operator*(Colour a, double s)
{
    return {a.r * s, a.g * s, a.b * s};
}
Colour mix(Colour a, Colour b, double t)
{
    return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)};
}

// A float image used for light that is added to the scene.
struct LightBuffer {
    int width;
    int height;
    std::vector<Colour> light;

    LightBuffer(int w, int h) : width(w), height(h), light(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
    Colour& at(int x, int y)
    {
        return light[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
    Colour get(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return {};
        return light[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
    // A round Gaussian dab of light at a sub-pixel position.
    void splat(double px, double py, double sigma, Colour c)
    {
        const int reach = static_cast<int>(sigma * 3.0) + 1;
        const int cx = static_cast<int>(std::floor(px));
        const int cy = static_cast<int>(std::floor(py));
        for (int y = cy - reach; y <= cy + reach; ++y) {
            if (y < 0 || y >= height)
                continue;
            for (int x = cx - reach; x <= cx + reach; ++x) {
                if (x < 0 || x >= width)
                    continue;
                const double dx = x + 0.5 - px;
                const double dy = y + 0.5 - py;
                const double w = gaussian(dx * dx + dy * dy, sigma);
                Colour& l = at(x, y);
                l = l + c * w;
            }
        }
    }
    // Three passes of a box filter of the given radius in each direction: a soft bloom.
    LightBuffer blurred(int radius) const
    {
        LightBuffer a = *this;
        LightBuffer b(width, height);
        const double norm = 1.0 / static_cast<double>(2 * radius + 1);
        for (int pass = 0; pass < 3; ++pass) {
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    Colour s;
                    for (int k = -radius; k <= radius; ++k)
                        s = s + a.get(x + k, y);
                    b.at(x, y) = s * norm;
                }
            }
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    Colour s;
                    for (int k = -radius; k <= radius; ++k)
                        s = s + b.get(x, y + k);
                    a.at(x, y) = s * norm;
                }
            }
        }
        return a;
    }
};

// ---------------------------------------------------------------------------------------
// Background: a lake at dusk, a pink firework bursting over it

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr double kHorizon = 292.0; // where the distant shore meets the sky
constexpr double kWaterline = 297.0; // top of the open water
constexpr int kSkyRows = 300;
constexpr double kBurstX = 505.0;
constexpr double kBurstY = 102.0;

// The clear sky: mid-blue at the top left, deepest blue at the top right, a pale greyish
// afterglow low on the left, with faint high haze.
Colour skyColour(double x, double y)
{
    const double u = clamp01(x / (kWidth - 1.0));
    const double v = clamp01(y / kHorizon);
    const Colour topLeft{37, 85, 130};
    const Colour topRight{14, 27, 75};
    const Colour lowLeft{72, 96, 120};
    const Colour lowRight{24, 40, 80};
    const double across = smoothstep(-0.15, 1.0, u);
    const Colour top = mix(topLeft, topRight, across);
    const Colour low = mix(lowLeft, lowRight, smoothstep(0.0, 1.0, u));
    const double down = v * v * (0.4 + 0.6 * v);
    Colour c = mix(top, low, down);
    // Thin, horizontally drawn-out haze, a little stronger near the horizon.
    const double haze = fbm(x / 260.0, y / 38.0, 11u, 5) - 0.5;
    c = c * (1.0 + haze * (0.10 + 0.10 * v));
    return c;
}

// Height of the left-hand tree line above the horizon at column x, or 0 where there is none.
struct Crown {
    double x;
    double height;
    double halfWidth;
    bool conifer;
};

std::vector<Crown> makeCrowns()
{
    Random rng(0x5EEDF00Dull);
    std::vector<Crown> crowns;
    double x = -10.0;
    while (x < 500.0) {
        Crown c{};
        c.x = x;
        // Taller trees at the far left, shrinking towards the open shore in the middle.
        const double fade = 1.0 - smoothstep(330.0, 500.0, x);
        c.height = (14.0 + rng.uniform(0.0, 24.0) + 12.0 * (1.0 - smoothstep(0.0, 220.0, x))) * fade + 3.0;
        c.conifer = rng.uniform() < 0.45;
        c.halfWidth = c.conifer ? rng.uniform(5.0, 9.0) : rng.uniform(9.0, 18.0);
        crowns.push_back(c);
        x += rng.uniform(5.0, 14.0);
    }
    return crowns;
}

double treeTop(const std::vector<Crown>& crowns, double x)
{
    double best = 0.0;
    for (const Crown& c : crowns) {
        const double d = (x - c.x) / c.halfWidth;
        if (d <= -1.0 || d >= 1.0)
            continue;
        double h;
        if (c.conifer) {
            // A spire with ragged, tiered flanks.
            const double a = d < 0.0 ? -d : d;
            const double tiers = 0.12 * valueNoise(x * 0.9, c.x, 23u);
            h = c.height * (1.0 - a) * (1.0 - tiers);
        } else {
            h = c.height * std::sqrt(1.0 - d * d) * (0.85 + 0.15 * valueNoise(x * 0.35, c.x, 29u));
        }
        if (h > best)
            best = h;
    }
    // Leafy roughness and a low belt of undergrowth joining the trunks.
    const double fade = 1.0 - smoothstep(440.0, 520.0, x);
    const double belt = (6.0 + 5.0 * fbm(x / 40.0, 3.0, 31u, 3)) * fade;
    best = best > belt ? best : belt;
    return best + 2.2 * (fbm(x / 3.0, 7.0, 37u, 3) - 0.5) * (best > 1.0 ? 1.0 : 0.0);
}

// Height of the low hill on the right above the horizon.
double hillTop(double x)
{
    const double s = (x - 585.0) / (kWidth - 585.0);
    if (s <= 0.0)
        return 1.5 + 1.5 * fbm(x / 30.0, 1.0, 41u, 3);
    const double rise = smoothstep(0.0, 0.45, s);
    const double body = rise * (30.0 - 10.0 * smoothstep(0.55, 1.0, s)) + 2.5 * (1.0 - rise);
    // A fringe of distant woods on the ridge.
    return body + 3.0 * (fbm(x / 9.0, 2.0, 43u, 4) - 0.5) + 1.5 * rise;
}

// The water's edge on the near side: the beach reaches furthest up on the left.
double beachLine(double x)
{
    const double u = x / (kWidth - 1.0);
    return 396.0 + 118.0 * smoothstep(-0.1, 0.75, u) + 8.0 * (fbm(x / 70.0, 9.0, 47u, 3) - 0.5);
}

struct ShoreLight {
    double x;
    double y;
    Colour colour;
};

std::vector<ShoreLight> makeShoreLights()
{
    Random rng(0x11647u);
    std::vector<ShoreLight> lights;
    const std::array<Colour, 4> tints{{{255, 196, 120}, {255, 226, 170}, {255, 160, 80}, {210, 225, 255}}};
    // Clusters of houses and jetties along the far shore, mostly under the hill.
    const std::array<double, 6> clusters{{150.0, 560.0, 680.0, 790.0, 900.0, 985.0}};
    for (double centre : clusters) {
        const int count = 3 + static_cast<int>(rng.uniform() * 5.0);
        for (int i = 0; i < count; ++i) {
            ShoreLight l{};
            l.x = centre + rng.uniform(-28.0, 28.0);
            l.y = kHorizon + rng.uniform(0.5, 3.5);
            const double strength = rng.uniform(0.35, 1.0);
            l.colour = tints[static_cast<std::size_t>(rng.next() % tints.size())] * (strength * strength);
            lights.push_back(l);
        }
    }
    return lights;
}

// The firework: a willow-like burst whose stars trail down under gravity and air drag, white
// hot near the centre and pink further out, with a few bright drops at the trail ends.
LightBuffer makeFirework()
{
    LightBuffer light(kWidth, kSkyRows);
    Random rng(0xF17E3011ull);
    const int streaks = 190;
    const double drag = 1.9;
    const double gravity = 150.0;
    const Colour pink{255, 36, 92};
    const Colour rose{255, 84, 136};
    const Colour white{255, 222, 232};
    for (int i = 0; i < streaks; ++i) {
        const double angle = 2.0 * kPi * (i + rng.uniform(-0.45, 0.45)) / streaks;
        const double speed = 190.0 * (rng.uniform() < 0.3 ? rng.uniform(0.35, 0.8) : rng.uniform(0.82, 1.1));
        const double vx = speed * cosine(angle) + 12.0;
        const double vy = speed * sine(angle) * 0.92;
        const double duration = rng.uniform(0.9, 2.7);
        const double m = rng.uniform();
        const double strength = 0.2 + 0.8 * m * m;
        const Colour tint = mix(pink, rose, rng.uniform());
        const double flicker = rng.uniform(0.0, 100.0);
        const int samples = 1400;
        double lastX = kBurstX;
        double lastY = kBurstY;
        for (int j = 0; j <= samples; ++j) {
            const double t = duration * j / samples;
            const double q = (1.0 - expNeg(-drag * t)) / drag;
            const double px = kBurstX + vx * q;
            const double py = kBurstY + gravity / drag * t + (vy - gravity / drag) * q;
            const double dx = px - lastX;
            const double dy = py - lastY;
            const double step = std::sqrt(dx * dx + dy * dy);
            lastX = px;
            lastY = py;
            if (py > kHorizon + 4.0)
                break;
            const double life = t / duration;
            if (life < 0.04)
                continue;
            // Bright and white while young, pink and fading as the star cools and falls.
            const double envelope = smoothstep(0.04, 0.14, life) * (1.0 - life) * (1.0 - 0.5 * life);
            const double crackle = 0.65 + 0.35 * valueNoise(t * 40.0, flicker, 53u);
            const double level = 80.0 * strength * envelope * crackle * step;
            const Colour c = mix(white, tint, smoothstep(0.08, 0.45, life));
            light.splat(px, py, 0.55 + 0.5 * life, c * (level / 255.0));
        }
        // A drop of burning material at the end of some trails.
        if (rng.uniform() < 0.15 && lastY < kHorizon) {
            light.splat(lastX, lastY, 0.8, mix(white, tint, 0.4) * (0.6 * strength));
        }
    }
    return light;
}

// Faint smoke from earlier shells, drifting up and leaning to the left of the burst.
std::vector<double> makeSmoke()
{
    std::vector<double> density(static_cast<std::size_t>(kWidth) * kSkyRows, 0.0);
    Random rng(0x5A0CEull);
    const int trails = 4;
    for (int i = 0; i < trails; ++i) {
        const double baseX = 310.0 + 22.0 * i + rng.uniform(-6.0, 6.0);
        const double topX = baseX - rng.uniform(25.0, 70.0);
        const double topY = rng.uniform(60.0, 140.0);
        const double seedOffset = rng.uniform(0.0, 50.0);
        for (int j = 0; j <= 600; ++j) {
            const double s = j / 600.0;
            const double y = lerp(kHorizon, topY, s);
            const double wander = 14.0 * (fbm(s * 3.0, seedOffset, 59u, 3) - 0.5);
            const double x = lerp(baseX, topX, s * s) + wander * s;
            const double sigma = 2.0 + 9.0 * s;
            const double reach = sigma * 2.5;
            for (int py = static_cast<int>(y - reach); py <= static_cast<int>(y + reach); ++py) {
                if (py < 0 || py >= kSkyRows)
                    continue;
                for (int px = static_cast<int>(x - reach); px <= static_cast<int>(x + reach); ++px) {
                    if (px < 0 || px >= kWidth)
                        continue;
                    const double ddx = px + 0.5 - x;
                    const double ddy = py + 0.5 - y;
                    density[static_cast<std::size_t>(py) * kWidth + static_cast<std::size_t>(px)]
                        += 0.004 * (1.0 - 0.6 * s) * gaussian(ddx * ddx + ddy * ddy, sigma) / (0.3 + 0.1 * sigma);
                }
            }
        }
    }
    return density;
}

// Soft roll-off of highlights above 200, so bright light turns white without hard clipping.
double toneMap(double v)
{
    if (v <= 200.0)
        return v;
    return 200.0 + 55.0 * (1.0 - expNeg(-(v - 200.0) / 55.0));
}

std::uint8_t toByte(double v)
{
    const double r = std::floor(v + 0.5);
    return static_cast<std::uint8_t>(r < 0.0 ? 0.0 : (r > 255.0 ? 255.0 : r));
}

Picture makeBackground()
{
    const std::vector<Crown> crowns = makeCrowns();
    const std::vector<ShoreLight> lights = makeShoreLights();
    const LightBuffer firework = makeFirework();
    const LightBuffer bloom = firework.blurred(5);
    const LightBuffer wideBloom = bloom.blurred(16);
    const std::vector<double> smoke = makeSmoke();

    std::vector<double> trees(kWidth);
    std::vector<double> hill(kWidth);
    std::vector<double> beach(kWidth);
    for (int x = 0; x < kWidth; ++x) {
        trees[static_cast<std::size_t>(x)] = treeTop(crowns, x + 0.5);
        hill[static_cast<std::size_t>(x)] = hillTop(x + 0.5);
        beach[static_cast<std::size_t>(x)] = beachLine(x + 0.5);
    }
    auto landHeight = [&](int x) {
        if (x < 0)
            x = 0;
        if (x >= kWidth)
            x = kWidth - 1;
        const double t = trees[static_cast<std::size_t>(x)];
        const double h = hill[static_cast<std::size_t>(x)];
        return t > h ? t : h;
    };

    // The sky layer with the firework and smoke in it, before the land is drawn over it:
    // the water reflects this.
    std::vector<Colour> sky(static_cast<std::size_t>(kWidth) * kSkyRows);
    for (int y = 0; y < kSkyRows; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            Colour c = skyColour(x + 0.5, y + 0.5);
            const std::size_t i = static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x);
            // Smoke: wispy, grey-blue, picking up pink from the burst beside it.
            const double curl = fbm(x / 18.0 + 0.02 * y, y / 30.0, 61u, 5);
            const double wisps = 2.4 * smoothstep(0.35, 0.75, curl);
            const double a = clamp01(smoke[i] * wisps) * 0.8;
            const double nearBurst
                = gaussian((x - kBurstX) * (x - kBurstX) + (y - kBurstY - 60.0) * (y - kBurstY - 60.0), 150.0);
            const Colour smokeColour = mix(Colour{78, 92, 116}, Colour{140, 96, 130}, nearBurst);
            c = mix(c, smokeColour, a);
            // Firework light, a tight bloom around the trails and a wide pink glow in the air.
            const Colour l = firework.light[i];
            const Colour b = bloom.light[i];
            const Colour wb = wideBloom.light[i];
            c = c + l + b * 0.7 + wb * 1.0;
            // The hottest light burns out to white.
            const double peak = l.r > l.g ? (l.r > l.b ? l.r : l.b) : (l.g > l.b ? l.g : l.b);
            const double burn = peak > 150.0 ? (peak - 150.0) * 0.7 : 0.0;
            c = c + Colour{burn, burn, burn};
            sky[i] = c;
        }
    }

    // Stars, only in the sky proper and mostly where it is darkest.
    Random starRng(0x57A125ull);
    std::vector<Colour> stars(static_cast<std::size_t>(kWidth) * kSkyRows);
    for (int i = 0; i < 260; ++i) {
        const double x = starRng.uniform(0.0, kWidth);
        const double y = starRng.uniform(0.0, 250.0);
        const double u = x / kWidth;
        const double visible = (0.25 + 0.75 * u) * (1.0 - smoothstep(150.0, 250.0, y));
        const double m = starRng.uniform();
        const double level = (6.0 + 70.0 * m * m * m * m) * visible;
        const double sigma = 0.45 + 0.25 * m;
        const int cx = static_cast<int>(x);
        const int cy = static_cast<int>(y);
        for (int py = cy - 2; py <= cy + 2; ++py) {
            for (int px = cx - 2; px <= cx + 2; ++px) {
                if (px < 0 || py < 0 || px >= kWidth || py >= kSkyRows)
                    continue;
                const double ddx = px + 0.5 - x;
                const double ddy = py + 0.5 - y;
                Colour& s = stars[static_cast<std::size_t>(py) * kWidth + static_cast<std::size_t>(px)];
                s = s + Colour{0.92, 0.96, 1.0} * (level * gaussian(ddx * ddx + ddy * ddy, sigma));
            }
        }
    }

    auto skyAt = [&](double x, double y) {
        int ix = static_cast<int>(std::floor(x));
        int iy = static_cast<int>(std::floor(y));
        ix = ix < 0 ? 0 : (ix >= kWidth ? kWidth - 1 : ix);
        iy = iy < 0 ? 0 : (iy >= kSkyRows ? kSkyRows - 1 : iy);
        return sky[static_cast<std::size_t>(iy) * kWidth + static_cast<std::size_t>(ix)];
    };

    const Colour landColour{4, 6, 10};
    const Colour shoreColour{6, 8, 13};
    Picture picture(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double fx = x + 0.5;
            const double fy = y + 0.5;
            Colour c;
            const double beachTop = beach[static_cast<std::size_t>(x)];
            if (fy < kWaterline) {
                // Sky, then the silhouettes of the trees and the hill over it.
                const std::size_t i = static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x);
                c = sky[i] + stars[i];
                const double top = kHorizon - landHeight(x);
                const double cover = clamp01(fy - top + 0.5);
                const double texture = 0.8 + 0.4 * fbm(fx / 6.0, fy / 6.0, 67u, 3);
                c = mix(c, landColour * texture, cover);
                if (fy >= kHorizon)
                    c = shoreColour * texture;
            } else if (fy < beachTop) {
                // Open water: the sky mirrored about the waterline, broken by ripples that
                // grow towards the viewer.
                const double depth = fy - kWaterline;
                const double near = depth / (beachTop - kWaterline);
                const double bands = std::sqrt(depth + 4.0) * 9.0;
                const double rippleScale = 1.0 + depth * 0.12;
                const double wobble
                    = (fbm(fx / (60.0 * rippleScale), bands * 0.5, 71u, 3) - 0.5) * (1.5 + depth * 0.07);
                const double crest = fbm(fx / (9.0 * rippleScale), bands, 73u, 3);
                const double mirrorY = 2.0 * kWaterline - fy + (crest - 0.5) * (3.0 + depth * 0.08);
                const double mx = fx + wobble;
                Colour reflected = skyAt(mx, mirrorY);
                // Stretch the firework's reflection down the water: average the mirrored
                // light over a short vertical run.
                Colour burst;
                for (int k = 0; k < 10; ++k)
                    burst = burst + firework.get(static_cast<int>(mx), static_cast<int>(mirrorY) - 4 * k)
                        + bloom.get(static_cast<int>(mx), static_cast<int>(mirrorY) - 4 * k) * 1.5;
                reflected = reflected + burst * (0.09 * (0.25 + 1.6 * smoothstep(0.5, 0.8, crest)));
                // The land mirrored in the still water close to the far shore.
                const int sampleX = static_cast<int>(mx);
                const double landReach = kHorizon - landHeight(sampleX);
                const double landMirror = 2.0 * kWaterline - landReach;
                const double inLand = clamp01((landMirror - fy) * 0.5 + 0.5 + (crest - 0.5) * 1.5);
                reflected = mix(reflected, landColour, inLand);
                // Water is darker than what it reflects, more so looking down into it.
                const double fresnel = 0.62 - 0.30 * near;
                c = reflected * (fresnel * (0.82 + 0.36 * crest));
                c.r *= 0.85; // the lake water itself absorbs a little red
                c = c + Colour{1.5, 6.5, 10.5} * (1.0 - near);
                // A soft pink column of scattered light under the burst.
                const double column
                    = gaussian((fx + wobble - kBurstX) * (fx + wobble - kBurstX), 48.0) * expNeg(-depth / 120.0);
                c = c + Colour{60, 18, 42} * (column * (0.3 + 1.3 * smoothstep(0.5, 0.85, crest)));
                // Shore lights draw broken vertical streaks across the ripples.
                for (const ShoreLight& l : lights) {
                    const double ddx = fx + wobble * 0.6 - l.x;
                    if (ddx > 6.0 || ddx < -6.0)
                        continue;
                    const double glint = smoothstep(0.52, 0.7, crest);
                    const double len = 28.0 + 60.0 * (l.colour.r / 255.0);
                    c = c + l.colour * (0.55 * gaussian(ddx * ddx, 0.9 + depth * 0.02) * expNeg(-depth / len) * glint);
                }
                // Wet, darker edge where the water laps the beach.
                c = c * (0.35 + 0.65 * smoothstep(0.0, 6.0, beachTop - fy));
            } else {
                // The beach: almost black sand, faintly textured, darkest nearest the viewer.
                const double d = fy - beachTop;
                const double sand = fbm(fx / 5.0, fy / 3.0, 79u, 4);
                const double drift = fbm(fx / 90.0, fy / 25.0, 83u, 4);
                const double shade = (0.55 + 0.45 * expNeg(-d / 120.0)) * (0.7 + 0.45 * drift) * (0.85 + 0.3 * sand);
                c = Colour{7.5, 11.0, 16.0} * shade;
                // A sheen of wet sand at the water's edge catching the sky.
                const double wet = expNeg(-d / 5.0);
                c = c + Colour{14, 22, 34} * (wet * (0.4 + 0.6 * sand));
                // The wet sand below the burst picks up some of its pink.
                const double below = gaussian((fx - kBurstX) * (fx - kBurstX), 60.0);
                c = c + Colour{46, 12, 30} * (expNeg(-d / 9.0) * below * (0.5 + 0.5 * sand));
                // Scattered pebbles.
                const double pebble = hashUnit(x / 3, y / 2, 89u);
                if (pebble > 0.985)
                    c = c * 1.6;
            }
            if (fy < kWaterline + 2.0) {
                // The far-shore lights themselves, with small glows.
                for (const ShoreLight& l : lights) {
                    const double ddx = fx - l.x;
                    const double ddy = fy - l.y;
                    if (ddx > 8.0 || ddx < -8.0 || ddy > 8.0 || ddy < -8.0)
                        continue;
                    const double d2 = ddx * ddx + ddy * ddy;
                    c = c + l.colour * (0.9 * gaussian(d2, 0.6) + 0.12 * gaussian(d2, 2.5));
                }
            }
            // Film grain: mostly brightness, a little colour, strongest in the shadows.
            const double grain = (hashUnit(x, y, 97u) + hashUnit(x, y, 98u) - 1.0) * 3.2;
            const double chroma = (hashUnit(x, y, 99u) - 0.5) * 1.4;
            picture.at(x, y) = Rgb{toByte(toneMap(c.r + grain + chroma)), toByte(toneMap(c.g + grain)),
                                   toByte(toneMap(c.b + grain - chroma))};
        }
    }
    return picture;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argc > 0 ? argv[0] : "make_images");
        return 2;
    }
    const std::string dir = argv[1];
    Picture background = makeBackground();
    Picture panel = makeHelpPanel();
    Picture sparks = makeSparkSheet();
    Picture burst = makeBurstSheet();
    Picture smoke = makeSmokeSheet();
    struct Output {
        const char* name;
        Picture* picture;
    };
    const std::array<Output, 5> outputs{{
        {"Background103.bmp", &background},
        {"HelpPanel112.bmp", &panel},
        {"SparkSheet113.bmp", &sparks},
        {"BurstSheet114.bmp", &burst},
        {"SmokeSheet115.bmp", &smoke},
    }};
    for (const Output& o : outputs) {
        const std::string path = dir + "/" + o.name;
        if (!writeBmp(path, *o.picture)) {
            std::fprintf(stderr, "make_images: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    double sum[3] = {0.0, 0.0, 0.0};
    for (const Rgb& p : background.pixels) {
        sum[0] += p.r;
        sum[1] += p.g;
        sum[2] += p.b;
    }
    const double n = static_cast<double>(background.pixels.size());
    std::printf("Background103.bmp mean colour: %.2f %.2f %.2f\n", sum[0] / n, sum[1] / n, sum[2] / n);
    return 0;
}
