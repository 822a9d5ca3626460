// Screenshots for the end-to-end tests: a PNG read back with stb_image, regions of the program's
// 1024 x 768 screen, the colour classes of what it draws (sparks of each colour, smoke, the help
// panel's lines and counts) and counts, means and centroids of them.
#pragma once

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace e2e {

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;
constexpr int centreX = 512;
constexpr int centreY = 384;
constexpr int panelWidth = 158;
constexpr int panelHeight = 200;

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

struct Region {
    int left = 0;
    int top = 0;
    int right = 0; // exclusive
    int bottom = 0; // exclusive
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    bool valid() const { return width > 0 && height > 0; }
    Rgb at(int x, int y) const
    {
        const std::size_t i
            = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
        return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

inline Image loadPng(const std::string& path)
{
    Image image;
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &image.width, &image.height, &channels, 3);
    if (data == nullptr) {
        image.width = image.height = 0;
        return image;
    }
    image.rgb.assign(data, data + static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    stbi_image_free(data);
    return image;
}

inline int countIf(const Image& image, Region region, const std::function<bool(Rgb)>& test)
{
    int count = 0;
    for (int y = std::max(0, region.top); y < std::min(image.height, region.bottom); ++y)
        for (int x = std::max(0, region.left); x < std::min(image.width, region.right); ++x)
            if (test(image.at(x, y)))
                ++count;
    return count;
}

struct Mean {
    double r = 0;
    double g = 0;
    double b = 0;
};

inline Mean meanOf(const Image& image, Region region)
{
    Mean mean;
    double n = 0;
    for (int y = region.top; y < region.bottom; ++y)
        for (int x = region.left; x < region.right; ++x) {
            const Rgb p = image.at(x, y);
            mean.r += p.r;
            mean.g += p.g;
            mean.b += p.b;
            n += 1;
        }
    if (n > 0) {
        mean.r /= n;
        mean.g /= n;
        mean.b /= n;
    }
    return mean;
}

// Colour classes of what the program draws: the five coloured spark rows (white sparks and
// smoke are grey), grey, black, and anything else.
enum class Hue { Black, Grey, Orange, Violet, BlueViolet, Yellow, Green, Other };

inline Hue classify(Rgb p)
{
    const int high = std::max({p.r, p.g, p.b});
    const int low = std::min({p.r, p.g, p.b});
    if (high < 40)
        return Hue::Black;
    if (high - low < 24)
        return Hue::Grey;
    if (p.r >= 150 && p.g >= 150 && std::abs(p.r - p.g) < 25 && p.r - p.b >= 90)
        return Hue::Yellow;
    if (p.r >= 140 && p.r - p.g >= 30 && p.g - p.b >= 25 && p.r - p.b >= 90)
        return Hue::Orange;
    if (p.r - p.g >= 40 && p.b - p.g >= 40)
        return Hue::Violet;
    if (p.b - p.r >= 20 && p.b - p.g >= 20 && std::abs(p.r - p.g) < 30)
        return Hue::BlueViolet;
    if (p.g - p.r >= 40 && p.g - p.b >= 80)
        return Hue::Green;
    return Hue::Other;
}

inline bool isSparkColour(Rgb p)
{
    const Hue hue = classify(p);
    return hue == Hue::Orange || hue == Hue::Violet || hue == Hue::BlueViolet || hue == Hue::Yellow
        || hue == Hue::Green;
}

inline bool isLit(Rgb p)
{
    return std::max({p.r, p.g, p.b}) >= 40;
}

inline bool isPanelLine(Rgb p) // the help panel's light frame line (229 drawn as about 230)
{
    return std::min({p.r, p.g, p.b}) >= 200 && std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) <= 12;
}

inline bool isWhite(Rgb p)
{
    return std::min({p.r, p.g, p.b}) >= 240;
}

inline bool isCountGrey(Rgb p) // light grey 200 of the count lines, as the 16-bit display shows it
{
    const int high = std::max({p.r, p.g, p.b});
    const int low = std::min({p.r, p.g, p.b});
    return low >= 185 && high <= 218 && high - low <= 12;
}

inline bool isSmokeGrey(Rgb p) // puff greys 72..162 (neutral: equal channels)
{
    const int high = std::max({p.r, p.g, p.b});
    const int low = std::min({p.r, p.g, p.b});
    return high >= 64 && high <= 175 && high - low <= 10;
}

// The panel's place, excluded when particles are counted over the whole screen.
inline bool inPanel(int x, int y)
{
    return x < panelWidth + 2 && y < panelHeight + 2;
}

struct Centroid {
    double x = 0;
    double y = 0;
    int count = 0;
};

inline Centroid sparkCentroid(const Image& image)
{
    Centroid c;
    double sx = 0;
    double sy = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (!inPanel(x, y) && isSparkColour(image.at(x, y))) {
                sx += x;
                sy += y;
                ++c.count;
            }
    if (c.count > 0) {
        c.x = sx / c.count;
        c.y = sy / c.count;
    }
    return c;
}

inline std::map<Hue, int> hueCounts(const Image& image, Region region)
{
    std::map<Hue, int> counts;
    for (int y = region.top; y < region.bottom; ++y)
        for (int x = region.left; x < region.right; ++x)
            if (!inPanel(x, y))
                ++counts[classify(image.at(x, y))];
    return counts;
}

inline const char* hueName(Hue hue)
{
    switch (hue) {
    case Hue::Black:
        return "black";
    case Hue::Grey:
        return "grey";
    case Hue::Orange:
        return "orange";
    case Hue::Violet:
        return "violet";
    case Hue::BlueViolet:
        return "blue-violet";
    case Hue::Yellow:
        return "yellow";
    case Hue::Green:
        return "green";
    case Hue::Other:
        return "other";
    }
    return "?";
}

inline std::string describe(const std::map<Hue, int>& counts)
{
    std::string text;
    for (const auto& [hue, count] : counts)
        text += std::string(hueName(hue)) + "=" + std::to_string(count) + " ";
    return text;
}

constexpr Region upperRight{760, 0, 1024, 170}; // sky, far from the particles
constexpr Region lowerRightQuadrant{512, 384, 1024, 768};
constexpr Region belowEmitter{352, 440, 672, 720}; // where the sparks fall
constexpr Region aboveEmitter{352, 48, 672, 328}; // the same size, above
constexpr Region smokeColumn{472, 290, 552, 378}; // where the smoke rises
constexpr Region risingSparks{362, 150, 662, 330}; // well above the emitter
constexpr Region particleField{262, 0, 762, 768}; // everything the sparkler reaches at the centre

inline bool backgroundShown(const Image& image)
{
    const Mean sky = meanOf(image, upperRight);
    return sky.b > 45 && sky.b > sky.r + 25 && sky.b > sky.g + 15;
}

inline bool backgroundBlack(const Image& image)
{
    return countIf(image, upperRight, isLit) == 0;
}

inline int panelLineOnLeftEdge(const Image& image)
{
    return countIf(image, {0, 0, 1, panelHeight}, isPanelLine);
}

} // namespace e2e
