// The program's icon: its shapes, taken from the program's pictures, and a rasteriser that
// averages a grid of point samples per pixel. Each sample composites the shapes it falls in,
// back to front, with premultiplied alpha; the shapes are tested exactly as an SVG renderer
// would fill them, so the PNG and SVG icons agree.
#include "gfx/Icon.hpp"

#include "gfx/ImageTable.hpp"
#include "platform/BitmapLoader.hpp"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kBackground = 103;
constexpr int kSparkSheet = 113;
constexpr int kSmokeSheet = 115;

bool decodeImage(int id, int width, int height, Image& out)
{
    const ImageResource* resource = findImage(id);
    return resource != nullptr && decodeBitmap(resource->data, resource->size, width, height, out);
}

IconRgb pixelAt(const Image& image, int x, int y)
{
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 3;
    return IconRgb{static_cast<double>(image.rgb[at]), static_cast<double>(image.rgb[at + 1]),
                   static_cast<double>(image.rgb[at + 2])};
}

// The mean colour of a square of the picture, so one odd pixel of the photograph does not
// colour the whole icon.
IconRgb meanAround(const Image& image, int cx, int cy, int radius)
{
    IconRgb sum;
    int count = 0;
    for (int y = cy - radius; y <= cy + radius; ++y) {
        for (int x = cx - radius; x <= cx + radius; ++x) {
            const IconRgb c = pixelAt(image, x, y);
            sum.r += c.r;
            sum.g += c.g;
            sum.b += c.b;
            ++count;
        }
    }
    return IconRgb{sum.r / count, sum.g / count, sum.b / count};
}

struct Rgba {
    double r = 0.0; // premultiplied, 0..1
    double g = 0.0;
    double b = 0.0;
    double a = 0.0;
};

// The gradient's colour and alpha at t, linear between stops and flat beyond the ends.
Rgba colourAt(const std::vector<IconStop>& stops, double t)
{
    if (stops.empty())
        return {};
    std::size_t high = 0;
    while (high < stops.size() && stops[high].at < t)
        ++high;
    const IconStop& upper = stops[std::min(high, stops.size() - 1)];
    const IconStop& lower = stops[high == 0 ? 0 : std::min(high, stops.size()) - 1];
    const double span = upper.at - lower.at;
    const double f = span > 0.0 ? std::clamp((t - lower.at) / span, 0.0, 1.0) : 0.0;
    const double alpha = lower.alpha + (upper.alpha - lower.alpha) * f;
    const double r = (lower.colour.r + (upper.colour.r - lower.colour.r) * f) / 255.0;
    const double g = (lower.colour.g + (upper.colour.g - lower.colour.g) * f) / 255.0;
    const double b = (lower.colour.b + (upper.colour.b - lower.colour.b) * f) / 255.0;
    return Rgba{r * alpha, g * alpha, b * alpha, alpha};
}

// The shape's colour at (x, y) in unit coordinates, or nothing (a of 0) outside it. minHalf
// is the least half-width of strokes and rays, half a pixel in unit coordinates.
Rgba sampleShape(const IconShape& s, double x, double y, double minHalf)
{
    switch (s.kind) {
    case IconShape::Tile: {
        const double r = s.width;
        const double dx = std::max({s.x0 + r - x, 0.0, x - (s.x1 - r)});
        const double dy = std::max({s.y0 + r - y, 0.0, y - (s.y1 - r)});
        if (x < s.x0 || x > s.x1 || y < s.y0 || y > s.y1 || dx * dx + dy * dy > r * r)
            return {};
        return colourAt(s.stops, (y - s.y0) / (s.y1 - s.y0));
    }
    case IconShape::Stroke:
    case IconShape::Ray: {
        const double ax = s.x1 - s.x0;
        const double ay = s.y1 - s.y0;
        const double lengthSquared = ax * ax + ay * ay;
        const double t = lengthSquared > 0.0 ? ((x - s.x0) * ax + (y - s.y0) * ay) / lengthSquared : 0.0;
        if (s.kind == IconShape::Stroke) {
            const double u = std::clamp(t, 0.0, 1.0);
            const double px = x - (s.x0 + ax * u);
            const double py = y - (s.y0 + ay * u);
            const double half = std::max(s.width / 2, minHalf);
            return px * px + py * py <= half * half ? colourAt(s.stops, 0.0) : Rgba{};
        }
        if (t < 0.0 || t > 1.0)
            return {};
        const double px = x - (s.x0 + ax * t);
        const double py = y - (s.y0 + ay * t);
        const double half = std::max((s.width + (s.tipWidth - s.width) * t) / 2, minHalf);
        return px * px + py * py <= half * half ? colourAt(s.stops, t) : Rgba{};
    }
    case IconShape::Dot: {
        const double half = s.width / 2;
        if (std::abs(x - s.x0) > half || std::abs(y - s.y0) > half)
            return {};
        return colourAt(s.stops, 0.0);
    }
    case IconShape::Glow: {
        const double dx = x - s.x0;
        const double dy = y - s.y0;
        const double d = std::sqrt(dx * dx + dy * dy) / s.width;
        return d < 1.0 ? colourAt(s.stops, d) : Rgba{};
    }
    }
    return {};
}

// A box (unit coordinates) that holds every point where the shape has colour; a sample
// outside it would composite nothing, so the shape can be left out there unchanged.
struct Box {
    double x0, y0, x1, y1;
};

Box reach(const IconShape& s, double minHalf)
{
    switch (s.kind) {
    case IconShape::Tile:
        return Box{s.x0, s.y0, s.x1, s.y1};
    case IconShape::Stroke:
    case IconShape::Ray: {
        const double half = std::max({std::abs(s.width) / 2, std::abs(s.tipWidth) / 2, minHalf});
        return Box{std::min(s.x0, s.x1) - half, std::min(s.y0, s.y1) - half, std::max(s.x0, s.x1) + half,
                   std::max(s.y0, s.y1) + half};
    }
    case IconShape::Dot:
    case IconShape::Glow: {
        const double half = s.kind == IconShape::Dot ? std::abs(s.width) / 2 : std::abs(s.width);
        return Box{s.x0 - half, s.y0 - half, s.x0 + half, s.y0 + half};
    }
    }
    return Box{0.0, 0.0, 1.0, 1.0};
}

std::uint8_t toByte(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::floor(v * 255.0 + 0.5), 0.0, 255.0));
}

IconStop stop(double at, const IconRgb& colour, double alpha = 1.0)
{
    return IconStop{at, colour, alpha};
}

} // namespace

bool iconColoursFromImages(IconColours& out)
{
    Image background;
    Image sparks;
    Image smoke;
    if (!decodeImage(kBackground, 1024, 768, background) || !decodeImage(kSparkSheet, 21, 18, sparks)
        || !decodeImage(kSmokeSheet, 48, 4, smoke))
        return false;
    out.skyTop = meanAround(background, 990, 20, 8);
    out.skyLow = meanAround(background, 60, 200, 8);
    out.wire = pixelAt(smoke, 0, 0);
    for (int frame = 0; frame < 7; ++frame)
        out.spark[frame] = pixelAt(sparks, frame * 3, 0); // row 0, orange: a cell's edge
    out.hot = pixelAt(sparks, 2 * 3 + 1, 1);            // the centre of frame 2
    return true;
}

std::vector<IconShape> iconShapes(const IconColours& c)
{
    // The burning head sits up and right of the middle; the bare wire runs down to the left.
    constexpr double cx = 0.57;
    constexpr double cy = 0.42;
    std::vector<IconShape> shapes;
    shapes.push_back(IconShape{IconShape::Tile, 0.04, 0.04, 0.96, 0.96, 0.17, 0.0,
                               {stop(0.0, c.skyTop), stop(1.0, c.skyLow)}});
    shapes.push_back(IconShape{IconShape::Stroke, cx, cy, 0.20, 0.88, 0.045, 0.0, {stop(0.0, c.wire)}});

    // Sparks fly out along uneven rays, pale at the head and darkening as they go, like a
    // spark running through its row of the sheet; none flies back over the wire.
    struct Direction {
        double dx, dy, length;
    };
    static const Direction rays[] = {
        {1, 0, 0.26},   {2, -1, 0.18}, {1, -1, 0.28},  {1, -2, 0.17}, {0, -1, 0.22}, {-1, -2, 0.18},
        {-1, -1, 0.27}, {-2, -1, 0.17}, {-1, 0, 0.25}, {-2, 1, 0.18}, {1, 2, 0.18},  {1, 1, 0.28},
        {2, 1, 0.17},   {0, 1, 0.22}};
    const std::vector<IconStop> rayStops = {stop(0.0, c.spark[0]), stop(0.4, c.spark[2]), stop(0.75, c.spark[3]),
                                            stop(1.0, c.spark[4])};
    std::vector<IconShape> dots;
    for (const Direction& ray : rays) {
        const double norm = std::sqrt(ray.dx * ray.dx + ray.dy * ray.dy);
        const double ux = ray.dx / norm;
        const double uy = ray.dy / norm;
        const double tipX = cx + ux * ray.length;
        const double tipY = cy + uy * ray.length;
        shapes.push_back(IconShape{IconShape::Ray, cx, cy, tipX, tipY, 0.034, 0.008, rayStops});
        // A spark a little beyond each tip: one cell of the sheet with its white-hot centre.
        const double beyond = ray.length + 0.045;
        const double sx = cx + ux * beyond;
        const double sy = cy + uy * beyond;
        dots.push_back(IconShape{IconShape::Dot, sx, sy, 0.0, 0.0, 0.036, 0.0, {stop(0.0, c.spark[3])}});
        dots.push_back(IconShape{IconShape::Dot, sx, sy, 0.0, 0.0, 0.012, 0.0, {stop(0.0, c.hot)}});
    }
    shapes.insert(shapes.end(), dots.begin(), dots.end());
    shapes.push_back(IconShape{IconShape::Glow, cx, cy, 0.0, 0.0, 0.17, 0.0,
                               {stop(0.0, c.hot), stop(0.3, c.spark[0], 0.95), stop(0.65, c.spark[2], 0.45),
                                stop(1.0, c.spark[3], 0.0)}});
    return shapes;
}

std::vector<std::uint8_t> drawIcon(const std::vector<IconShape>& shapes, int size)
{
    if (size <= 0)
        return {};
    const int grid = size >= 128 ? 4 : 8; // samples per pixel along each axis
    const double minHalf = 0.5 / size;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4);
    std::vector<Box> boxes;
    for (const IconShape& shape : shapes)
        boxes.push_back(reach(shape, minHalf));
    // Per pixel, only the shapes whose box meets the pixel's square (widened by a little, for
    // rounding) are sampled, in their order: most of the many small dots miss most pixels.
    const double slack = 1e-9;
    std::vector<const IconShape*> near;
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            const double left = static_cast<double>(px) / size - slack;
            const double right = static_cast<double>(px + 1) / size + slack;
            const double top = static_cast<double>(py) / size - slack;
            const double bottom = static_cast<double>(py + 1) / size + slack;
            near.clear();
            for (std::size_t i = 0; i < shapes.size(); ++i) {
                const Box& b = boxes[i];
                if (!(b.x1 < left || b.x0 > right || b.y1 < top || b.y0 > bottom))
                    near.push_back(&shapes[i]);
            }
            Rgba sum;
            for (int sy = 0; sy < grid; ++sy) {
                for (int sx = 0; sx < grid; ++sx) {
                    const double x = (px + (sx + 0.5) / grid) / size;
                    const double y = (py + (sy + 0.5) / grid) / size;
                    Rgba dst;
                    for (const IconShape* shape : near) {
                        const Rgba src = sampleShape(*shape, x, y, minHalf);
                        dst.r = src.r + dst.r * (1 - src.a);
                        dst.g = src.g + dst.g * (1 - src.a);
                        dst.b = src.b + dst.b * (1 - src.a);
                        dst.a = src.a + dst.a * (1 - src.a);
                    }
                    sum.r += dst.r;
                    sum.g += dst.g;
                    sum.b += dst.b;
                    sum.a += dst.a;
                }
            }
            const double n = static_cast<double>(grid) * grid;
            const double a = sum.a / n;
            std::uint8_t* pixel = &out[(static_cast<std::size_t>(py) * static_cast<std::size_t>(size) + static_cast<std::size_t>(px)) * 4];
            if (a > 0.0) {
                pixel[0] = toByte(sum.r / n / a);
                pixel[1] = toByte(sum.g / n / a);
                pixel[2] = toByte(sum.b / n / a);
            }
            pixel[3] = toByte(a);
        }
    }
    return out;
}
