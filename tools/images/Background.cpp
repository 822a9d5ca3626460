// The background, a night photograph of a lakeside firework at dusk: a graded sky, the burst
// and its smoke, a tree line and a hill, the shore with its lights, and their reflections.
#include "images/Images.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace images {

namespace {

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

} // namespace

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

} // namespace images
