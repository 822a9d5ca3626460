// The picture generator's kit: 24-bit pictures written as BMP files, and the maths the
// background is made with: noise from hashes, exp and sine from +, -, *, / and sqrt only (so
// every build writes the same bytes), colours and a buffer of light. Header only.
#pragma once

#include "SplitMix64.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace images {

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

inline void putLe16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFFu));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFFu));
}

inline void putLe32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    putLe16(out, v & 0xFFFFu);
    putLe16(out, v >> 16);
}

// File header, BITMAPINFOHEADER, then the rows from the bottom up in B, G, R order.
inline bool writeBmp(const std::string& path, Picture& picture)
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

constexpr double kPi = 3.14159265358979323846;

inline double clamp01(double v)
{
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}
inline double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}
inline double smoothstep(double e0, double e1, double v)
{
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

// e^x for x <= 0: a Taylor polynomial on x / 64, squared six times. Relative error below 1e-5,
// and the same bits on every platform since no library call is involved.
inline double expNeg(double x)
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

inline double gaussian(double d2, double sigma)
{
    return expNeg(-d2 / (2.0 * sigma * sigma));
}

// sin by reduction to [-pi/2, pi/2] and an odd Taylor polynomial of degree 11.
inline double sine(double x)
{
    x -= 2.0 * kPi * std::floor((x + kPi) / (2.0 * kPi));
    if (x > kPi / 2.0)
        x = kPi - x;
    else if (x < -kPi / 2.0)
        x = -kPi - x;
    const double x2 = x * x;
    return x * (1.0 - x2 / 6.0 * (1.0 - x2 / 20.0 * (1.0 - x2 / 42.0 * (1.0 - x2 / 72.0 * (1.0 - x2 / 110.0)))));
}
inline double cosine(double x)
{
    return sine(x + kPi / 2.0);
}

// Placing trees, lights, stars and streaks draws from a fixed-seed generator.
using Random = SplitMix64;

inline std::uint32_t hash3(std::int64_t x, std::int64_t y, std::uint32_t seed)
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

inline double hashUnit(std::int64_t x, std::int64_t y, std::uint32_t seed)
{
    return static_cast<double>(hash3(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

// Smooth value noise in [0, 1).
inline double valueNoise(double x, double y, std::uint32_t seed)
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
inline double fbm(double x, double y, std::uint32_t seed, int octaves)
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
inline Colour operator+(Colour a, Colour b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Colour operator*(Colour a, double s)
{
    return {a.r * s, a.g * s, a.b * s};
}
inline Colour mix(Colour a, Colour b, double t)
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

} // namespace images
